#include "evidence/sweep.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "evidence/replay.h"
#include "evidence/sweep_chart.h"
#include "hostkit/shown_text.h"
#include "spawn/arena_section.h"
#include "spawn/population_section.h"
#include "spawn/config_keys.h"
#include "util/text.h"

namespace {

// The settings field of each key, in the order of kConfigKeys.
struct NumberField {
  std::int32_t ConfigSettings::*number = nullptr;
  constexpr NumberField(std::int32_t ConfigSettings::*field) : number(field) {}
  constexpr NumberField(std::string ConfigSettings::*) {}
};
#define TARVOK_SWEEP_FIELD(kind, key, field, ...) \
  NumberField(&ConfigSettings::field),
constexpr NumberField kNumberFields[] = {
    TARVOK_CONFIG_KEYS(TARVOK_SWEEP_FIELD)};
#undef TARVOK_SWEEP_FIELD

// The key that a sweep may vary, by its name without '='; nullptr for none.
const ConfigKey* sweepKey(const std::string& name) {
  for (const ConfigKey& key : kConfigKeys) {
    if (key.kind != ConfigKind::Number || key.group == ConfigGroup::Log ||
        key.group == ConfigGroup::Messages) {
      continue;
    }
    const std::string written = key.key;
    if (written.compare(0, written.size() - 1, name) == 0 &&
        written.size() - 1 == name.size()) {
      return &key;
    }
  }
  return nullptr;
}

bool readWhole(const std::string& text, std::int32_t* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long number = std::strtoll(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || errno != 0 ||
      number < INT32_MIN || number > INT32_MAX || text[0] == ' ' ||
      text[0] == '+') {
    return false;
  }
  *value = static_cast<std::int32_t>(number);
  return true;
}

std::string shown(const std::string& text) { return shownField(text); }

std::string padded(const std::string& text, std::size_t width, bool right) {
  if (text.size() >= width) return text;
  const std::string fill(width - text.size(), ' ');
  return right ? fill + text : text + fill;
}

const char* const kColumns[] = {"over a limit",       "announced",
                                "warned",             "spectated",
                                "honest spectated",   "laggers let through",
                                "spared as steady"};

const char* const kBlindColumn = "blind checks";
// The plug-in's verdict bit of a steady connection (LagLogRow::verdicts).
constexpr std::uint8_t kSteadyVerdict = 1 << 2;

// The columns of a classed sweep, from the scores by class.
const char* const kClassColumns[] = {"laggers dealt with", "honest dealt with",
                                     "high-latency dealt with"};

bool anyClassed(const std::vector<SweepRow>& rows) {
  for (const SweepRow& row : rows) {
    if (row.classed) return true;
  }
  return false;
}

std::vector<std::string> classColumns(const SweepRow& row) {
  return {ClassScores::dealtText(row.classes.laggers()),
          ClassScores::dealtText(row.classes.honest()),
          ClassScores::dealtText(row.classes.far())};
}

std::uint64_t columnOf(const SweepOutcome& outcome, int column) {
  switch (column) {
    case 0:
      return outcome.checksOver;
    case 1:
      return outcome.announced;
    case 2:
      return outcome.warned;
    case 3:
      return outcome.spectated;
    case 4:
      return outcome.honestSpectated;
    case 5:
      return outcome.laggersLetThrough;
    default:
      return outcome.sparedOnPurpose;
  }
}

std::string settingsOf(const std::vector<SweepAxis>& axes,
                       const SweepRow& row) {
  std::string text;
  for (std::size_t i = 0; i < axes.size(); ++i) {
    if (i > 0) text += " ";
    text += axes[i].key + "=" + row.values[i];
  }
  return text;
}

}  // namespace

std::string sweepKeyNames() {
  std::string names;
  for (const ConfigKey& key : kConfigKeys) {
    if (key.kind != ConfigKind::Number || key.group == ConfigGroup::Log ||
        key.group == ConfigGroup::Messages) {
      continue;
    }
    if (!names.empty()) names += ", ";
    names += std::string(key.key, std::char_traits<char>::length(key.key) - 1);
  }
  return names;
}

bool parseSweepAxis(const std::string& text, SweepAxis* axis,
                    std::string* error) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos) {
    *error = "--vary " + shown(text) + ": KEY=A..B[:STEP] or KEY=A,B,C";
    return false;
  }
  axis->key = text.substr(0, equals);
  axis->values.clear();
  if (sweepKey(axis->key) == nullptr) {
    *error = "--vary: " + shown(axis->key) +
             " is no key a sweep can vary (letter case counts); these can: " +
             sweepKeyNames();
    return false;
  }
  const std::string values = text.substr(equals + 1);
  const std::size_t dots = values.find("..");
  if (dots != std::string::npos) {
    const std::size_t colon = values.find(':', dots);
    std::int32_t first, last, step = 1;
    if (!readWhole(values.substr(0, dots), &first) ||
        !readWhole(values.substr(dots + 2, colon == std::string::npos
                                               ? std::string::npos
                                               : colon - dots - 2),
                   &last) ||
        (colon != std::string::npos &&
         !readWhole(values.substr(colon + 1), &step))) {
      *error = "--vary " + shown(text) +
               ": a range is two whole numbers, A..B, with :STEP after";
      return false;
    }
    if (last < first || step < 1) {
      *error = "--vary " + shown(text) +
               ": a range runs upwards (A <= B) by a step of 1 or more";
      return false;
    }
    for (std::int64_t value = first; value <= last; value += step) {
      if (axis->values.size() == kMostSweepCombinations) {
        *error = "--vary " + shown(text) + ": more than " +
                 std::to_string(kMostSweepCombinations) + " values";
        return false;
      }
      axis->values.push_back(static_cast<std::int32_t>(value));
    }
    return true;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = values.find(',', start);
    std::int32_t value;
    if (!readWhole(values.substr(start, comma == std::string::npos
                                            ? std::string::npos
                                            : comma - start),
                   &value)) {
      *error = "--vary " + shown(text) +
               ": the values are whole numbers, A..B[:STEP] or A,B,C";
      return false;
    }
    if (axis->values.size() == kMostSweepCombinations) {
      *error = "--vary " + shown(text) + ": more than " +
               std::to_string(kMostSweepCombinations) + " values";
      return false;
    }
    axis->values.push_back(value);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

std::vector<std::vector<std::int32_t>> sweepCombinations(
    const std::vector<SweepAxis>& axes, std::string* error) {
  std::size_t count = 1;
  for (std::size_t i = 0; i < axes.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (axes[j].key == axes[i].key) {
        *error = "--vary " + axes[i].key + " is given twice";
        return {};
      }
    }
    count *= axes[i].values.size();
    if (count > kMostSweepCombinations) break;
  }
  if (count > kMostSweepCombinations) {
    std::string sizes;
    // The product in decimal digits, least significant first: it may pass
    // every integer type.
    std::vector<unsigned> digits{1};
    for (const SweepAxis& axis : axes) {
      if (!sizes.empty()) sizes += " x ";
      sizes += std::to_string(axis.values.size());
      std::uint64_t carry = 0;
      for (unsigned& digit : digits) {
        carry += std::uint64_t{digit} * axis.values.size();
        digit = static_cast<unsigned>(carry % 10);
        carry /= 10;
      }
      for (; carry != 0; carry /= 10) {
        digits.push_back(static_cast<unsigned>(carry % 10));
      }
    }
    std::string product;
    for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
      product += static_cast<char>('0' + *digit);
    }
    *error = "the --vary ranges make " + sizes + " = " + product +
             " combinations; a sweep runs at most " +
             std::to_string(kMostSweepCombinations) +
             ": narrow a range or widen its step";
    return {};
  }
  std::vector<std::vector<std::int32_t>> combinations;
  std::vector<std::size_t> at(axes.size(), 0);
  for (std::size_t n = 0; n < count; ++n) {
    std::vector<std::int32_t> values;
    for (std::size_t i = 0; i < axes.size(); ++i) {
      values.push_back(axes[i].values[at[i]]);
    }
    combinations.push_back(values);
    for (std::size_t i = axes.size(); i-- > 0;) {
      if (++at[i] < axes[i].values.size()) break;
      at[i] = 0;
    }
  }
  return combinations;
}

std::vector<std::string> sweepIniLines(
    const std::vector<std::string>& base, const std::vector<SweepAxis>& axes,
    const std::vector<std::int32_t>& values) {
  // The varied lines stand before the first arena section, where they hold
  // for every arena whose section does not set the key itself.
  std::vector<std::string> lines;
  bool inSection = false;
  auto addVaried = [&] {
    for (std::size_t i = 0; i < axes.size(); ++i) {
      lines.push_back(axes[i].key + "=" + std::to_string(values[i]));
    }
  };
  for (const std::string& line : base) {
    if (!inSection && startsAnySection(line.c_str())) {
      addVaried();
      inSection = true;
    }
    bool varied = false;
    for (const SweepAxis& axis : axes) {
      varied = varied || line.compare(0, axis.key.size() + 1,
                                      axis.key + "=") == 0;
    }
    if (!varied || inSection) lines.push_back(line);
  }
  if (!inSection) addVaried();
  return lines;
}

std::int32_t sweepSettingOf(const ConfigSettings& settings,
                            const std::string& key) {
  const ConfigKey* found = sweepKey(key);
  if (found == nullptr) return 0;
  return settings.*(kNumberFields[found - kConfigKeys].number);
}

std::int32_t sweepRepairedValue(const std::string& key, std::int32_t value) {
  const ConfigKey* found = sweepKey(key);
  return found == nullptr ? value : repairedValue(*found, value);
}

const ConfigSettings& SweepYardstick::settingsFor(const LagLogRow& row) {
  const std::uint32_t players = populationOf_[row.bot];
  InForce& inForce = inForce_[row.bot];
  if (inForce.known && inForce.arena == row.arena &&
      inForce.players == players) {
    return inForce.settings;
  }
  const ConfigArena* section =
      row.arena.empty() ? nullptr : base_.arenaNamed(row.arena);
  inForce.settings = section != nullptr ? section->settings : base_.settings();
  const ConfigPopulation* population =
      players == 0 ? nullptr
                   : base_.populationFor(static_cast<std::int32_t>(players));
  if (population != nullptr) {
    inForce.settings = population->over(inForce.settings);
  }
  inForce.known = true;
  inForce.arena = row.arena;
  inForce.players = players;
  return inForce.settings;
}

void SweepYardstick::judge(const LagLogRow& row) {
  const ConfigSettings& settings = settingsFor(row);
  Checks& checks = players_[{row.bot, row.player}];
  // A player who left is forgotten, unless memory= keeps them and they
  // came back in time.
  if (checks.left && (settings.memorySeconds <= 0 ||
                      row.time - checks.leftAt > settings.memorySeconds)) {
    checks.history = CheckHistory{};
  }
  checks.left = false;

  CheckFigures figures;
  figures.currentPing = atoiSaturated(row.figures[kCurrent].c_str());
  figures.averagePing = atoiSaturated(row.figures[kAverage].c_str());
  figures.s2cLoss = atoiSaturated(row.figures[kS2C].c_str());
  figures.c2sLoss = atoiSaturated(row.figures[kC2S].c_str());
  figures.s2cWeaponsLoss = atoiSaturated(row.figures[kS2CWeapons].c_str());
  LimitsInForce limits = limitsInForce(settings, settings.watchKeysInFile);
  // A log does not say who was in ships: the yardstick judges no quorum.
  limits.minPlayers = 0;
  for (const ConfigSettings::Allowance& allowance : settings.allowances) {
    if (equalsIgnoreCase(allowance.name.c_str(), row.player.c_str())) {
      limits.allowanceMs = allowance.extraMs;
    }
  }
  const CheckVerdict verdict =
      judgeCheck(figures, limits, &checks.history, CheckCircumstances{});
  std::uint8_t plain = verdict.reached;
  if (limits.allowanceMs != 0) {
    LimitsInForce without = limits;
    without.allowanceMs = 0;
    plain = judgeCheck(figures, without, nullptr, CheckCircumstances{}).reached;
  }
  ++checks.checks;
  if (verdict.counted != 0) {
    ++checks.over;
  } else if (plain != 0 && (verdict.verdicts & kVerdictGlitch) == 0) {
    ++checks.forgiven;
  }
  if (!settings.watchKeysInFile) return;
  CheckHistory& history = checks.history;
  for (int i = std::min(history.count, kJudgedHistoryLength - 1); i > 0; --i) {
    history.checks[i] = history.checks[i - 1];
  }
  history.checks[0] = {figures.currentPing, verdict.reached, verdict.verdicts};
  if (history.count < kJudgedHistoryLength) ++history.count;
}

void SweepYardstick::addLogged(const LagLogRow& row) {
  switch (row.kind) {
    case LagRowKind::Population:
      populationOf_[row.bot] = row.populationSection;
      return;
    case LagRowKind::Left: {
      const auto found = players_.find({row.bot, row.player});
      if (found != players_.end()) {
        found->second.left = true;
        found->second.leftAt = row.time;
      }
      return;
    }
    case LagRowKind::Connected:
    case LagRowKind::ArenaLeft:
      // A new connection or arena: the bot knows nobody's checks.
      for (auto& entry : players_) {
        if (entry.first.first == row.bot) entry.second.history = CheckHistory{};
      }
      return;
    case LagRowKind::Check:
      if (!row.player.empty()) judge(row);
      return;
    default:
      return;
  }
}

const SweepYardstick::Checks* SweepYardstick::find(
    LoggedHandle bot, const std::string& player) const {
  const auto found = players_.find({bot, player});
  return found == players_.end() ? nullptr : &found->second;
}

bool SweepYardstick::logged(LoggedHandle bot,
                            const std::string& player) const {
  return find(bot, player) != nullptr;
}

bool SweepYardstick::isLagger(const Checks& checks) {
  return checks.over * 2 > checks.checks;
}

bool SweepYardstick::isSpared(const Checks& checks) {
  return !isLagger(checks) &&
         (std::uint64_t{checks.over} + checks.forgiven) * 2 > checks.checks;
}

bool SweepYardstick::isHonest(const Checks& checks) {
  return checks.over * 10 <= checks.checks || isSpared(checks);
}

bool SweepYardstick::honest(LoggedHandle bot,
                            const std::string& player) const {
  const Checks* checks = find(bot, player);
  return checks != nullptr && isHonest(*checks);
}

bool SweepYardstick::lagger(LoggedHandle bot,
                            const std::string& player) const {
  const Checks* checks = find(bot, player);
  return checks != nullptr && isLagger(*checks);
}

bool SweepYardstick::spared(LoggedHandle bot,
                            const std::string& player) const {
  const Checks* checks = find(bot, player);
  return checks != nullptr && isSpared(*checks);
}

std::size_t SweepYardstick::honestPlayers() const {
  std::size_t count = 0;
  for (const auto& entry : players_) count += isHonest(entry.second);
  return count;
}

std::size_t SweepYardstick::laggers() const {
  std::size_t count = 0;
  for (const auto& entry : players_) count += isLagger(entry.second);
  return count;
}

std::size_t SweepYardstick::sparedPlayers() const {
  std::size_t count = 0;
  for (const auto& entry : players_) count += isSpared(entry.second);
  return count;
}

std::vector<std::pair<LoggedHandle, std::string>>
SweepYardstick::laggerList() const {
  std::vector<std::pair<LoggedHandle, std::string>> list;
  for (const auto& entry : players_) {
    if (isLagger(entry.second)) list.push_back(entry.first);
  }
  return list;
}

std::vector<std::pair<LoggedHandle, std::string>>
SweepYardstick::sparedList() const {
  std::vector<std::pair<LoggedHandle, std::string>> list;
  for (const auto& entry : players_) {
    if (isSpared(entry.second)) list.push_back(entry.first);
  }
  return list;
}

std::vector<std::pair<LoggedHandle, std::string>>
SweepYardstick::playerList() const {
  std::vector<std::pair<LoggedHandle, std::string>> list;
  for (const auto& entry : players_) list.push_back(entry.first);
  return list;
}

std::string SweepOutcome::text() const {
  std::ostringstream out;
  out << checksOver << ' ' << announced << ' ' << warned << ' ' << spectated
      << ' ' << honestSpectated << ' ' << laggersLetThrough << ' ' << checks
      << ' ' << blind << ' ' << sparedOnPurpose;
  return out.str();
}

std::string SweepOutcome::blindText() const {
  const std::uint64_t all = checks + blind;
  const std::uint64_t perMille = all == 0 ? 0 : (blind * 1000 + all / 2) / all;
  return std::to_string(blind) + " (" + std::to_string(perMille / 10) + "." +
         std::to_string(perMille % 10) + "%)" + (tooManyBlind() ? "!" : "");
}

bool SweepOutcome::tooManyBlind() const {
  return ::tooManyBlind(blind, checks);
}

const char* const kSweepBlindNote =
    "! over 5% of the row's replayed checks were blind (no logged figures "
    "near them): its counts understate what its settings would do; log "
    "more densely (see \"Blind checks\" in the guide).";

bool anyTooManyBlind(const std::vector<SweepRow>& rows) {
  for (const SweepRow& row : rows) {
    if (row.outcome.tooManyBlind()) return true;
  }
  return false;
}

bool SweepOutcome::fromText(const std::string& text, SweepOutcome* outcome) {
  std::istringstream in(text);
  in >> outcome->checksOver >> outcome->announced >> outcome->warned >>
      outcome->spectated >> outcome->honestSpectated >>
      outcome->laggersLetThrough >> outcome->checks >> outcome->blind >>
      outcome->sparedOnPurpose;
  return !in.fail();
}

void SweepCounter::addReplayed(const LagLogRow& row) {
  if (row.kind != LagRowKind::Check) return;
  ++checks_;
  if (row.limits != 0) ++checksOver_;
  if (row.player.empty()) return;
  Dealt& dealt = players_[{row.bot, row.player}];
  if (row.action != LagAction::None) dealt.announced = true;
  if (row.action == LagAction::Warned || row.action == LagAction::Spectated) {
    dealt.warned = true;
  }
  if (row.action == LagAction::Spectated) dealt.spectated = true;
  if (row.limits != 0 && (row.verdicts & kSteadyVerdict) != 0) {
    dealt.spared = true;
  }
}

SweepOutcome SweepCounter::outcome(const SweepYardstick& yardstick) const {
  SweepOutcome outcome;
  outcome.checksOver = checksOver_;
  outcome.checks = checks_;
  for (const auto& entry : players_) {
    const Dealt& dealt = entry.second;
    outcome.announced += dealt.announced;
    outcome.warned += dealt.warned;
    outcome.spectated += dealt.spectated;
    if (dealt.spectated &&
        yardstick.honest(entry.first.first, entry.first.second)) {
      ++outcome.honestSpectated;
    }
  }
  // Laggers are the log's players: one the replay never checked was let
  // through too.
  for (const auto& lagger : yardstick.laggerList()) {
    const auto found = players_.find(lagger);
    if (found == players_.end() || !found->second.warned) {
      ++(found != players_.end() && found->second.spared
             ? outcome.sparedOnPurpose
             : outcome.laggersLetThrough);
    }
  }
  // The base settings spare these on purpose: a row that leaves them be
  // does what the base does.
  for (const auto& spared : yardstick.sparedList()) {
    const auto found = players_.find(spared);
    if (found == players_.end() || !found->second.warned) {
      ++outcome.sparedOnPurpose;
    }
  }
  return outcome;
}

ClassScores SweepCounter::classScores(
    const SweepYardstick& yardstick) const {
  ClassScores scores;
  for (const auto& player : yardstick.playerList()) {
    const auto found = players_.find(player);
    scores.add(player.second,
               found != players_.end() && found->second.warned);
  }
  for (const auto& entry : players_) {
    if (!yardstick.logged(entry.first.first, entry.first.second)) {
      scores.add(entry.first.second, entry.second.warned);
    }
  }
  return scores;
}

void sortSweepRows(std::vector<SweepRow>* rows) {
  std::stable_sort(rows->begin(), rows->end(),
                   [](const SweepRow& a, const SweepRow& b) {
                     const SweepOutcome& x = a.outcome;
                     const SweepOutcome& y = b.outcome;
                     const std::uint64_t wrongX =
                         x.honestSpectated + x.laggersLetThrough;
                     const std::uint64_t wrongY =
                         y.honestSpectated + y.laggersLetThrough;
                     if (wrongX != wrongY) return wrongX < wrongY;
                     if (x.honestSpectated != y.honestSpectated) {
                       return x.honestSpectated < y.honestSpectated;
                     }
                     if (x.laggersLetThrough != y.laggersLetThrough) {
                       return x.laggersLetThrough < y.laggersLetThrough;
                     }
                     // As right, the milder row: fewer players lost.
                     return x.spectated < y.spectated;
                   });
}

std::vector<std::string> sweepTable(const std::vector<SweepAxis>& axes,
                                    const std::vector<SweepRow>& rows) {
  std::vector<std::size_t> widths;
  for (const SweepAxis& axis : axes) {
    std::size_t width = axis.key.size();
    for (const SweepRow& row : rows) {
      width = std::max(width, row.values[widths.size()].size());
    }
    widths.push_back(width);
  }
  std::string header = " ";
  for (std::size_t i = 0; i < axes.size(); ++i) {
    header += " " + padded(axes[i].key, widths[i], true);
  }
  for (const char* column : kColumns) header += "  " + std::string(column);
  std::size_t blindWidth = std::string(kBlindColumn).size();
  for (const SweepRow& row : rows) {
    blindWidth = std::max(blindWidth, row.outcome.blindText().size());
  }
  header += "  " + padded(kBlindColumn, blindWidth, true);
  const bool classed = anyClassed(rows);
  if (classed) {
    for (const char* column : kClassColumns) {
      header += "  " + std::string(column);
    }
  }
  std::vector<std::string> lines{header};
  for (const SweepRow& row : rows) {
    std::string line = row.base ? "*" : " ";
    for (std::size_t i = 0; i < axes.size(); ++i) {
      line += " " + padded(row.values[i], widths[i], true);
    }
    for (int column = 0; column < 7; ++column) {
      line += "  " + padded(std::to_string(columnOf(row.outcome, column)),
                            std::string(kColumns[column]).size(), true);
    }
    line += "  " + padded(row.outcome.blindText(), blindWidth, true);
    if (classed) {
      const std::vector<std::string> scores = classColumns(row);
      for (std::size_t column = 0; column < scores.size(); ++column) {
        line += "  " + padded(scores[column],
                              std::string(kClassColumns[column]).size(), true);
      }
    }
    lines.push_back(line);
  }
  return lines;
}

namespace {

// What a row's mark says on hover, after its settings.
std::string sweepRowDetails(const SweepRow& row) {
  const SweepOutcome& outcome = row.outcome;
  std::string details =
      std::to_string(outcome.laggersLetThrough) + " laggers let through, " +
      std::to_string(outcome.honestSpectated) + " honest players spectated, " +
      std::to_string(outcome.spectated) + " spectated, " +
      std::to_string(outcome.sparedOnPurpose) + " spared as steady; blind checks " +
      outcome.blindText();
  if (row.classed) {
    details += "; laggers dealt with: " +
               ClassScores::dealtText(row.classes.laggers()) +
               ", honest players: " +
               ClassScores::dealtText(row.classes.honest()) +
               ", steady high-latency links: " +
               ClassScores::dealtText(row.classes.far());
  }
  return details;
}

const char* const kSweepChartKey =
    "<p class=\"key\"><b>How to read it:</b> each dot is a row of the table "
    "below; rows with the same scores share one dot, labelled with their "
    "count (point at a dot for their settings). <span class=\"red\">Red: "
    "your settings</span> (the base). Lower left is better: fewer honest "
    "players spectated and fewer laggers let through. A dashed ring and "
    "\"!\": over 5% of that row's checks were blind, so its counts "
    "understate what its settings would do.</p>\n";

const char* const kSweepClassKey =
    "<p class=\"key\">By class, from the players' names: across, the "
    "laggers (lagger-NN, flaky-NN) never warned nor spectated; up, the "
    "honest players (good-NN, spiky-NN, staff-NN) and the steady "
    "high-latency links (far-NN) warned or spectated. Lower left is better "
    "here too.</p>\n";

}  // namespace

std::string sweepChartHtml(const SweepChartPage& page,
                           const std::vector<SweepAxis>& axes,
                           const std::vector<SweepRow>& rows) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta "
      "charset=\"utf-8\">\n<title>" +
      htmlEscaped(page.title) +
      "</title>\n<style>"
      "body{font-family:sans-serif;margin:16px;color:#222;max-width:" +
      std::to_string(kSweepPlotWidth) +
      "px}"
      "h1{font-size:22px;overflow-wrap:anywhere}"
      "table{border-collapse:collapse;font-size:12px}"
      "td,th{border:1px solid #ccc;padding:2px 4px;text-align:right}"
      "td{white-space:nowrap}div.rows{overflow-x:auto}"
      "th{font-weight:normal;background:#f4f4f4}"
      "tr.base td{font-weight:bold}td.blind{color:#d11f1f}"
      "p.warning{color:#d11f1f;font-weight:bold}p.key{font-size:13px}"
      "span.red{color:#d11f1f;font-weight:bold}"
      "svg{display:block;background:#fafafa;margin:8px 0}"
      ".axis,.tick-mark{stroke:#444}.grid{stroke:#e2e2e2}"
      ".point{fill:#1f6fd1;fill-opacity:0.8;stroke:#fff}"
      ".mark.base .point{fill:#d11f1f;fill-opacity:1;stroke:#000}"
      ".ring{fill:none;stroke:#e0a000;stroke-width:2;stroke-dasharray:3 2}"
      "text{font-size:12px;fill:#333}text.count{font-weight:bold}"
      ".mark.base text.count{fill:#d11f1f}"
      "text.axis-title{font-size:13px;fill:#111}"
      "</style>\n</head>\n<body>\n<h1>" +
      htmlEscaped(page.title) + "</h1>\n";
  for (const std::string& note : page.notes) {
    html += std::string(note == kSweepBlindNote ? "<p class=\"note warning\">"
                                                : "<p class=\"note\">") +
            htmlEscaped(note) + "</p>\n";
  }
  SweepPlot plot("scores", "laggers let through (players)",
                 "honest players spectated");
  SweepPlot byClass("classes",
                    "laggers never dealt with (lagger-NN, flaky-NN)",
                    "honest and far-NN dealt with");
  for (const SweepRow& row : rows) {
    SweepPlotRow point;
    point.settings = settingsOf(axes, row);
    point.details = sweepRowDetails(row);
    point.base = row.base;
    point.tooManyBlind = row.outcome.tooManyBlind();
    point.across = row.outcome.laggersLetThrough;
    point.up = row.outcome.honestSpectated;
    plot.add(point);
    if (row.classed) {
      const ClassScores::Tally laggers = row.classes.laggers();
      point.across = laggers.players - laggers.dealt;
      point.up = row.classes.honest().dealt + row.classes.far().dealt;
      byClass.add(point);
    }
  }
  html += kSweepChartKey + plot.svg();
  if (anyClassed(rows)) html += kSweepClassKey + byClass.svg();
  // A wide table scrolls on its own: the page stays as wide as the plots.
  html += "<div class=\"rows\"><table>\n<tr><th></th>";
  for (const SweepAxis& axis : axes) html += "<th>" + htmlEscaped(axis.key) + "</th>";
  for (const char* column : kColumns) html += "<th>" + std::string(column) + "</th>";
  html += "<th>" + std::string(kBlindColumn) + "</th>";
  const bool classed = anyClassed(rows);
  if (classed) {
    for (const char* column : kClassColumns) {
      html += "<th>" + std::string(column) + "</th>";
    }
  }
  html += "</tr>\n";
  for (const SweepRow& row : rows) {
    html += row.base ? "<tr class=\"base\"><td>base</td>" : "<tr><td></td>";
    for (const std::string& value : row.values) {
      html += "<td>" + htmlEscaped(value) + "</td>";
    }
    for (int column = 0; column < 7; ++column) {
      html += "<td>" + std::to_string(columnOf(row.outcome, column)) + "</td>";
    }
    html += std::string(row.outcome.tooManyBlind() ? "<td class=\"blind\">"
                                                   : "<td>") +
            htmlEscaped(row.outcome.blindText()) + "</td>";
    if (classed) {
      for (const std::string& score : classColumns(row)) {
        html += "<td>" + score + "</td>";
      }
    }
    html += "</tr>\n";
  }
  html += "</table></div>\n</body>\n</html>\n";
  return html;
}
