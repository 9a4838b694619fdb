#include "laglog/spelling_table.h"

#include <cstring>

std::uint64_t SpellingTable::hashOf(std::string_view spelling) {
  // Eight bytes at a time, each word mixed in by a multiplication; the
  // length too, so that a NUL-padded word tells lengths apart. A product
  // carries its bits only upwards, and names differ in their last bytes:
  // a final mix spreads every bit over the whole hash.
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  std::uint64_t hash = spelling.size() * kMultiplier;
  std::size_t i = 0;
  for (; i + 8 <= spelling.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, spelling.data() + i, 8);
    hash = (hash ^ word) * kMultiplier;
  }
  if (i < spelling.size()) {
    std::uint64_t word = 0;
    std::memcpy(&word, spelling.data() + i, spelling.size() - i);
    hash = (hash ^ word) * kMultiplier;
  }
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDu;
  hash ^= hash >> 33;
  return hash;
}

std::uint32_t SpellingTable::find(std::string_view spelling) const {
  std::size_t probes = 0;
  return lookUp(spelling, &probes);
}

std::size_t SpellingTable::probesFor(std::string_view spelling) const {
  std::size_t probes = 0;
  lookUp(spelling, &probes);
  return probes;
}

std::uint32_t SpellingTable::lookUp(std::string_view spelling,
                                    std::size_t* probes) const {
  if (slots_.empty()) return kNone;
  const std::uint64_t hash = hashOf(spelling);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = static_cast<std::size_t>(hash) & mask;;
       at = (at + 1) & mask) {
    ++*probes;
    const Slot& slot = slots_[at];
    if (slot.index == kNone) return kNone;
    if (slot.hash == hash && slot.spelling == spelling) return slot.index;
  }
}

void SpellingTable::insert(std::string_view spelling, std::uint32_t index) {
  if ((used_ + 1) * 2 > slots_.size()) grow();
  const std::uint64_t hash = hashOf(spelling);
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = static_cast<std::size_t>(hash) & mask;
  while (slots_[at].index != kNone) at = (at + 1) & mask;
  slots_[at].hash = hash;
  slots_[at].index = index;
  slots_[at].spelling.assign(spelling.data(), spelling.size());
  ++used_;
}

void SpellingTable::grow() {
  std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (Slot& slot : old) {
    if (slot.index == kNone) continue;
    std::size_t at = static_cast<std::size_t>(slot.hash) & mask;
    while (slots_[at].index != kNone) at = (at + 1) & mask;
    slots_[at] = std::move(slot);
  }
}
