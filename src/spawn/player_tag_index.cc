#include "spawn/player_tag_index.h"

#include <functional>
#include <new>

#include "spawn/spawn.h"

std::size_t PlayerTagIndex::KeyHash::operator()(const Key& key) const {
  // Nearly every tag sits in slot 0; the player's address tells them apart.
  return std::hash<const void*>()(key.player) ^
         static_cast<std::size_t>(static_cast<std::uint32_t>(key.slot)) *
             0x9E3779B9u;
}

_listnode<PlayerTag>* PlayerTagIndex::find(const Player* player,
                                           std::int32_t slot) const {
  const auto found = nodes_.find(Key{player, slot});
  return found == nodes_.end() ? nullptr : found->second;
}

PlayerTag* PlayerTagIndex::findInWalk(std::size_t position,
                                      const Player* player) {
  if (position >= walked_.size()) {
    try {
      walked_.resize(position + 1, {nullptr, nullptr});
    } catch (const std::bad_alloc&) {
      // Found the slow way, as without the walk.
      _listnode<PlayerTag>* node = find(player, 0);
      return node == nullptr ? nullptr : node->item;
    }
  }
  WalkedTag& walked = walked_[position];
  if (walked.player != player || walked.tag == nullptr) {
    _listnode<PlayerTag>* node = find(player, 0);
    walked.player = player;
    walked.tag = node == nullptr ? nullptr : node->item;
  }
  return walked.tag;
}

bool PlayerTagIndex::add(_listnode<PlayerTag>* node) {
  try {
    nodes_.emplace(Key{node->item->player, node->item->slot}, node);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void PlayerTagIndex::remove(const PlayerTag& tag) {
  nodes_.erase(Key{tag.player, tag.slot});
  walked_.clear();
}

void PlayerTagIndex::clear() {
  nodes_.clear();
  walked_.clear();
}
