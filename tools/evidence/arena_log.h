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
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "evidence/lag_summary.h"

// The whole log, header first, rows in time order.
std::string generateArenaLog(std::uint32_t seed, std::uint32_t minutes);

// A long arena of `days` days, 40 players of the same classes: each comes
// for sessions of 40 minutes to 4 hours, 3 to 20 hours apart; a spiky
// player's line has a bad minute (20 to 80 seconds) every 20 minutes to 2
// hours, a flaky lagger's a bad stretch of 90 seconds to 5 minutes every 5
// to 40 minutes, and a steady lagger's link drops every one to three
// minutes and comes back 5 to 40 seconds later. The logging bot checks
// every 20 seconds from 5 seconds after each arrival (staff check
// themselves every ten minutes), so that a replay under any autocheck of
// 20 or more finds a logged figure near each of its checks.
std::string generateLongArenaLog(std::uint32_t seed, std::uint32_t days);

// The players of a replayed arena by class, the class being a player's name
// up to its first '-' (one of the classes above; other names are left out):
// per class the players and how many of them were dealt with (warned or
// spectated at least once). Laggers are lagger and flaky, honest players
// good, spiky and staff, the steady high-latency links far.
class ClassScores {
 public:
  struct Tally {
    std::uint32_t players = 0;
    std::uint32_t dealt = 0;
  };

  void add(const std::string& name, bool dealtWith);

  Tally laggers() const;
  Tally honest() const;
  Tally far() const;
  // "DEALT of PLAYERS (SHARE%)", the share "-" of no players.
  static std::string dealtText(const Tally& tally);

  // The table per class, then the laggers, honest players and steady
  // high-latency links dealt with; headed by `source`.
  std::vector<std::string> lines(const std::string& source) const;

  // The tallies as one line of numbers, to pass between processes, and back.
  std::string text() const;
  static bool fromText(const std::string& text, ClassScores* scores);

 private:
  Tally sum(std::initializer_list<const char*> classes) const;

  std::map<std::string, Tally> tallies_;
};

// The scores of `source` (a column of `summary`): every player of the
// summary, dealt with when warned or spectated in that column.
std::vector<std::string> classScores(const LagSummary& summary,
                                     std::size_t source);

#endif  // TARVOK_TOOLS_EVIDENCE_ARENA_LOG_H_
