// LagSummary: what lag log rows say about each player, from one or two
// sources (a log as it was written and the same arena replayed): per player
// the checks, the checks that reached a limit, the warnings and the moves to
// spectator mode; and, when asked for, the figures over time and the times
// the bot warned or spectated (and the strikes short of that), for a chart.
// Players are told apart by name and bot handle; the table lists them most
// dealt with first.
#ifndef TARVOK_TOOLS_EVIDENCE_LAG_SUMMARY_H_
#define TARVOK_TOOLS_EVIDENCE_LAG_SUMMARY_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

#include "laglog/lag_log.h"

struct LagCounts {
  std::uint64_t checks = 0;
  std::uint64_t limitsReached = 0;
  std::uint64_t warned = 0;
  std::uint64_t spectated = 0;
  // Replayed checks that no logged figures answered.
  std::uint64_t blind = 0;

  void add(bool limitReached, LagAction action);
  void add(const LagCounts& other);
};

// A figure's text as a number; NaN when it is none.
float chartFigureOf(std::string_view text);

// The charted figures of one check: current and average ping (ms), the
// three losses (percent); NaN where the log's text is no number.
struct ChartPoint {
  std::uint64_t second;
  float figures[5];
  std::uint32_t arena = 0;  // index into LagSummary::arenas()
};
enum ChartFigure {
  kChartCurrent,
  kChartAverage,
  kChartS2C,
  kChartC2S,
  kChartS2CWeapons
};

struct ChartMark {
  std::uint64_t second;
  LagAction action;     // Warned or Spectated; None: a blind check or a strike
  std::uint8_t source;  // index of the source
  std::uint32_t arena = 0;  // index into LagSummary::arenas()
  // A strike short of dealing: its number, of how many deal (0: no strike).
  std::uint32_t strike = 0;
  std::uint32_t strikesOutOf = 0;
};

struct PlayerLag {
  LoggedHandle bot;
  std::string name;  // empty: lag lines that belonged to no request
  std::vector<LagCounts> counts;  // one per source
  std::vector<ChartPoint> points;
  std::vector<ChartMark> marks;
  // Per source, the strikes of the last row counted (for the strike marks).
  std::vector<std::uint32_t> lastStrikes = {};
};

class LagSummary {
 public:
  // The table's own rows. Longer than any name (at most 20 bytes), so no
  // player's row can be taken for them.
  static constexpr const char* kNoRequestLabel = "(lines nobody asked for)";
  static constexpr const char* kTotalLabel = "(all players together)";

  // `sources` names the columns ("logged", "replayed"); `charting` keeps
  // points and marks.
  LagSummary(std::vector<std::string> sources, bool charting);

  // Counts one check of `player` for `source` at `second`, under its bot
  // handle `bot` (presence rows count nothing), and returns the index of
  // the player in players(). `figures` (the five charted ones, or nullptr)
  // become a point when `source` is 0: the figures are the same in every
  // source.
  std::size_t add(std::size_t source, LoggedHandle bot,
                  const std::string& player, bool limitsReached,
                  LagAction action, std::uint64_t second,
                  const float* figures);
  // The same for a row, its figures read from its texts; a presence row
  // counts nothing and returns players().size().
  std::size_t add(std::size_t source, LoggedHandle bot, const LagLogRow& row,
                  std::uint64_t second);
  // The same for the player at `index` of players(), whom the caller knows
  // the row to be of: no lookup by name. Indexes hold until reorder().
  void addAt(std::size_t index, std::size_t source, const LagLogRow& row,
             std::uint64_t second);

  // Counts a check of `player` for `source` at `second` that no figures
  // answered (a blind check; a mark when charting).
  void addBlind(std::size_t source, LoggedHandle bot,
                const std::string& player, std::uint64_t second);

  // Moves every point and mark `seconds` earlier.
  void moveEarlier(std::uint64_t seconds);
  // Puts the players in the order of `before` (a stable sort), and each
  // player's points and marks in the order of their seconds: for rows
  // counted out of the order of their times.
  void reorder(const std::function<bool(const PlayerLag&, const PlayerLag&)>&
                   before);

  const std::vector<std::string>& sources() const { return sources_; }
  bool charting() const { return charting_; }
  const std::vector<PlayerLag>& players() const { return players_; }
  // The arenas that charted rows named, by the index their points and marks
  // hold; index 0 is "", rows that named none (and checks without a row).
  const std::vector<std::string>& arenas() const { return arenas_; }
  // The players in the order an operator reads them: the most warned and
  // spectated first (all sources together), then the most checks over a
  // limit, then by name; lag lines of no request last.
  std::vector<const PlayerLag*> playersByConcern() const;
  LagCounts total(std::size_t source) const;
  // True when rows of more than one bot were counted.
  bool severalBots() const { return severalBots_; }

  // The table as text, one line each: two header lines, a row per player
  // (by concern), the totals. When any check of the last source was blind,
  // a last column counts them.
  std::vector<std::string> table() const;
  // A player's name as the table shows it: escaped as the log escapes it
  // (control bytes as \t or \xNN, a backslash doubled), with "bot N: "
  // before it when there are several bots.
  std::string label(const PlayerLag& player) const;

 private:
  void count(PlayerLag& player, std::size_t source, bool limitsReached,
             LagAction action, std::uint64_t second, const float* figures,
             std::uint32_t arena = 0);
  // The index of a row's arena in arenas(), added when new.
  std::uint32_t arenaIndexOf(const LagLogRow& row);
  void markStrike(PlayerLag& player, std::size_t source, const LagLogRow& row,
                  std::uint64_t second);
  // The index of the player's row, added when new.
  std::size_t indexOf(LoggedHandle bot, const std::string& name);
  static std::string labelOf(const PlayerLag& player, bool severalBots);

  std::vector<std::string> sources_;
  bool charting_;
  std::vector<PlayerLag> players_;
  struct KeyHash {
    std::size_t operator()(
        const std::pair<LoggedHandle, std::string>& key) const {
      return std::hash<std::string>()(key.second) * 31 +
             static_cast<std::size_t>(key.first);
    }
  };
  std::unordered_map<std::pair<LoggedHandle, std::string>, std::size_t,
                     KeyHash>
      index_;
  std::size_t lastIndex_ = 0;  // rows of one player often come in a run
  std::vector<std::string> arenas_{std::string()};
  std::unordered_map<std::string, std::uint32_t> arenaIndex_;
  std::uint32_t lastArena_ = 0;  // and rows of one arena too
  bool severalBots_ = false;
};

#endif  // TARVOK_TOOLS_EVIDENCE_LAG_SUMMARY_H_
