// PlayerTagIndex: finds the node of a (player, slot) entry in a bot's list of
// player tags in constant time, so that a Tick over N players costs O(N).
//
// It only points into the list; the list owns its nodes. Whoever adds a node
// to the list adds it here, and whoever removes one removes it here first.
// Looking up never allocates; adding may, and says so when it cannot.
#ifndef TARVOK_SPAWN_PLAYER_TAG_INDEX_H_
#define TARVOK_SPAWN_PLAYER_TAG_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "host/linked_list.h"

struct Player;
struct PlayerTag;

class PlayerTagIndex {
 public:
  // The node of the entry (player, slot), or nullptr.
  _listnode<PlayerTag>* find(const Player* player, std::int32_t slot) const;
  // The tag of find(player, 0), or nullptr, for the player at `position`
  // of a walk over the host list: the tag found at that position before is
  // tried first, so that the walk of every Tick over an unchanged list looks
  // nothing up and goes straight to each tag.
  PlayerTag* findInWalk(std::size_t position, const Player* player);
  // Indexes `node` under its tag's player and slot, which must not be
  // indexed yet. False, changing nothing, when memory runs out.
  bool add(_listnode<PlayerTag>* node);
  void remove(const PlayerTag& tag);
  void clear();

 private:
  struct Key {
    const Player* player;
    std::int32_t slot;
    bool operator==(const Key& other) const {
      return player == other.player && slot == other.slot;
    }
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };

  std::unordered_map<Key, _listnode<PlayerTag>*, KeyHash> nodes_;
  // What findInWalk() found at each position; cleared with every removal,
  // the only way a node goes.
  struct WalkedTag {
    const Player* player;
    PlayerTag* tag;
  };
  std::vector<WalkedTag> walked_;
};

#endif  // TARVOK_SPAWN_PLAYER_TAG_INDEX_H_
