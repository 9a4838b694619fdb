#include "laglog/spelling_table.h"

#include <cstring>

std::uint64_t SpellingTable::hashOf(std::string_view spelling) {
  // Eight bytes at a time, each word mixed in by a multiplication; the
  // length too, so that words that overlap, or a name shorter than a word,
  // tell lengths apart. Every load is of a fixed size (no call): the last
  // word ends at the name's end, overlapping the one before, and a name
  // shorter than a word is read as two overlapping halves. A product
  // carries its bits only upwards, and names differ in their last bytes:
  // a final mix spreads every bit over the whole hash.
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  const char* bytes = spelling.data();
  const std::size_t size = spelling.size();
  const auto word8 = [bytes](std::size_t at) {
    std::uint64_t word;
    std::memcpy(&word, bytes + at, 8);
    return word;
  };
  const auto word4 = [bytes](std::size_t at) {
    std::uint32_t word;
    std::memcpy(&word, bytes + at, 4);
    return std::uint64_t{word};
  };
  std::uint64_t hash = size * kMultiplier;
  if (size >= 8) {
    for (std::size_t i = 0; i + 8 < size; i += 8) {
      hash = (hash ^ word8(i)) * kMultiplier;
    }
    hash = (hash ^ word8(size - 8)) * kMultiplier;
  } else if (size >= 4) {
    hash = (hash ^ (word4(0) | word4(size - 4) << 32)) * kMultiplier;
  } else {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < size; ++i) {
      word = word << 8 | static_cast<unsigned char>(bytes[i]);
    }
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
