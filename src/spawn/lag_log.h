// LagLog: the optional record of every lag line a bot handles, for tuning
// its settings afterwards ("LagLog=FILE" in tarvok.ini; no file, no log).
//
// Each line is appended to FILE (relative to the current directory) with
// one write and the file closed at once, so several bots of one host may
// share it and nothing in it is ever rewritten; a header line comes first
// when the file is empty. Fields, tab-separated: the time (UTC, ISO 8601),
// the bot's handle, the player, their access level and ship, the requester
// ("*auto" for an automatic check), the seven figures as cut from the
// server's line, the limits reached ("-" for none), the strikes as "K/N" and
// what was done. A tab, CR or LF inside a name is written as a blank. A lag
// line that belonged to no request has an empty player, level, ship and
// requester; one that judged no listed player (nobody of that name, a
// player who left, a report that went nowhere) has an empty level and ship
// and "-" for its strikes.
//
// A file that cannot be opened or written never disturbs checking: the bot
// echoes one line naming the file, once per connection, and goes on.
#ifndef TARVOK_SPAWN_LAG_LOG_H_
#define TARVOK_SPAWN_LAG_LOG_H_

#include <cstdint>

#include "spawn/lag_watch.h"

class botInfo;
struct Player;

// The requester field of an automatic check.
constexpr const char* kAutomaticRequester = "*auto";

// What one handled lag line came to.
struct LagLogEntry {
  const char* playerName = "";  // empty: the line belonged to no request
  const char* requesterName = "";
  const Player* player = nullptr;  // the first player judged, if any
  std::uint8_t limits = 0;
  std::int32_t strikes = 0;
  std::int32_t strikesNeeded = 1;
  DealAction action = DealAction::None;
};

class LagLog {
 public:
  // A new connection: a failure is reported again.
  void connected() { failureReported_ = false; }
  // Appends `entry` with the bot's figures, when the bot has a log file.
  void append(botInfo& bot, const LagLogEntry& entry);

 private:
  bool failureReported_ = false;
};

#endif  // TARVOK_SPAWN_LAG_LOG_H_
