// CheckEvidence: what one judged check was measured against, kept beside it
// in the lag watch's history, so that a warning or a move to spectator mode
// can be explained afterwards: to staff at once ("notify="), and to the
// player or staff on demand ("!lagwhy").
#ifndef TARVOK_SPAWN_LAG_EVIDENCE_H_
#define TARVOK_SPAWN_LAG_EVIDENCE_H_

#include <cstdint>

struct CheckEvidence {
  // The five limits in force, in the order of the lagger lines (current,
  // average, S2C, C2S, S2C weapons); the ping limits with the allowance.
  std::int32_t limits[5] = {};
  std::int32_t allowanceMs = 0;
  std::int32_t strikes = 0;  // the player's strikes after the check
  std::int32_t strikesNeeded = 1;
  // Seconds of the watch's clock when the run of strikes this check belongs
  // to began (the check itself for a first strike).
  std::uint32_t streakStart = 0;
};

#endif  // TARVOK_SPAWN_LAG_EVIDENCE_H_
