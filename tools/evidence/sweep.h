// Sweep: many settings side by side over one lag log. A sweep varies some
// number keys of a base tarvok.ini ("--vary strikes=1..4", "--vary
// autocheck=10,30,60"), replays the log once per combination of their
// values, and measures each combination by what the replayed plug-in did
// to the players, against one yardstick for every row: the log's own
// checks judged by the plug-in's own judgement under the base settings
// (SweepYardstick).
//
// The yardstick sorts the logged players of each bot: a "lagger" when most
// of their checks were over a limit that counts; "spared" when most were
// over the plain limits but the base settings forgive them on purpose (an
// allowance, a steady link); "honest" when at most one check in ten was
// over (a spike), or when spared. A combination's outcome counts its checks
// over a limit (by its own limits), the players announced (any check of
// theirs announced in the arena), warned (warned, or warned and spectated)
// and spectated, the honest players it spectated, the laggers it never
// warned nor spectated (let through), and apart from those the players
// spared on purpose: laggers its own plug-in forgave as steady, and the
// base's spared players that it left be.
//
// Rows are ordered best trade-off first: fewest players misjudged (honest
// players spectated plus laggers let through), then fewest honest players
// spectated (the costlier mistake), then fewest laggers let through, then
// fewest players spectated (as right, the milder), then the order of the
// combinations.
#ifndef TARVOK_TOOLS_EVIDENCE_SWEEP_H_
#define TARVOK_TOOLS_EVIDENCE_SWEEP_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "settings/config_check.h"
#include "spawn/check_judgement.h"
#include "evidence/arena_log.h"
#include "laglog/lag_log.h"

// One --vary: a key of tarvok.ini (without its '=') and its values.
struct SweepAxis {
  std::string key;
  std::vector<std::int32_t> values;
};

// The most combinations a sweep runs.
constexpr std::size_t kMostSweepCombinations = 1000;

// Reads "KEY=A..B", "KEY=A..B:STEP" or "KEY=A,B,C". False, with the reason
// in `error`, for an unknown key, one that cannot vary (texts, the lag
// log's), a value that is no whole number, a range that runs backwards, a
// step below 1, or more than kMostSweepCombinations values.
bool parseSweepAxis(const std::string& text, SweepAxis* axis,
                    std::string* error);

// The keys a sweep can vary, from the one key table: "current, average,
// ...", without their '='.
std::string sweepKeyNames();

// The combinations of `axes`, the last axis varying fastest: each a value
// per axis. Empty, with the reason in `error`, beyond
// kMostSweepCombinations or when a key is given twice.
std::vector<std::vector<std::int32_t>> sweepCombinations(
    const std::vector<SweepAxis>& axes, std::string* error);

// The lines of the base tarvok.ini with the axes' keys set to `values`:
// their lines before the first arena section replaced by one each at the
// end of that part (an arena section that sets a key keeps its own value).
std::vector<std::string> sweepIniLines(const std::vector<std::string>& base,
                                       const std::vector<SweepAxis>& axes,
                                       const std::vector<std::int32_t>& values);

// The value the plug-in runs on for `key` under `settings`, and for a
// `value` written in its file (a value below the key's lowest may fall back
// to the default).
std::int32_t sweepSettingOf(const ConfigSettings& settings,
                            const std::string& key);
std::int32_t sweepRepairedValue(const std::string& key, std::int32_t value);

// The players of a log sorted by the yardstick: the plug-in's own
// judgement of each logged check (spawn/check_judgement.h) under the base
// settings, as a bot of the row's arena would judge it: the arena's
// section, the population section the log names, the player's allowance,
// and the steady verdict over their earlier logged checks (with the watch
// on). A check is over a limit when a limit it reached counts against the
// player; reached but forgiven by the allowance or as steady, it is spared.
class SweepYardstick {
 public:
  explicit SweepYardstick(const ConfigCheck& base) : base_(base) {}
  // A logged row: checks are judged, presence rows keep the players' and
  // the bots' state as the plug-in keeps it; lines of no request count
  // nothing.
  void addLogged(const LagLogRow& row);

  bool logged(LoggedHandle bot, const std::string& player) const;
  // At most one check in ten over a limit, or spared on purpose.
  bool honest(LoggedHandle bot, const std::string& player) const;
  // Over a limit in most checks.
  bool lagger(LoggedHandle bot, const std::string& player) const;
  // No lagger, but over the plain limits in most checks: the base settings
  // spare them on purpose (allowance, steady).
  bool spared(LoggedHandle bot, const std::string& player) const;
  std::size_t honestPlayers() const;
  std::size_t laggers() const;
  std::size_t sparedPlayers() const;
  // The laggers: bot handle and name.
  std::vector<std::pair<LoggedHandle, std::string>> laggerList() const;
  // The players spared on purpose: bot handle and name.
  std::vector<std::pair<LoggedHandle, std::string>> sparedList() const;
  // Every logged player: bot handle and name.
  std::vector<std::pair<LoggedHandle, std::string>> playerList() const;

 private:
  struct Checks {
    std::uint32_t checks = 0;
    std::uint32_t over = 0;
    std::uint32_t forgiven = 0;  // reached a plain limit, spared on purpose
    CheckHistory history;        // the judged checks, newest first
    bool left = false;
    std::int64_t leftAt = 0;
  };
  // The settings a bot judges with in `arena` under population section
  // `players` (0: none), kept for the bot's next rows.
  struct InForce {
    bool known = false;
    std::string arena;
    std::uint32_t players = 0;
    ConfigSettings settings;
  };
  const Checks* find(LoggedHandle bot, const std::string& player) const;
  const ConfigSettings& settingsFor(const LagLogRow& row);
  void judge(const LagLogRow& row);
  static bool isLagger(const Checks& checks);
  static bool isSpared(const Checks& checks);
  static bool isHonest(const Checks& checks);

  ConfigCheck base_;
  std::map<std::pair<LoggedHandle, std::string>, Checks> players_;
  std::map<LoggedHandle, std::uint32_t> populationOf_;
  std::map<LoggedHandle, InForce> inForce_;
};

// What one combination's replay did.
struct SweepOutcome {
  std::uint64_t checksOver = 0;
  std::uint64_t announced = 0;
  std::uint64_t warned = 0;
  std::uint64_t spectated = 0;
  std::uint64_t honestSpectated = 0;
  std::uint64_t laggersLetThrough = 0;
  // Laggers by the yardstick never warned nor spectated whom the replayed
  // plug-in forgave on purpose: a check over a limit judged steady.
  std::uint64_t sparedOnPurpose = 0;
  std::uint64_t checks = 0;  // answered by logged figures
  std::uint64_t blind = 0;   // no logged figures answered them

  // "B (P.P%)": the blind checks and their share of all the checks, with
  // "!" after it when the share is over 5 %.
  std::string blindText() const;
  bool tooManyBlind() const;

  // One line of numbers, to pass between processes, and back.
  std::string text() const;
  static bool fromText(const std::string& text, SweepOutcome* outcome);
};

// Collects the rows a replayed plug-in logs into an outcome.
class SweepCounter {
 public:
  void addReplayed(const LagLogRow& row);
  SweepOutcome outcome(const SweepYardstick& yardstick) const;
  // The scores by class of the log's players and any the replay alone
  // checked, as a replay with --classes prints them.
  ClassScores classScores(const SweepYardstick& yardstick) const;

 private:
  struct Dealt {
    bool announced = false;
    bool warned = false;
    bool spectated = false;
    bool spared = false;  // a check over a limit forgiven as steady
  };
  std::uint64_t checksOver_ = 0;
  std::uint64_t checks_ = 0;
  struct KeyHash {
    std::size_t operator()(
        const std::pair<LoggedHandle, std::string>& key) const {
      return std::hash<std::string>()(key.second) * 31 +
             static_cast<std::size_t>(key.first);
    }
  };
  // Looked up for every replayed check; only sums are taken over it.
  std::unordered_map<std::pair<LoggedHandle, std::string>, Dealt, KeyHash>
      players_;
};

// One row of a sweep's result.
struct SweepRow {
  std::vector<std::string> values;  // one per axis, as shown
  bool base = false;                // the base settings
  SweepOutcome outcome;
  bool classed = false;  // scored by class (a generated arena's log)
  ClassScores classes;
};

// The line under a table with rows marked "!" for their blind checks.
extern const char* const kSweepBlindNote;
bool anyTooManyBlind(const std::vector<SweepRow>& rows);

// `rows` best trade-off first (see above); a stable order.
void sortSweepRows(std::vector<SweepRow>* rows);

// The table: a header line with the axes' keys and the columns, then a row
// each, the base marked with "*" in front; the blind checks last. Classed rows add the laggers,
// honest players and steady high-latency links dealt with.
std::vector<std::string> sweepTable(const std::vector<SweepAxis>& axes,
                                    const std::vector<SweepRow>& rows);

// A self-contained page (inline SVG, no script) at most 700 pixels wide:
// the notes (the blind warning in red), a key, the trade-off plot of
// SweepPlot (laggers let through across, honest players spectated up; rows
// with the same scores one mark), with --classes a second plot of the
// class scores, then the table.
struct SweepChartPage {
  std::string title;
  std::vector<std::string> notes;
};
std::string sweepChartHtml(const SweepChartPage& page,
                           const std::vector<SweepAxis>& axes,
                           const std::vector<SweepRow>& rows);

#endif  // TARVOK_TOOLS_EVIDENCE_SWEEP_H_
