#include "evidence/arena_log.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>

#include "laglog/lag_log.h"
#include "settings/config_check.h"
#include "spawn/check_judgement.h"
#include "spawn/config_keys.h"

namespace {

namespace schema = lag_log_schema;

// 2026-12-07T18:00:00Z: the arena's first second.
constexpr std::int64_t kStart = 1796666400;
constexpr std::uint32_t kCheckEvery = 30;
constexpr std::uint32_t kGrace = configDefault(ConfigField::graceSeconds);
constexpr std::uint32_t kStaffCheckEvery = 600;
// The logging bot's handle.
constexpr std::uint64_t kBot = 1;

enum class Kind { Good, Spiky, Lagger, Flaky, Far, Staff };

struct ClassPlan {
  Kind kind;
  const char* name;
  int players;
};

const ClassPlan kPlan[] = {
    {Kind::Good, "good", 10},  {Kind::Spiky, "spiky", 6},
    {Kind::Lagger, "lagger", 4}, {Kind::Flaky, "flaky", 4},
    {Kind::Far, "far", 4},     {Kind::Staff, "staff", 2},
};

class Dice {
 public:
  explicit Dice(std::uint32_t seed) : engine_(seed) {}
  // lo..hi, both included.
  std::int32_t between(std::int32_t lo, std::int32_t hi) {
    return lo + static_cast<std::int32_t>(
                    engine_() % static_cast<std::uint32_t>(hi - lo + 1));
  }
  bool chance(int percent) { return between(1, 100) <= percent; }

 private:
  std::mt19937 engine_;
};

struct Player {
  Kind kind;
  std::string name;
  int ship;
  std::uint32_t arrives;
  std::uint32_t leaves;
  std::int32_t base;  // the ping the connection keeps to
  int badChecksLeft = 0;  // of a flaky player's bad stretch
  std::int64_t pingSum = 0;
  std::int32_t checks = 0;
  std::int32_t low = 0;
  std::int32_t high = 0;
  StrikeCount strikes;
};

// The row's player: staff are moderators, the others plain players.
schema::RowPlayer rowPlayer(const Player& player) {
  schema::RowPlayer row;
  row.name = player.name;
  row.level = player.kind == Kind::Staff ? 3 : 0;
  row.ship = player.ship;
  return row;
}

std::string tenths(std::int32_t value) {
  return std::to_string(value / 10) + "." + std::to_string(value % 10);
}

struct Event {
  std::uint32_t second;
  int order;  // arrivals before checks before departures
  std::size_t player;
};

std::string figuresRow(Player& player, std::uint32_t second,
                       std::int32_t current, std::int32_t s2c,
                       std::int32_t c2s, std::int32_t weapons);

// One check's row: the figures the class gives now, judged at the default
// settings by a bot that deals with nobody.
// Staff's rows are their own "!lagme".
std::string checkRow(Player& player, Dice& dice, std::uint32_t second) {
  std::int32_t current = player.base + dice.between(-15, 15);
  std::int32_t s2c = dice.between(0, 5);
  std::int32_t c2s = dice.between(0, 5);
  std::int32_t weapons = dice.between(0, 3);
  switch (player.kind) {
    case Kind::Spiky:
      if (dice.chance(4)) {
        current = dice.between(450, 900);
        s2c = dice.between(25, 60);
        c2s = dice.between(20, 50);
      }
      break;
    case Kind::Lagger:
      current = player.base + dice.between(-80, 80);
      s2c = dice.between(10, 45);
      c2s = dice.between(5, 35);
      break;
    case Kind::Flaky:
      if (player.badChecksLeft == 0 && dice.chance(6)) {
        player.badChecksLeft = dice.between(3, 8);
      }
      if (player.badChecksLeft > 0) {
        --player.badChecksLeft;
        current = dice.between(350, 800);
        s2c = dice.between(25, 80);
        c2s = dice.between(10, 40);
      }
      break;
    case Kind::Far:
      current = player.base + dice.between(-12, 12);
      break;
    case Kind::Good:
    case Kind::Staff:
      break;
  }
  return figuresRow(player, second, current, s2c, c2s, weapons);
}

// The row of a check that measured these figures (losses in tenths of a
// percent), judged at the default settings by a bot that deals with
// nobody; the average, low and high ping run over the player's connection.
std::string figuresRow(Player& player, std::uint32_t second,
                       std::int32_t current, std::int32_t s2c,
                       std::int32_t c2s, std::int32_t weapons) {
  player.pingSum += current;
  ++player.checks;
  if (player.checks == 1 || current < player.low) player.low = current;
  if (player.checks == 1 || current > player.high) player.high = current;
  const std::int32_t average =
      static_cast<std::int32_t>(player.pingSum / player.checks);

  // Judged by the plug-in's own judgement, at the default settings.
  static const ConfigSettings defaults;
  const LimitsInForce inForce = limitsInForce(defaults, false);
  CheckFigures figures;
  figures.currentPing = current;
  figures.averagePing = average;
  figures.s2cLoss = s2c / 10;  // whole percent, as the plug-in reads "2.5"
  figures.c2sLoss = c2s / 10;
  figures.s2cWeaponsLoss = weapons / 10;
  const CheckVerdict verdict =
      judgeCheck(figures, inForce, nullptr, CheckCircumstances{});
  std::int32_t strikes = 0;
  countStrike(player.strikes, verdict.counted != 0, defaults.strikesNeeded,
              defaults.strikeGapSeconds, second, &strikes);
  const bool staff = player.kind == Kind::Staff;
  const std::string time = lagLogTimeText(kStart + second);
  const std::string texts[schema::kFigureCount] = {
      std::to_string(current),    std::to_string(average),
      std::to_string(player.low), std::to_string(player.high),
      tenths(s2c),                tenths(c2s),
      tenths(weapons)};
  schema::CheckFields fields;
  fields.time = time;
  fields.bot = kBot;
  fields.player = rowPlayer(player);
  fields.listed = true;
  fields.automatic = !staff;
  fields.requester = player.name;
  for (int i = 0; i < schema::kFigureCount; ++i) fields.figures[i] = texts[i];
  fields.limits = verdict.reached;
  fields.strikes = strikes;
  fields.strikesNeeded = defaults.strikesNeeded;
  schema::RowText row(false, {});
  row.check(fields);
  return std::string(row.text());
}

std::string presenceRow(const Player& player, std::uint32_t second,
                        int presence) {
  const std::string time = lagLogTimeText(kStart + second);
  schema::RowText row(false, {});
  row.presence(time, kBot, presence, rowPlayer(player));
  return std::string(row.text());
}

// The header and the bot's connection at the arena's first second.
std::string logStart() {
  const std::string time = lagLogTimeText(kStart);
  schema::RowText row(false, {});
  row.presence(time, kBot, schema::kConnected, {});
  return std::string(kLagLogHeader) + "\n" + std::string(row.text());
}

// The long arena: players come day after day for sessions of hours, and
// the logging bot checks every kLongCheckEvery seconds from kLongFirstCheck
// seconds after each arrival, so that a replay under any autocheck of 20 or
// more and any grace finds a logged figure near each of its checks.
constexpr std::uint32_t kLongCheckEvery = 20;
constexpr std::uint32_t kLongFirstCheck = 5;

const ClassPlan kLongPlan[] = {
    {Kind::Good, "good", 12},    {Kind::Spiky, "spiky", 8},
    {Kind::Lagger, "lagger", 6}, {Kind::Flaky, "flaky", 6},
    {Kind::Far, "far", 6},       {Kind::Staff, "staff", 2},
};

// The seconds [from, to] in which a player's line is bad.
struct BadStretch {
  std::uint32_t from;
  std::uint32_t to;
};

// A long arena's row, kept until all are sorted by time.
struct TimedRow {
  std::uint32_t second;
  int order;  // arrivals before checks before departures
  std::string text;
};

// The bad stretches of one session [start, end): a spiky player's bad
// minute (20 to 80 seconds) every 20 minutes to 2 hours, a flaky lagger's
// bad stretch (90 seconds to 5 minutes) every 5 to 40 minutes; none for the
// other classes, whose lines are as steady as their class says.
std::vector<BadStretch> badStretches(Kind kind, Dice& dice,
                                     std::uint32_t start, std::uint32_t end) {
  std::vector<BadStretch> stretches;
  if (kind != Kind::Spiky && kind != Kind::Flaky) return stretches;
  const bool spiky = kind == Kind::Spiky;
  std::uint32_t from = start;
  for (;;) {
    from += static_cast<std::uint32_t>(spiky ? dice.between(1200, 7200)
                                             : dice.between(300, 2400));
    if (from >= end) return stretches;
    const std::uint32_t length = static_cast<std::uint32_t>(
        spiky ? dice.between(20, 80) : dice.between(90, 300));
    stretches.push_back({from, from + length});
    from += length;
  }
}

bool inStretch(const std::vector<BadStretch>& stretches,
               std::uint32_t second) {
  for (const BadStretch& stretch : stretches) {
    if (second >= stretch.from && second <= stretch.to) return true;
  }
  return false;
}

// A check of a long arena's player: the class's figures, a spiky or flaky
// player's bad ones while `bad`.
std::string longCheckRow(Player& player, Dice& dice, std::uint32_t second,
                         bool bad) {
  std::int32_t current = player.base + dice.between(-15, 15);
  std::int32_t s2c = dice.between(0, 5);
  std::int32_t c2s = dice.between(0, 5);
  const std::int32_t weapons = dice.between(0, 3);
  if (player.kind == Kind::Lagger) {
    current = player.base + dice.between(-80, 80);
    s2c = dice.between(10, 45);
    c2s = dice.between(5, 35);
  } else if (player.kind == Kind::Far) {
    current = player.base + dice.between(-12, 12);
  } else if (bad) {
    const bool spiky = player.kind == Kind::Spiky;
    current = spiky ? dice.between(450, 900) : dice.between(350, 800);
    s2c = spiky ? dice.between(25, 60) : dice.between(25, 80);
    c2s = spiky ? dice.between(20, 50) : dice.between(10, 40);
  }
  return figuresRow(player, second, current, s2c, c2s, weapons);
}

// One connection of a player, from `arrives` to `leaves` (the arena's
// `length`: still here at its end), with its checks.
void addConnection(Player& player, Dice& dice, std::uint32_t arrives,
                   std::uint32_t leaves, std::uint32_t length,
                   const std::vector<BadStretch>& bad,
                   std::vector<TimedRow>& rows) {
  // The server's average, low and high run over one connection.
  player.pingSum = 0;
  player.checks = 0;
  rows.push_back({arrives, 0, presenceRow(player, arrives, schema::kArrived)});
  const bool staff = player.kind == Kind::Staff;
  // A check due in the second of leaving comes before the left row, as the
  // plug-in's Tick of that second comes before the departure.
  const std::uint32_t lastDue = leaves < length ? leaves : length - 1;
  for (std::uint32_t second = arrives + (staff ? 60 : kLongFirstCheck);
       second <= lastDue; second += staff ? kStaffCheckEvery : kLongCheckEvery) {
    rows.push_back(
        {second, 1, longCheckRow(player, dice, second, inStretch(bad, second))});
  }
  if (leaves < length) {
    rows.push_back({leaves, 2, presenceRow(player, leaves, schema::kLeft)});
  }
}

// A player's sessions: 40 minutes to 4 hours each, 3 to 20 hours apart, in
// a ship of their choice each time. A steady lagger's link drops every one
// to three minutes and comes back 5 to 40 seconds later.
void addSessions(Player& player, Dice& dice, std::uint32_t length,
                 std::vector<TimedRow>& rows) {
  std::uint32_t start = static_cast<std::uint32_t>(dice.between(1, 72000));
  while (start < length) {
    const std::uint32_t end = std::min(
        length, start + static_cast<std::uint32_t>(dice.between(2400, 14400)));
    player.ship = dice.between(0, 7);
    const std::vector<BadStretch> bad =
        badStretches(player.kind, dice, start, end);
    std::uint32_t arrives = start;
    while (arrives < end) {
      const std::uint32_t leaves =
          player.kind == Kind::Lagger
              ? std::min(end, arrives + static_cast<std::uint32_t>(
                                            dice.between(60, 170)))
              : end;
      addConnection(player, dice, arrives, leaves, length, bad, rows);
      arrives = leaves + static_cast<std::uint32_t>(dice.between(5, 40));
    }
    start = end + static_cast<std::uint32_t>(dice.between(10800, 72000));
  }
}

}  // namespace

std::string generateLongArenaLog(std::uint32_t seed, std::uint32_t days) {
  Dice dice(seed);
  const std::uint32_t length = days * 86400;
  std::vector<TimedRow> rows;
  for (const ClassPlan& plan : kLongPlan) {
    for (int i = 1; i <= plan.players; ++i) {
      Player player;
      player.kind = plan.kind;
      player.name = std::string(plan.name) + (i < 10 ? "-0" : "-") +
                    std::to_string(i);
      switch (plan.kind) {
        case Kind::Lagger:
          player.base = dice.between(330, 520);
          break;
        case Kind::Far:
          player.base = dice.between(380, 560);
          break;
        default:
          player.base = dice.between(40, 150);
      }
      addSessions(player, dice, length, rows);
    }
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const TimedRow& a, const TimedRow& b) {
                     return a.second != b.second ? a.second < b.second
                                                 : a.order < b.order;
                   });
  std::string log = logStart();
  for (const TimedRow& row : rows) log += row.text;
  return log;
}

std::string generateArenaLog(std::uint32_t seed, std::uint32_t minutes) {
  Dice dice(seed);
  const std::uint32_t length = minutes * 60;
  std::vector<Player> players;
  for (const ClassPlan& plan : kPlan) {
    for (int i = 1; i <= plan.players; ++i) {
      Player player;
      player.kind = plan.kind;
      player.name = std::string(plan.name) + (i < 10 ? "-0" : "-") +
                    std::to_string(i);
      player.ship = dice.between(0, 7);
      player.arrives = static_cast<std::uint32_t>(
          dice.between(1, static_cast<std::int32_t>(length / 4)));
      player.leaves = std::min(
          length, player.arrives + static_cast<std::uint32_t>(dice.between(
                                       static_cast<std::int32_t>(length / 3),
                                       static_cast<std::int32_t>(length))));
      switch (plan.kind) {
        case Kind::Lagger:
          player.base = dice.between(330, 520);
          break;
        case Kind::Far:
          player.base = dice.between(380, 560);
          break;
        default:
          player.base = dice.between(40, 150);
      }
      players.push_back(player);
    }
  }
  std::vector<Event> events;
  for (std::size_t i = 0; i < players.size(); ++i) {
    const Player& player = players[i];
    events.push_back({player.arrives, 0, i});
    // Staff are not checked automatically; they check themselves now and
    // then ("!lagme").
    const std::uint32_t every =
        player.kind == Kind::Staff ? kStaffCheckEvery : kCheckEvery;
    // A check that falls due in the second a player leaves is answered
    // and logged before they go: the plug-in's Tick of that second comes
    // first, as in a replay, which would otherwise find no figures for it.
    const std::uint32_t lastDue =
        player.leaves < length ? player.leaves : length - 1;
    for (std::uint32_t second = player.arrives + kGrace; second <= lastDue;
         second += every) {
      events.push_back({second, 1, i});
    }
    if (player.leaves < length) events.push_back({player.leaves, 2, i});
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) {
                     return a.second != b.second ? a.second < b.second
                                                 : a.order < b.order;
                   });
  std::string log = logStart();
  for (const Event& event : events) {
    Player& player = players[event.player];
    if (event.order == 0) {
      log += presenceRow(player, event.second, schema::kArrived);
    } else if (event.order == 2) {
      log += presenceRow(player, event.second, schema::kLeft);
    } else {
      log += checkRow(player, dice, event.second);
    }
  }
  return log;
}

void ClassScores::add(const std::string& name, bool dealtWith) {
  const std::size_t dash = name.find('-');
  if (dash == std::string::npos || dash == 0) return;
  const std::string kind = name.substr(0, dash);
  for (const ClassPlan& plan : kPlan) {
    if (kind != plan.name) continue;
    Tally& tally = tallies_[kind];
    ++tally.players;
    if (dealtWith) ++tally.dealt;
  }
}

ClassScores::Tally ClassScores::sum(
    std::initializer_list<const char*> classes) const {
  Tally total;
  for (const char* name : classes) {
    const auto found = tallies_.find(name);
    if (found == tallies_.end()) continue;
    total.players += found->second.players;
    total.dealt += found->second.dealt;
  }
  return total;
}

ClassScores::Tally ClassScores::laggers() const {
  return sum({"lagger", "flaky"});
}
ClassScores::Tally ClassScores::honest() const {
  return sum({"good", "spiky", "staff"});
}
ClassScores::Tally ClassScores::far() const { return sum({"far"}); }

namespace {

std::string shareOf(const ClassScores::Tally& tally) {
  return tally.players == 0
             ? std::string("-")
             : std::to_string((tally.dealt * 100 + tally.players / 2) /
                              tally.players) +
                   "%";
}

}  // namespace

std::string ClassScores::dealtText(const Tally& tally) {
  return std::to_string(tally.dealt) + " of " + std::to_string(tally.players) +
         " (" + shareOf(tally) + ")";
}

std::vector<std::string> ClassScores::lines(const std::string& source) const {
  char line[160];
  std::vector<std::string> lines;
  lines.push_back("Scores by class (" + source + "):");
  std::snprintf(line, sizeof line, "  %-8s %8s %11s %6s", "class", "players",
                "dealt with", "share");
  lines.push_back(line);
  for (const ClassPlan& plan : kPlan) {
    const Tally tally = sum({plan.name});
    std::snprintf(line, sizeof line, "  %-8s %8u %11u %6s", plan.name,
                  tally.players, tally.dealt, shareOf(tally).c_str());
    lines.push_back(line);
  }
  lines.push_back("  laggers dealt with: " + dealtText(laggers()));
  lines.push_back("  honest players dealt with: " + dealtText(honest()));
  lines.push_back("  steady high-latency links dealt with: " +
                  dealtText(far()));
  return lines;
}

std::string ClassScores::text() const {
  std::string text;
  for (const ClassPlan& plan : kPlan) {
    const Tally tally = sum({plan.name});
    if (!text.empty()) text += ' ';
    text += std::to_string(tally.players) + ' ' + std::to_string(tally.dealt);
  }
  return text;
}

bool ClassScores::fromText(const std::string& text, ClassScores* scores) {
  std::istringstream in(text);
  ClassScores read;
  for (const ClassPlan& plan : kPlan) {
    Tally tally;
    if (!(in >> tally.players >> tally.dealt) || tally.dealt > tally.players) {
      return false;
    }
    if (tally.players != 0) read.tallies_[plan.name] = tally;
  }
  std::string rest;
  if (in >> rest) return false;
  *scores = read;
  return true;
}

std::vector<std::string> classScores(const LagSummary& summary,
                                     std::size_t source) {
  ClassScores scores;
  for (const PlayerLag& player : summary.players()) {
    const LagCounts& counts = player.counts[source];
    scores.add(player.name, counts.warned + counts.spectated > 0);
  }
  return scores.lines(summary.sources()[source]);
}
