#include "evidence/lag_summary.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

const char* const kColumns[] = {"checks", "limits reached", "warned",
                                "spectated"};

std::string padded(const std::string& text, std::size_t width, bool right) {
  if (text.size() >= width) return text;
  const std::string fill(width - text.size(), ' ');
  return right ? fill + text : text + fill;
}

std::uint64_t countOf(const LagCounts& counts, int column) {
  switch (column) {
    case 0:
      return counts.checks;
    case 1:
      return counts.limitsReached;
    case 2:
      return counts.warned;
    default:
      return counts.spectated;
  }
}

// Negative, 0 or positive as `a` sorts before, with or after `b`, letter
// case aside.
int compareIgnoringCase(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a[i]));
    const int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x - y;
  }
  return static_cast<int>(a.size() > common) - static_cast<int>(b.size() > common);
}

}  // namespace

float chartFigureOf(std::string_view text) {
  const std::string copy(text);
  char* end = nullptr;
  const float value = std::strtof(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() ||
      !std::isfinite(value)) {
    return std::numeric_limits<float>::quiet_NaN();
  }
  return value;
}

void LagCounts::add(bool limitReached, LagAction action) {
  ++checks;
  if (limitReached) ++limitsReached;
  if (action == LagAction::Warned) ++warned;
  if (action == LagAction::Spectated) ++spectated;
}

void LagCounts::add(const LagCounts& other) {
  checks += other.checks;
  limitsReached += other.limitsReached;
  warned += other.warned;
  spectated += other.spectated;
  blind += other.blind;
}

LagSummary::LagSummary(std::vector<std::string> sources, bool charting)
    : sources_(std::move(sources)), charting_(charting) {}

namespace {

// The five charted figures of a row, read from their texts.
void chartedFigures(const LagLogRow& row, float (&figures)[5]) {
  const int charted[] = {kCurrent, kAverage, kS2C, kC2S, kS2CWeapons};
  for (int i = 0; i < 5; ++i) figures[i] = chartFigureOf(row.figures[charted[i]]);
}

}  // namespace

std::size_t LagSummary::add(std::size_t source, LoggedHandle bot,
                            const LagLogRow& row, std::uint64_t second) {
  if (row.kind != LagRowKind::Check) return players_.size();
  float figures[5];
  if (charting_ && source == 0) chartedFigures(row, figures);
  const std::size_t index = indexOf(bot, row.player);
  count(players_[index], source, row.limits != 0, row.action, second,
        figures, charting_ ? arenaIndexOf(row) : 0);
  markStrike(players_[index], source, row, second);
  return index;
}

void LagSummary::addAt(std::size_t index, std::size_t source,
                       const LagLogRow& row, std::uint64_t second) {
  if (row.kind != LagRowKind::Check) return;
  float figures[5];
  if (charting_ && source == 0) chartedFigures(row, figures);
  lastIndex_ = index;
  count(players_[index], source, row.limits != 0, row.action, second, figures,
        charting_ ? arenaIndexOf(row) : 0);
  markStrike(players_[index], source, row, second);
}

std::uint32_t LagSummary::arenaIndexOf(const LagLogRow& row) {
  if (!row.hasArena || row.arena.empty()) return 0;
  if (arenas_[lastArena_] != row.arena) {
    auto found = arenaIndex_.find(row.arena);
    if (found == arenaIndex_.end()) {
      found = arenaIndex_
                  .emplace(row.arena, static_cast<std::uint32_t>(arenas_.size()))
                  .first;
      arenas_.push_back(row.arena);
    }
    lastArena_ = found->second;
  }
  return lastArena_;
}

// A strike short of dealing: the row's count of strikes rose, or started
// again after a dealing. A check too soon after a strike keeps the count,
// and one within the limits forgives them: neither is a strike.
void LagSummary::markStrike(PlayerLag& player, std::size_t source,
                            const LagLogRow& row, std::uint64_t second) {
  if (!charting_ || row.strikesOutOf == 0) return;
  if (player.lastStrikes.size() < sources_.size()) {
    player.lastStrikes.resize(sources_.size(), 0);
  }
  std::uint32_t& last = player.lastStrikes[source];
  const bool dealt =
      row.action == LagAction::Warned || row.action == LagAction::Spectated;
  if (row.strikes != 0 && row.strikes != last && !dealt &&
      row.action != LagAction::Announced) {
    ChartMark mark{second, LagAction::None, static_cast<std::uint8_t>(source)};
    mark.arena = arenaIndexOf(row);
    mark.strike = row.strikes;
    mark.strikesOutOf = row.strikesOutOf;
    player.marks.push_back(mark);
  }
  // After a dealing the strikes start again from 0.
  last = dealt || row.action == LagAction::Announced ? 0 : row.strikes;
}

std::size_t LagSummary::add(std::size_t source, LoggedHandle bot,
                            const std::string& name, bool limitsReached,
                            LagAction action, std::uint64_t second,
                            const float* figures) {
  count(players_[indexOf(bot, name)], source, limitsReached, action, second,
        figures);
  return lastIndex_;
}

std::size_t LagSummary::indexOf(LoggedHandle bot, const std::string& name) {
  if (lastIndex_ >= players_.size() || players_[lastIndex_].bot != bot ||
      players_[lastIndex_].name != name) {
    std::pair<LoggedHandle, std::string> key(bot, name);
    auto found = index_.find(key);
    if (found == index_.end()) {
      found = index_.emplace(key, players_.size()).first;
      if (!players_.empty() && players_.front().bot != bot) severalBots_ = true;
      players_.push_back(PlayerLag{
          bot, key.second, std::vector<LagCounts>(sources_.size()), {}, {}});
    }
    lastIndex_ = found->second;
  }
  return lastIndex_;
}

void LagSummary::addBlind(std::size_t source, LoggedHandle bot,
                          const std::string& player, std::uint64_t second) {
  PlayerLag& lag = players_[indexOf(bot, player)];
  ++lag.counts[source].blind;
  if (charting_) {
    lag.marks.push_back(
        ChartMark{second, LagAction::None, static_cast<std::uint8_t>(source)});
  }
}

void LagSummary::count(PlayerLag& player, std::size_t source,
                       bool limitsReached, LagAction action,
                       std::uint64_t second, const float* figures,
                       std::uint32_t arena) {
  player.counts[source].add(limitsReached, action);
  if (!charting_) return;
  if (source == 0 && figures != nullptr) {
    ChartPoint point{second, {}, arena};
    for (int i = 0; i < 5; ++i) point.figures[i] = figures[i];
    player.points.push_back(point);
  }
  if (action == LagAction::Warned || action == LagAction::Spectated) {
    player.marks.push_back(
        ChartMark{second, action, static_cast<std::uint8_t>(source), arena});
  }
}

void LagSummary::moveEarlier(std::uint64_t seconds) {
  for (PlayerLag& player : players_) {
    for (ChartPoint& point : player.points) point.second -= seconds;
    for (ChartMark& mark : player.marks) mark.second -= seconds;
  }
}

void LagSummary::reorder(
    const std::function<bool(const PlayerLag&, const PlayerLag&)>& before) {
  std::stable_sort(players_.begin(), players_.end(), before);
  for (std::size_t i = 0; i < players_.size(); ++i) {
    index_[{players_[i].bot, players_[i].name}] = i;
    PlayerLag& player = players_[i];
    std::stable_sort(player.points.begin(), player.points.end(),
                     [](const ChartPoint& a, const ChartPoint& b) {
                       return a.second < b.second;
                     });
    std::stable_sort(player.marks.begin(), player.marks.end(),
                     [](const ChartMark& a, const ChartMark& b) {
                       return a.second < b.second;
                     });
  }
  lastIndex_ = 0;
}

std::vector<const PlayerLag*> LagSummary::playersByConcern() const {
  struct Concern {
    const PlayerLag* player;
    bool nobody;
    std::uint64_t dealtWith;
    std::uint64_t limitsReached;
  };
  std::vector<Concern> concerns;
  for (const PlayerLag& player : players_) {
    LagCounts all;
    for (const LagCounts& counts : player.counts) all.add(counts);
    concerns.push_back({&player, player.name.empty(),
                        all.warned + all.spectated, all.limitsReached});
  }
  std::stable_sort(concerns.begin(), concerns.end(),
                   [](const Concern& a, const Concern& b) {
                     if (a.nobody != b.nobody) return b.nobody;
                     if (a.dealtWith != b.dealtWith) {
                       return a.dealtWith > b.dealtWith;
                     }
                     if (a.limitsReached != b.limitsReached) {
                       return a.limitsReached > b.limitsReached;
                     }
                     const int byName =
                         compareIgnoringCase(a.player->name, b.player->name);
                     if (byName != 0) return byName < 0;
                     if (a.player->name != b.player->name) {
                       return a.player->name < b.player->name;
                     }
                     return a.player->bot < b.player->bot;
                   });
  std::vector<const PlayerLag*> ordered;
  for (const Concern& concern : concerns) ordered.push_back(concern.player);
  return ordered;
}

LagCounts LagSummary::total(std::size_t source) const {
  LagCounts sum;
  for (const PlayerLag& player : players_) sum.add(player.counts[source]);
  return sum;
}

std::string LagSummary::label(const PlayerLag& player) const {
  return labelOf(player, severalBots());
}

std::string LagSummary::labelOf(const PlayerLag& player, bool severalBots) {
  std::string name =
      player.name.empty() ? kNoRequestLabel : lagLogEscaped(player.name, false);
  if (severalBots) name = "bot " + std::to_string(player.bot) + ": " + name;
  return name;
}

std::vector<std::string> LagSummary::table() const {
  std::size_t sourceWidth = 0;
  for (const std::string& source : sources_) {
    sourceWidth = std::max(sourceWidth, source.size());
  }
  std::size_t columnWidth = 0;
  for (const char* column : kColumns) {
    columnWidth = std::max(columnWidth, std::string(column).size());
  }
  columnWidth = std::max(columnWidth, (sourceWidth + 1) * sources_.size());
  const std::size_t cellWidth = columnWidth / sources_.size();

  const bool several = severalBots();
  std::vector<std::string> labels;
  std::size_t nameWidth = std::string(kTotalLabel).size();
  for (const PlayerLag& player : players_) {
    labels.push_back(labelOf(player, several));
    nameWidth = std::max(nameWidth, labels.back().size());
  }
  std::string top = padded("", nameWidth, false);
  std::string second = padded("player", nameWidth, false);
  for (const char* column : kColumns) {
    top += "  " + padded(column, columnWidth, true);
    second += "  ";
    std::string cells;
    for (const std::string& source : sources_) {
      cells += padded(sources_.size() > 1 ? source : column, cellWidth, true);
    }
    second += padded(cells, columnWidth, true);
  }
  // Blind checks have no logged counterpart: one cell, of the last source.
  const bool blindColumn = total(sources_.size() - 1).blind != 0;
  const std::string blindWords = "blind";
  const std::size_t blindWidth =
      std::max(blindWords.size(), sources_.back().size());
  if (blindColumn) {
    top += "  " + padded(blindWords, blindWidth, true);
    second += "  " + padded(sources_.size() > 1 ? sources_.back() : blindWords,
                            blindWidth, true);
  }
  std::vector<std::string> lines;
  lines.push_back(sources_.size() > 1 ? top : std::string());
  lines.push_back(second);

  auto rowOf = [&](const std::string& name,
                   const std::vector<LagCounts>& counts) {
    std::string line = padded(name, nameWidth, false);
    for (int column = 0; column < 4; ++column) {
      std::string cells;
      for (const LagCounts& each : counts) {
        cells += padded(std::to_string(countOf(each, column)), cellWidth, true);
      }
      line += "  " + padded(cells, columnWidth, true);
    }
    if (blindColumn) {
      line += "  " + padded(std::to_string(counts.back().blind), blindWidth,
                            true);
    }
    return line;
  };
  for (const PlayerLag* player : playersByConcern()) {
    lines.push_back(rowOf(labels[player - players_.data()], player->counts));
  }
  std::vector<LagCounts> totals;
  for (std::size_t source = 0; source < sources_.size(); ++source) {
    totals.push_back(total(source));
  }
  lines.push_back(rowOf(kTotalLabel, totals));
  // Trailing blanks tell nothing.
  for (std::string& line : lines) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
  }
  if (lines.front().empty()) lines.erase(lines.begin());
  return lines;
}
