// SpellingTable: the names of a replay by their exact spelling, each with
// its index. A replay looks names up several times for every row it reads,
// nearly always in a spelling met before: this table hashes a name a word
// at a time and finds its slot by a mask, where a std::unordered_map of
// strings hashes byte after byte and divides by a prime on every lookup.
//
// Open addressing with linear probing in a power-of-two array, at most half
// full; entries are never removed. Spellings are compared byte for byte.
#ifndef TARVOK_TOOLS_LAGLOG_SPELLING_TABLE_H_
#define TARVOK_TOOLS_LAGLOG_SPELLING_TABLE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class SpellingTable {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // The index stored with `spelling`, or kNone.
  std::uint32_t find(std::string_view spelling) const;
  // Stores `index` (not kNone) with `spelling`, which must not be stored.
  void insert(std::string_view spelling, std::uint32_t index);
  std::size_t size() const { return used_; }
  // The slots a lookup of `spelling` looks at: how well names spread.
  std::size_t probesFor(std::string_view spelling) const;

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t index = kNone;  // kNone: free
    std::string spelling;
  };
  static std::uint64_t hashOf(std::string_view spelling);
  std::uint32_t lookUp(std::string_view spelling, std::size_t* probes) const;
  void grow();

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
};

#endif  // TARVOK_TOOLS_LAGLOG_SPELLING_TABLE_H_
