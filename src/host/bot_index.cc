#include "host/bot_index.h"

#include <new>

std::size_t BotIndex::slotOf(CALL_HANDLE handle) const {
  // Fibonacci hashing: handles that are small numbers or aligned pointers
  // spread over the whole table.
  const std::uint64_t mixed =
      static_cast<std::uint64_t>(handle) * 0x9E3779B97F4A7C15ull;
  return static_cast<std::size_t>(mixed >> 32) & (capacity_ - 1);
}

botInfo* BotIndex::find(CALL_HANDLE handle) const {
  if (capacity_ == 0) return nullptr;
  for (std::size_t slot = slotOf(handle);; slot = (slot + 1) & (capacity_ - 1)) {
    const Slot& entry = slots_[slot];
    if (entry.instance == nullptr) return nullptr;
    if (entry.handle == handle) return entry.instance;
  }
}

bool BotIndex::add(CALL_HANDLE handle, botInfo* instance) {
  if ((used_ + 1) * 2 > capacity_ && !grow()) return false;
  std::size_t slot = slotOf(handle);
  while (slots_[slot].instance != nullptr) slot = (slot + 1) & (capacity_ - 1);
  slots_[slot] = Slot{handle, instance};
  ++used_;
  return true;
}

void BotIndex::clear() {
  slots_.reset();
  capacity_ = 0;
  used_ = 0;
}

bool BotIndex::grow() {
  const std::size_t capacity = capacity_ == 0 ? 8 : capacity_ * 2;
  std::unique_ptr<Slot[]> slots(new (std::nothrow) Slot[capacity]());
  if (slots == nullptr) return false;
  std::unique_ptr<Slot[]> old = std::move(slots_);
  const std::size_t oldCapacity = capacity_;
  slots_ = std::move(slots);
  capacity_ = capacity;
  used_ = 0;
  for (std::size_t i = 0; i < oldCapacity; ++i) {
    if (old[i].instance != nullptr) add(old[i].handle, old[i].instance);
  }
  return true;
}
