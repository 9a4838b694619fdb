// Replay: plays the arena of a lag log again through the plug-in, under
// other settings, and counts what the plug-in does then beside what the log
// says it did.
//
// Loading reads the log row by row: a line that is no row is reported on
// the error stream as "LOG:LINE: reason" and skipped (a header line is
// taken silently). Rows are then taken in the order of their times (rows of
// one second in the order of the file); the first row's second is the
// simulated second 0.
//
// Running drives a SimulatedHost, one simulated bot per logged bot handle:
// each logged player is listed from their first row to their last, at the
// level and in the ship of their first row that has them (else level 0,
// ship 0). The figures in force are those of the player's latest row, and
// the zone stand-in answers every "*lag", manual or automatic, with them. A
// change of ship between rows is the player's, except a move to ship 8 after
// the bot spectated them, which was the bot's doing and is left to the
// replayed plug-in. Manual checks are typed again at their second by their
// requester ("!lagme" when the requester is the player); a requester who is
// not listed then is listed for that second at level 12 in the spectator
// ship (neither rate-limited nor watched). Automatic rows ask nothing:
// the replayed settings decide when to check. A lag line that belonged to
// no request is sent again as the server's line. The plug-in's own log
// (the settings get "LagLog=" of a file in the work folder) gives the
// replayed counts, each row at the simulated second it was written.
#ifndef TARVOK_TOOLS_SIM_REPLAY_H_
#define TARVOK_TOOLS_SIM_REPLAY_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "hostkit/plugin_library.h"
#include "sim/lag_log.h"
#include "sim/lag_summary.h"
#include "sim/transcript.h"

class Replay {
 public:
  // `logName` is how messages name the log; `errors` gets the reports of
  // skipped lines. `charting` keeps the figures over time.
  Replay(std::string logName, std::FILE* errors, bool charting);

  // Reads the log. False, with the reason in `failure`, when it cannot be
  // read at all.
  bool load(const std::string& path, std::string* failure);

  // Called now and then while running with the rows played and their count.
  using Progress = std::function<void(std::size_t done, std::size_t total)>;

  // Plays the log through `talk` with a tarvok.ini of `iniLines`, in the
  // current directory. `transcript` (may be nullptr) gets every event.
  // False, with the reason in `failure`, when the host refuses an action.
  bool run(TalkFunction talk, const std::vector<std::string>& iniLines,
           Transcript* transcript, const Progress& progress,
           std::string* failure);

  // Sources: 0 logged, 1 replayed.
  const LagSummary& summary() const { return summary_; }
  std::size_t rows() const { return checks_.size(); }
  std::size_t skippedLines() const { return skipped_; }
  // Rows whose figures are no numbers the zone stand-in can send: the
  // previous figures held.
  std::size_t heldFigures() const { return held_; }
  std::int64_t startTime() const { return startTime_; }
  std::uint32_t duration() const;

  // The file in the work folder that the replayed plug-in logs to.
  static constexpr const char* kReplayedLogName = "replayed-lag.log";

 private:
  static constexpr std::uint32_t kNobody = 0xFFFFFFFFu;
  static constexpr std::uint32_t kAutomatic = 0xFFFFFFFEu;

  // A row, compact: texts as indexes into names_ and texts_.
  struct LoggedCheck {
    std::int64_t time;
    std::uint32_t line;
    std::uint32_t bot;                    // the logged handle
    std::uint32_t player;                 // names_, or kNobody
    std::uint32_t requester;              // names_, kNobody or kAutomatic
    std::uint32_t figures[kFigureCount];  // texts_
    std::int8_t level;
    std::int8_t ship;
    bool limitsReached;
    LagAction action;
  };

  void addRow(const LagLogRow& row, std::uint32_t line);
  std::uint32_t intern(std::vector<std::string>& table,
                       std::unordered_map<std::string, std::uint32_t>& index,
                       std::string_view text);
  void countLogged();
  void report(std::uint32_t line, const std::string& reason);

  std::string logName_;
  std::FILE* errors_;
  std::vector<LoggedCheck> checks_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, std::uint32_t> nameIndex_;
  std::vector<std::string> texts_;
  std::unordered_map<std::string, std::uint32_t> textIndex_;
  std::vector<std::uint32_t> botHandles_;  // logged handles, first seen first
  LagSummary summary_;
  std::size_t skipped_ = 0;
  std::size_t held_ = 0;
  std::int64_t startTime_ = 0;
};

#endif  // TARVOK_TOOLS_SIM_REPLAY_H_
