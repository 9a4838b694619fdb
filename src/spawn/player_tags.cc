// Per-player countdowns: (player, slot) -> value entries in `checkTimers`,
// oldest first. Every operation is a linear walk; arenas are small.
#include "spawn/spawn.h"

void botInfo::storeTag(const Player* player, std::int32_t slot,
                       std::int32_t value) {
  for (_listnode<PlayerTag>* node = checkTimers.head; node != nullptr;
       node = node->next) {
    if (node->item->player == player && node->item->slot == slot) {
      node->item->secondsLeft = value;
      return;
    }
  }
  PlayerTag* tag = new PlayerTag{player, slot, value};
  if (!checkTimers.appendItem(tag)) delete tag;
}

std::int32_t botInfo::lookupTag(const Player* player, std::int32_t slot) const {
  for (const _listnode<PlayerTag>* node = checkTimers.head; node != nullptr;
       node = node->next) {
    if (node->item->player == player && node->item->slot == slot) {
      return node->item->secondsLeft;
    }
  }
  return 0;
}

void botInfo::removeTagsOf(const Player* player) {
  _listnode<PlayerTag>* node = checkTimers.head;
  while (node != nullptr) {
    _listnode<PlayerTag>* next = node->next;
    if (node->item->player == player) checkTimers.removeNode(node);
    node = next;
  }
}

void botInfo::clearTags() { checkTimers.clear(); }
