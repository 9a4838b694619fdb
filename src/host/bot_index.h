// BotIndex: finds the instance of a host bot handle beside `botlist`, in
// the same time whatever the number of bots. An open-addressing table of
// (handle, instance) pairs, linear probing, at most half full, doubled as it
// fills. It owns nothing: `botlist` owns the instances, and `talk` keeps the
// two in step. When the table cannot grow (no memory), add() says so and
// the caller finds instances by walking `botlist` instead.
#ifndef TARVOK_HOST_BOT_INDEX_H_
#define TARVOK_HOST_BOT_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/bot_event.h"

class botInfo;

class BotIndex {
 public:
  BotIndex() = default;
  BotIndex(const BotIndex&) = delete;
  BotIndex& operator=(const BotIndex&) = delete;

  // The instance of `handle`, or nullptr.
  botInfo* find(CALL_HANDLE handle) const;
  // Adds `instance` for a `handle` that has none yet. False when there is
  // no memory for it; the index is then unchanged.
  bool add(CALL_HANDLE handle, botInfo* instance);
  void clear();
  // Handles indexed.
  std::size_t size() const { return used_; }

 private:
  struct Slot {
    CALL_HANDLE handle;
    botInfo* instance;  // nullptr: the slot is free
  };
  std::size_t slotOf(CALL_HANDLE handle) const;
  bool grow();

  std::unique_ptr<Slot[]> slots_;
  std::size_t capacity_ = 0;  // a power of two, or 0
  std::size_t used_ = 0;
};

#endif  // TARVOK_HOST_BOT_INDEX_H_
