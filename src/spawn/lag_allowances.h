// LagAllowances: milliseconds added to one player's ping limits, instead of
// the all-or-nothing of leaving a player unchecked.
//
// Allowances come from "allow=NAME +MS" lines of tarvok.ini and from staff's
// "!lagallow NAME +MS [HOURS]". Each read of the file replaces the
// allowances of the file read before (the file lists them all; a file
// without allow= lines has none); a live grant stays until its hours have
// passed, it is taken back ("!lagallow NAME 0", which takes back a file's
// allowance too, until the file is read again) or the plug-in is unloaded.
// A live grant replaces the file's allowance of that name, and a file read
// while it lasts does not override it.
//
// Names are compared ignoring the case of ASCII letters. The table is a
// fixed array, so that judging a check looks an allowance up without
// touching the heap; the clock is the bot's Ticks, one a second, and a
// grant whose time has passed is simply no longer found.
#ifndef TARVOK_SPAWN_LAG_ALLOWANCES_H_
#define TARVOK_SPAWN_LAG_ALLOWANCES_H_

#include <cstdint>

#include "spawn/allowance_text.h"

class LagAllowances {
 public:
  static constexpr int kMostAllowances = 64;

  struct Allowance {
    char name[kAllowanceNameSize];
    std::int32_t extraMs;
    std::uint32_t endsAt;  // the clock's second it ends at; 0: never
    bool fromFile;
  };

  // One second passes.
  void tick() { ++seconds_; }
  std::uint32_t now() const { return seconds_; }

  // A read of the file begins: the allowances of the last read go.
  void dropFileAllowances();
  // An allow= line. False when the table is full.
  bool addFromFile(const AllowanceText& text);
  // A live grant for `seconds` seconds (0: until unloaded). False when the
  // table is full.
  bool grant(const AllowanceText& text, std::uint32_t seconds);
  // False when `name` has none.
  bool takeBack(const char* name);

  // The milliseconds added to the ping limits of the player `name`; 0 when
  // they have none.
  std::int32_t extraFor(const char* name) const;

  // The allowance in `slot` (0 .. kMostAllowances - 1), or nullptr when the
  // slot is free or its time has passed. Slots keep the order of grants.
  const Allowance* at(int slot) const;

 private:
  bool inForce(const Allowance& allowance) const;
  Allowance* find(const char* name);
  Allowance* freeSlot();

  Allowance table_[kMostAllowances] = {};
  bool used_[kMostAllowances] = {};
  // Slots from here on have never been used: a check of an arena without
  // allowances looks at none.
  int slotsEverUsed_ = 0;
  std::uint32_t seconds_ = 0;
};

#endif  // TARVOK_SPAWN_LAG_ALLOWANCES_H_
