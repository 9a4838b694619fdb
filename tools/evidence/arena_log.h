// A synthetic arena whose truth is known, for judging settings: the lag log
// that a bot with automatic checks every 30 seconds after a grace of 60 (and
// no dealing, judged against the default limits) would have written over an
// arena of players of known classes, and the scores
// that a replay of it under other settings earns per class.
//
// Each player's name is their class, a '-' and a number ("far-03"):
//   good    steady connections well within the limits
//   spiky   honest players whose ping and loss spike on a rare check
//   lagger  steady laggers: ping and loss over the limits most of the time
//   flaky   intermittent laggers: bad stretches of a few checks, then good
//   far     steady high-latency links (satellite, another continent): ping
//           over the limits, steady, no loss
//   staff   staff in a ship, never checked automatically; they check
//           themselves ("!lagme") every ten minutes
// Players arrive during the first quarter of the arena's time and leave
// after a third of it or more. The same seed gives the same log on every
// platform (std::mt19937's raw output, integer arithmetic only).
#ifndef TARVOK_TOOLS_EVIDENCE_ARENA_LOG_H_
#define TARVOK_TOOLS_EVIDENCE_ARENA_LOG_H_

#include <cstdint>
#include <string>
#include <vector>

#include "sim/command_line.h"
#include "evidence/lag_summary.h"

// The whole log, header first, rows in time order.
std::string generateArenaLog(std::uint32_t seed, std::uint32_t minutes);

// The scores of `source` (a column of `summary`) by class, the class being a
// player's name up to its first '-': per class the players and how many of
// them were warned or spectated at least once; then the laggers (lagger and
// flaky) dealt with, the honest players (good, spiky, staff) dealt with, and
// the steady high-latency links dealt with. Players of other names are left
// out.
std::vector<std::string> classScores(const LagSummary& summary,
                                     std::size_t source);

// "tarvok-sim arena": writes the log (to the standard output without
// --output). Returns the exit status.
int runArenaCommand(const ArenaOptions& options);

#endif  // TARVOK_TOOLS_EVIDENCE_ARENA_LOG_H_
