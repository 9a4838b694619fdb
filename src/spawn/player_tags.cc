// Per-player countdowns: (player, slot) -> value entries in `checkTimers`,
// oldest first, each also found through `tagIndex` so that a lookup does not
// walk the list. Only removing a player's tags walks it.
#include "spawn/spawn.h"

void botInfo::storeTag(const Player* player, std::int32_t slot,
                       std::int32_t value) {
  if (_listnode<PlayerTag>* node = tagIndex.find(player, slot)) {
    node->item->secondsLeft = value;
    return;
  }
  PlayerTag* tag = new PlayerTag{player, slot, value};
  if (!checkTimers.appendItem(tag)) {
    delete tag;
    return;
  }
  // An entry the index cannot hold would be stored twice later: drop it.
  if (!tagIndex.add(checkTimers.tail)) checkTimers.removeNode(checkTimers.tail);
}

std::int32_t botInfo::lookupTag(const Player* player, std::int32_t slot) const {
  const _listnode<PlayerTag>* node = tagIndex.find(player, slot);
  return node == nullptr ? 0 : node->item->secondsLeft;
}

void botInfo::removeTagsOf(const Player* player) {
  _listnode<PlayerTag>* node = checkTimers.head;
  while (node != nullptr) {
    _listnode<PlayerTag>* next = node->next;
    if (node->item->player == player) {
      tagIndex.remove(*node->item);
      checkTimers.removeNode(node);
    }
    node = next;
  }
}

void botInfo::clearTags() {
  tagIndex.clear();
  checkTimers.clear();
}
