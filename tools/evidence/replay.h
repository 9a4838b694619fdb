// Replay: plays the arena of a lag log again through the plug-in, under
// other settings, and counts what the plug-in does then beside what the log
// says it did.
//
// Loading reads the logs row by row, each line at most kLongestLine bytes
// (a longer one stops the load: "LOG:LINE: line longer than N bytes"); a
// line that is no row is reported on the error stream as "LOG:LINE: reason"
// and skipped (header and blank lines are taken silently). It keeps what
// the run needs to know ahead (the bots, each player's first level and ship
// and last row, the logged counts), and a compact copy of the rows (names,
// bots and arenas as indexes, the figures as text) while that copy stays
// within its budget (kKeptRowsBudget bytes), so that a run, or every run of
// a sweep, plays them without reading and parsing the logs again. Beyond
// the budget the copy is dropped: memory then grows with the players, not
// with the log, and running reads the logs again, as far as they were
// loaded. Either way the run feeds the plug-in one row after the other,
// holding only the rows near the simulated time. Rows are taken in the order of their
// times (the files merged, rows of one second in the order of the files,
// then of the lines; a row earlier than one before it in its file is
// played at the time reached); the first row's second is the simulated
// second 0. Names that differ in letter case alone are one player, as the
// plug-in compares names, shown as first read: older logs named a manually
// checked player as the requester typed the name ("farah" for Farah).
//
// Running drives a SimulatedHost, one simulated bot per logged bot handle,
// connected at its first row. Where a bot's rows say who is in its arena
// (presence rows: "connected", "arrived", "left", "ship", "arena-left"),
// the players come, go and change ships at the seconds logged; a checked
// player not yet listed is listed from that check on. A bot whose log has
// no presence rows (a log of the first format) lists each player until
// their last row, at the level and in the ship of their first row that
// has them (else level 0, ship 0), from their first row, or, when that is
// an automatic check, from the replayed grace before it (at the first
// row's second at the earliest) in ship 8 until the second before it; a
// player of such a bot whose check no logged figure answers waits in ship
// 8 until their next check row. A move to ship 8 right
// after the logged bot spectated the player was the bot's doing and is left
// to the replayed plug-in; a check row with the player in a ship brings
// them back to it.
//
// Rows that name an arena (a log of settings with arena sections) put the
// simulated bot in that arena before they are played (ArenaLeave and
// ArenaEnter, as the host does), so that the plug-in judges by that
// arena's section of the replayed settings; an "arena-left" row takes it
// out. The replay's own lag log lines then stand before the first section
// of its copy of the settings, which leaves the file's lag log lines out.
//
// A logged figure answers only a check near its row: the zone stand-in
// answers a "*lag" with the figures of the player's next unused row, in the
// log's order, from kFigureWindow seconds before the query to kFigureWindow
// seconds after it, each row answering once, and the answer arrives at the
// row's time (at once for a row of the past; before the replayed settings'
// answer timeout runs out at the latest). So an answer that came late
// comes as late again, and the replayed schedule of checks keeps to the
// logged one. Without such a row the zone does not answer: the check is
// blind (such checks are counted). Manual checks are typed again
// at their second by their requester ("!lagme" when the requester is the
// player), or just before the second of the bot's check before them where
// the replayed bot still waits for that check's answer then (the logged
// request waited for it too); a requester who is not listed then is listed for that second at
// level 12 in the spectator ship (neither rate-limited nor watched), in the
// arena of the row's bot. Automatic rows ask nothing: the replayed settings
// decide when to check. A lag line that belonged to no request is sent again
// as the server's line. The plug-in's own log (the settings get "LagLog="
// of a file in the work folder, without a cap) gives the replayed counts.
//
// Time: while no bot has a player, the time up to the next row passes at
// once; otherwise at most idleHorizon() seconds of a stretch without rows
// are played second by second (enough for every countdown of the settings
// to run out, but at most kLongestIdlePlay: a countdown of years,
// maxcheckrate=2147483647 say, would otherwise play every second of a long
// gap) and the rest passes at once. So the run is linear in the rows,
// whatever their time span and the settings' countdowns.
#ifndef TARVOK_TOOLS_EVIDENCE_REPLAY_H_
#define TARVOK_TOOLS_EVIDENCE_REPLAY_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/text_input.h"
#include "laglog/lag_log.h"
#include "evidence/lag_summary.h"
#include "laglog/spelling_table.h"
#include "hostkit/transcript.h"

struct ConfigSettings;

class Replay {
 public:
  // The longest line a log may hold, as for every file the tools read.
  static constexpr std::size_t kLongestLine = kLongestInputLine;
  // How far from its row a logged figure may answer a check, in seconds.
  static constexpr std::uint32_t kFigureWindow = 10;

  // `errors` gets the reports of skipped lines. `charting` keeps the
  // figures over time.
  Replay(std::FILE* errors, bool charting);

  // Called with each row as load() reads it, and with each row the replayed
  // plug-in logs (under the logged bot's handle) as run() goes.
  using RowObserver = std::function<void(const LagLogRow& row)>;
  void observeLoadedRows(RowObserver observer) {
    loadedObserver_ = std::move(observer);
  }
  void observeReplayedRows(RowObserver observer) {
    replayedObserver_ = std::move(observer);
  }
  // The replayed rows observed carry their figures and the simulated time
  // (seconds since 1970, as the logged rows' times), not the wall clock the
  // replayed plug-in stamped.
  void observeReplayedFigures() { replayedFigures_ = true; }

  // Reads one log; call it for each file of a set, oldest first. False,
  // with the reason in `failure`, when the file cannot be read at all or
  // holds a line longer than kLongestLine. Messages name the file `shownAs`
  // (a copy of a piped log is named as the pipe); empty: `path`.
  bool load(const std::string& path, std::string* failure,
            const std::string& shownAs = "");
  // After the last load: orders the rows and counts the logged ones.
  void finishLoading();

  // Called now and then while running with the rows played and their count.
  using Progress = std::function<void(std::size_t done, std::size_t total)>;

  // Plays the logs through `talk` with a tarvok.ini of `iniLines` (read by
  // the plug-in as `settings`), in the current directory. `transcript` (may
  // be nullptr) gets every event. False, with the reason in `failure`, when
  // the host refuses an action, when a log cannot be opened again or is no
  // longer the file load() read (rotated or replaced meanwhile, or cut
  // short), or when the replayed plug-in could not write its own log: the
  // counts would be cut.
  bool run(TalkFunction talk, const std::vector<std::string>& iniLines,
           const ConfigSettings& settings, Transcript* transcript,
           const Progress& progress, std::string* failure);

  // Sources: 0 logged, 1 replayed.
  const LagSummary& summary() const { return summary_; }
  // Check rows, the ones that count.
  std::size_t rows() const { return checkRows_; }
  // Every row, presence rows too.
  std::size_t allRows() const { return allRows_; }
  std::size_t skippedLines() const { return skipped_; }
  // Checks of the replayed plug-in that no logged figure was near (blind
  // checks), also counted per player in the summary's last source.
  std::size_t unansweredChecks() const { return unanswered_; }

  // Replayed checks answered by a logged row whose allowance they were not
  // given: the replayed settings lack it, or staff granted it live
  // (!lagallow), which no log row records and the replay cannot repeat.
  std::size_t allowancesNotGiven() const { return allowancesNotGiven_; }
  std::int64_t startTime() const { return startTime_; }
  std::uint64_t duration() const;

  // Seconds of a stretch without rows played second by second while a bot
  // has players: the longest countdown of `settings`, and some, up to
  // kLongestIdlePlay. A countdown longer than that is cut short only by a
  // stretch without rows longer than that.
  static std::uint32_t idleHorizon(const ConfigSettings& settings);
  static constexpr std::uint32_t kLongestIdlePlay = 7 * 24 * 3600;

  // The most bytes the compact copy of the loaded rows may take (a row
  // takes about 80); a budget set before the first load() replaces it.
  static constexpr std::size_t kKeptRowsBudget = std::size_t{256} << 20;
  void setKeptRowsBudget(std::size_t bytes) {
    keptRowsBudget_ = bytes;
    keepingRows_ = bytes != 0;
  }
  // True while the loaded rows are kept (and the logs are not read again).
  bool rowsKept() const { return keepingRows_; }

  // The file in the work folder that the replayed plug-in logs to.
  static constexpr const char* kReplayedLogName = "replayed-lag.log";

 private:
  static constexpr std::uint32_t kNobody = 0xFFFFFFFFu;

  struct LoggedRow;
  struct LoggedBot {
    LoggedHandle handle;
    bool presenceLogged = false;  // the log says who is in its arena
  };
  static constexpr std::size_t kNoSummaryRow = ~std::size_t{0};
  // What loading learnt of one logged player of one bot (kNobody: the
  // lines of the bot's that nobody asked for).
  struct KnownPlayer {
    std::int64_t lastTime = 0;     // of their last row
    std::int8_t level = -1;        // of their first row that has it
    std::int8_t ship = -1;
    // The time and load order (0: none) of their first check, which order
    // the table as the rows' times do.
    std::int64_t firstCheckTime = 0;
    std::uint64_t firstCheckRow = 0;
    bool firstCheckAutomatic = false;
    std::size_t summaryRow = kNoSummaryRow;  // of the summary, once counted
  };
  // One logged player of one bot: the check rows read that may answer a
  // "*lag", by sequence number.
  struct Figures {
    std::vector<std::uint64_t> rows;
    std::size_t next = 0;  // the first that may still answer
    std::uint32_t typedWaiting = 0;  // typed rows not answered yet
  };
  struct LoadedFile {
    std::string path;       // as given, for messages
    std::string absolute;   // the run may start in another folder
    std::uint64_t bytes = 0;  // read by load(); the run reads no further
    FileIdentity identity;    // of the file load() read
  };
  // A row as loading keeps it: names, bot and arena as indexes, its
  // figures as text at `figures` of keptFigures_ (or of a RowSource's own
  // text when the logs are read again).
  struct KeptRow {
    std::int64_t time = 0;
    std::uint32_t bot = 0;                    // bots_
    std::uint32_t player = kNobody;           // names_, or kNobody
    std::uint32_t requester = kNobody;        // names_, or kNobody
    std::uint32_t arena = kNobody;            // arenas_, or kNobody
    std::uint32_t figures = 0;
    std::int32_t allowanceMs = -1;  // of its "+allowance=" verdict; -1: none
    LagRowKind kind = LagRowKind::Check;
    LagAction action = LagAction::None;
    bool automatic = false;
    std::int8_t level = -1;
    std::int8_t ship = -1;
    std::uint16_t figureLengths[kFigureCount] = {};
  };
  // A row as the run plays it: the row as kept (the time it is played at),
  // and whether it was spent.
  struct LoggedRow : KeptRow {
    bool used = false;   // it answered a check
    bool typed = false;  // its manual request was typed again
    // Its figures where the logs are read again (else they stay where the
    // kept rows hold them): the zone's lag line is made of them only for
    // the rows that answer a check.
    std::string figureText;
  };
  // The figures of a row of the window, one after the other.
  const char* figureTextOf(const LoggedRow& row) const {
    return keepingRows_ ? keptFigures_.data() + row.figures
                        : row.figureText.data();
  }
  class RowSource;
  class Session;

  // `row` into `kept`, its figures appended to `text`.
  void compact(const LagLogRow& row, std::uint32_t bot, std::uint32_t player,
               std::uint32_t requester, KeptRow* kept,
               std::vector<char>* text);
  // `row` into the compact copy, while it stays within its budget.
  void keep(const LagLogRow& row, std::uint32_t bot, std::uint32_t player,
            std::uint32_t requester);
  // Room in the compact copy for the rows of a file of `fileBytes`.
  void reserveKeptRows(std::uint64_t fileBytes);
  void dropKeptRows();
  // The kept rows of several files in the order the run plays them.
  void mergeKeptFiles();

  void learn(LagLogRow& row);
  // Names that differ in letter case alone are one, under the spelling
  // first read.
  std::uint32_t nameOf(const std::string& name);
  // As nameOf(), kNobody for a name not read yet.
  std::uint32_t knownName(const std::string& name);
  // The name as first read, or `name` when not read yet.
  const std::string& spelledName(const std::string& name);
  // A check row of `bot` (bots_) into the summary's row of its player:
  // `summaryRow`, which is set when still kNoSummaryRow; found by name when
  // nullptr.
  void addToSummary(std::size_t source, std::uint32_t bot,
                    std::size_t* summaryRow, const LagLogRow& row,
                    std::uint64_t second);
  std::uint32_t arenaOf(const std::string& arena);
  std::uint32_t botOf(LoggedHandle handle);
  void report(std::uint32_t file, std::uint32_t line,
              const std::string& reason);
  bool answer(std::uint32_t bot, const std::string& name, std::int64_t time,
              std::string* line, std::uint32_t* late);
  // The window of rows read: from the oldest that may still answer a check
  // to the last read. Sequence numbers count the rows of the run.
  LoggedRow& rowAt(std::uint64_t sequence) {
    return window_[sequence & (window_.size() - 1)];
  }
  // A row more at the window's end (for every row read: the window grows
  // seldom).
  LoggedRow& pushRow() {
    if (windowEnd_ - windowStart_ == window_.size()) growWindow();
    return rowAt(windowEnd_++);
  }
  void growWindow();

  std::FILE* errors_;
  RowObserver loadedObserver_;
  RowObserver replayedObserver_;
  bool replayedFigures_ = false;
  std::vector<LoadedFile> files_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, std::uint32_t> nameIndex_;  // folded names
  // Every spelling read, with its name: a name is nearly always looked up
  // in a spelling met before, which needs no folding.
  SpellingTable spellings_;
  std::vector<std::string> arenas_;
  std::unordered_map<std::string, std::uint32_t> arenaIndex_;
  std::vector<LoggedBot> bots_;  // first seen first
  std::unordered_map<LoggedHandle, std::uint32_t> botIndex_;
  std::uint32_t lastBot_ = 0;  // found last by botOf()
  std::unordered_map<std::uint64_t, KnownPlayer> known_;
  // The compact copy of the rows loaded, and where each file's rows begin.
  std::size_t keptRowsBudget_ = kKeptRowsBudget;
  bool keepingRows_ = true;
  std::vector<KeptRow> kept_;
  std::vector<char> keptFigures_;
  std::vector<std::size_t> keptFileStart_;
  LagSummary summary_;
  std::size_t checkRows_ = 0;
  std::size_t allRows_ = 0;
  std::size_t skipped_ = 0;
  std::size_t unanswered_ = 0;
  std::size_t allowancesNotGiven_ = 0;
  // The "*lag" queries answered by a logged row, in their order, each until
  // the replayed row of its check is read: the player (bot and name), the
  // allowance of the row that answered, and when the answer arrives.
  struct Answered {
    std::uint64_t player;
    std::int32_t allowanceMs;
    std::int64_t time;
  };
  std::vector<Answered> answered_;
  // Those before it are matched already: the oldest is nearly always the
  // one matched, and is passed, not erased.
  std::size_t answeredFirst_ = 0;
  std::int64_t startTime_ = 0;
  std::int64_t endTime_ = 0;
  std::int64_t firstTime_ = 0;  // of the first row loaded
  bool anyRow_ = false;

  // While running.
  std::vector<LoggedRow> window_;  // a ring, its size a power of two
  std::uint64_t windowStart_ = 0;  // the oldest row kept
  std::uint64_t windowEnd_ = 0;    // one past the last row read
  std::unordered_map<std::uint64_t, Figures> figures_;
  std::uint32_t latestAnswer_ = 0;  // seconds after a query
  bool logEnded_ = false;  // every row has been played
};

// Blind checks among all the replayed checks, `blind` of them and
// `answered` others: "B of N replayed checks (P.P%)", and true when over
// 5 %, a share at which a replay's counts are not to be trusted.
std::string blindShareText(std::uint64_t blind, std::uint64_t answered);
bool tooManyBlind(std::uint64_t blind, std::uint64_t answered);
// The warning of a replay with too many blind checks.
extern const char* const kTooManyBlindWarning;

#endif  // TARVOK_TOOLS_EVIDENCE_REPLAY_H_
