// LagLog: the optional record of every lag line a bot handles and of who is
// in its arena, for tuning its settings afterwards ("LagLog=FILE" in
// tarvok.ini; no file, no log).
//
// Each row is appended to FILE (relative to the current directory) with
// one write of at most kMostRowBytes, so several bots of one host may share
// it and nothing in it is ever rewritten; a header line comes first when the
// file is empty, in the same write. When the file does not end with a line
// end (a write that failed half-way, on a full disk say), the row starts
// with one, so no row is ever glued to a torn one. The file stays open for
// the rows of one wall-clock second (at a busy arena's rate an open and a
// close per row cost more than the check): it is closed at the first row or
// Tick of a later second, at a connection and a disconnection, after a
// failed write, and when the bot goes, so a file moved or removed by someone
// else is let go within a second. On Windows, where nobody can move or
// remove a file while it is open, each row closes it again. At opening the
// file's last byte is read; then each row is appended where the file ends
// (other bots' rows included), which its position after the write gives, so a
// held file costs one write a row and a look at the position. Only a row torn
// by another writer within the second could then be followed on its line.
//
// The rows' fields, names and escaping are the lag log's schema
// (spawn/lag_log_schema.h), which the evidence tools read by. What the rows
// say: a check's row names the player as listed when the check judged them
// (whatever the letter case the requester typed); a lag line that belonged
// to no request has an empty player, level, ship and requester, and one
// that judged no listed player (nobody of that name, a player who left, a
// report that went nowhere) an empty level and ship and "-" for its
// strikes. When fair limits spared or shaped the check, its verdicts
// follow the action; without fair limits the action stands alone, as in
// logs written before them.
//
// Presence rows say who is in the arena, so that a replay lists the players
// only where they were: "arrived", "left" and "ship" (the player's new
// ship); "connected" (at Init, or, when only an arena section names the
// log, at the first ArenaEnter after it; every player already listed
// follows as "arrived") and "arena-left" (the bot's player list was
// emptied). While tarvok.ini has population sections, a row "players=N"
// stands before the first row judged by the section [players N]
// ("players=0": by none) after one judged by another. Readers of the first
// format reject these rows and skip them.
//
// While tarvok.ini has arena sections, every row ends with the arena whose
// settings judged it (empty before the bot entered one), and a header
// written then names that column. Without sections rows are as before, so
// logs written before stay readable and a reader of sixteen fields reads
// every log of a host without sections.
//
// When the file would grow beyond LagLogMaxBytes (0: no cap), it becomes
// FILE.1 (FILE.1 becomes FILE.2, and so on, kKeptFiles of them kept, the
// oldest dropped) and a new FILE begins with its header; an empty file
// never rotates. Under a cap the size is looked at before every row, and
// before rotating the file is opened afresh by its name, so that bots
// sharing it (of this host or another) rotate it once per cap; a bot of
// this library holding the file from before a rotation lets it go. A
// rotation that fails (no right to rename; on Windows, another program
// holding the file open) is echoed once ("cannot rotate"), and tried again
// in a later second; meanwhile the file grows past its cap with its one
// header. When a capped log's row finds the disk full, the oldest rotated
// file is removed to make room (and echoed): new rows outweigh old ones.
//
// A file that cannot be opened or written never disturbs checking: the bot
// echoes one line naming the file, and echoes it again only after a row has
// been written since: once per run of failures.
#ifndef TARVOK_SPAWN_LAG_LOG_H_
#define TARVOK_SPAWN_LAG_LOG_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "spawn/config_keys.h"
#include "spawn/lag_log_schema.h"
#include "spawn/lag_watch.h"

class botInfo;
struct Player;

// What one handled lag line came to.
// The keys of the log group (config_keys.h): the lag log, and what staff
// and the arena are told beside a check; none of them judges one.
struct LogSettings {
  String lagLogPath;  // empty: no lag log
  // Bytes before the log rotates; 0: never.
  std::int32_t lagLogMaxBytes = configDefault(ConfigField::lagLogMaxBytes);
  // The lowest access level told of a dealing; 0: nobody.
  std::int32_t notifyLevel = configDefault(ConfigField::notifyLevel);
  // 1: the arena hears why nobody is dealt with.
  std::int32_t sayHolds = configDefault(ConfigField::sayHolds);
};

struct LagLogEntry {
  const char* playerName = "";  // empty: the line belonged to no request
  const char* requesterName = "";
  bool automatic = false;
  const Player* player = nullptr;  // the first player judged, if any
  std::uint8_t limits = 0;
  std::int32_t strikes = 0;
  std::int32_t strikesNeeded = 1;
  DealAction action = DealAction::None;
  // Fair limits: VerdictBit, and the allowance added to the ping limits.
  std::uint8_t verdicts = 0;
  std::int32_t allowanceMs = 0;
};

// A change of who is in the arena.
enum class Presence : std::uint8_t {
  Arrived,
  Left,
  Ship,
  Connected,
  ArenaLeft
};

class LagLog {
 public:
  // A figure's text is logged up to this many bytes: far more than any
  // number the plug-in judges.
  static constexpr std::size_t kFigureBytes = lag_log_schema::kFigureBytes;
  // A row's largest size, with the header and a leading line end.
  static constexpr std::size_t kMostRowBytes = lag_log_schema::kMostRowBytes;
  // Rotated files kept beside FILE: FILE.1 to FILE.3.
  static constexpr int kKeptFiles = 3;

  LagLog() = default;
  ~LagLog() { close(); }
  LagLog(const LagLog&) = delete;
  LagLog& operator=(const LagLog&) = delete;

  // A new connection (the file may be another): a failure is reported
  // again, and the file is opened afresh.
  void connected() {
    failureReported_ = false;
    rotationFailureReported_ = false;
    connectionUnlogged_ = false;
    close();
  }
  // The bot entered an arena and read its settings: a connection whose
  // "connected" row no log took (LagLog only in arena sections) has it
  // written now, in the arena's log.
  void arenaEntered(botInfo& bot) {
    if (connectionUnlogged_) appendPresence(bot, Presence::Connected, nullptr);
  }
  // The bot disconnects: its file is let go.
  void disconnected() { close(); }
  // A second passes: a file held open since an earlier second is closed.
  void tick() {
    if (file_ != nullptr && std::time(nullptr) != openedSecond_) close();
  }
  // Appends `entry` with the bot's figures, when the bot has a log file.
  void append(botInfo& bot, const LagLogEntry& entry);
  // Appends a presence row; `player` is nullptr for Connected and ArenaLeft.
  // Connected is followed by an Arrived row for each listed player.
  void appendPresence(botInfo& bot, Presence event, const Player* player);
  // Before a row judged by population section `players` (0: none) when
  // the row before it of this bot was judged by another: a row of the
  // bot's own, "players=N" in the action field.
  void appendSection(botInfo& bot, std::int32_t players);

 private:
  void write(botInfo& bot, const char* row, std::size_t size);
  // Opens the bot's file by its name; false when it cannot be.
  bool open(botInfo& bot);
  // Appends the row, rotating first when it would take the file past its
  // cap; false when it is not written, `diskFull` telling whether for lack
  // of room.
  bool put(botInfo& bot, const char* row, std::size_t size, bool* diskFull);
  // Rotates the file, or says once that it cannot.
  void rotateOrSay(botInfo& bot);
  // The row's time: the wall clock's second, formatted once per second.
  const char* timeStamp();
  void close();

  bool failureReported_ = false;
  bool connectionUnlogged_ = false;  // no log path at the last Init
  std::FILE* file_ = nullptr;  // held open for one second's rows
  String openPath_;            // the path file_ was opened by
  std::time_t openedSecond_ = -1;
  long end_ = -1;  // where file_ ended after this bot's last row
  std::uint32_t rotationsSeen_ = 0;  // rotations done when file_ was opened
  std::time_t rotationFailedSecond_ = -1;
  bool rotationFailureReported_ = false;
  std::time_t stampSecond_ = -1;
  char stamp_[32] = "";
};

#endif  // TARVOK_SPAWN_LAG_LOG_H_
