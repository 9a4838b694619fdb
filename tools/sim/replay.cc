#include "sim/replay.h"

#include <algorithm>
#include <unordered_set>

#include "sim/scenario_action.h"
#include "sim/simulated_host.h"

namespace {

constexpr std::uint32_t kStaffLevel = 12;
constexpr std::int8_t kUnknown = -1;

ScenarioAction actionOf(ActionKind kind, const std::string& name = "",
                        const std::string& text = "") {
  ScenarioAction action;
  action.kind = kind;
  action.name = name;
  action.text = text;
  return action;
}

std::uint64_t keyOf(std::uint32_t bot, std::uint32_t player) {
  return static_cast<std::uint64_t>(bot) << 32 | player;
}

}  // namespace

Replay::Replay(std::string logName, std::FILE* errors, bool charting)
    : logName_(std::move(logName)),
      errors_(errors),
      summary_({"logged", "replayed"}, charting) {}

void Replay::report(std::uint32_t line, const std::string& reason) {
  std::fprintf(errors_, "%s:%lu: %s\n", logName_.c_str(),
               static_cast<unsigned long>(line), reason.c_str());
}

bool Replay::load(const std::string& path, std::string* failure) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *failure = "cannot read " + path;
    return false;
  }
  std::string pending;
  std::uint32_t lineNumber = 0;
  char buffer[1 << 16];
  std::size_t count;
  LagLogRow row;
  std::string error;
  auto takeLine = [&](std::string_view line) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line == kLagLogHeader) return;
    if (!parseLagLogRow(line, &row, &error)) {
      report(lineNumber, error);
      ++skipped_;
    } else if (row.player.size() > kLongestName ||
               row.requester.size() > kLongestName) {
      report(lineNumber, "a name longer than " + std::to_string(kLongestName) +
                             " characters");
      ++skipped_;
    } else {
      addRow(row, lineNumber);
    }
  };
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    pending.append(buffer, count);
    std::size_t start = 0;
    std::size_t end;
    while ((end = pending.find('\n', start)) != std::string::npos) {
      takeLine(std::string_view(pending).substr(start, end - start));
      start = end + 1;
    }
    pending.erase(0, start);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *failure = "cannot read " + path;
    return false;
  }
  if (!pending.empty()) takeLine(pending);
  std::stable_sort(checks_.begin(), checks_.end(),
                   [](const LoggedCheck& a, const LoggedCheck& b) {
                     return a.time < b.time;
                   });
  if (!checks_.empty()) startTime_ = checks_.front().time;
  countLogged();
  return true;
}

std::uint32_t Replay::intern(
    std::vector<std::string>& table,
    std::unordered_map<std::string, std::uint32_t>& index,
    std::string_view text) {
  const auto found = index.emplace(std::string(text), table.size());
  if (found.second) table.emplace_back(text);
  return found.first->second;
}

void Replay::addRow(const LagLogRow& row, std::uint32_t line) {
  LoggedCheck check;
  check.time = row.time;
  check.line = line;
  check.bot = row.bot;
  check.player =
      row.player.empty() ? kNobody : intern(names_, nameIndex_, row.player);
  check.requester = row.requester.empty() ? kNobody
                    : row.requester == kAutomaticRequester
                        ? kAutomatic
                        : intern(names_, nameIndex_, row.requester);
  for (int i = 0; i < kFigureCount; ++i) {
    check.figures[i] = intern(texts_, textIndex_, row.figures[i]);
  }
  check.level = static_cast<std::int8_t>(row.level);
  check.ship = static_cast<std::int8_t>(row.ship);
  check.limitsReached = row.limits != 0;
  check.action = row.action;
  if (std::find(botHandles_.begin(), botHandles_.end(), row.bot) ==
      botHandles_.end()) {
    botHandles_.push_back(row.bot);
  }
  checks_.push_back(check);
}

void Replay::countLogged() {
  std::vector<float> numbers;
  numbers.reserve(texts_.size());
  for (const std::string& text : texts_) numbers.push_back(chartFigureOf(text));
  const int charted[] = {kCurrent, kAverage, kS2C, kC2S, kS2CWeapons};
  static const std::string kNoName;
  for (const LoggedCheck& check : checks_) {
    float figures[5];
    for (int i = 0; i < 5; ++i) figures[i] = numbers[check.figures[charted[i]]];
    summary_.add(0, check.bot,
                 check.player == kNobody ? kNoName : names_[check.player],
                 check.limitsReached, check.action,
                 static_cast<std::uint32_t>(check.time - startTime_), figures);
  }
}

std::uint32_t Replay::duration() const {
  return checks_.empty()
             ? 0
             : static_cast<std::uint32_t>(checks_.back().time - startTime_);
}

bool Replay::run(TalkFunction talk, const std::vector<std::string>& iniLines,
                 Transcript* transcript, const Progress& progress,
                 std::string* failure) {
  SimulatedHost host(talk, transcript);
  bool refused = false;
  auto perform = [&](const ScenarioAction& action) {
    if (!refused && !host.run(action, failure)) refused = true;
  };

  for (const std::string& line : iniLines) {
    perform(actionOf(ActionKind::Ini, "", line));
  }
  perform(actionOf(ActionKind::IniSet, "",
                   std::string("LagLog=") + kReplayedLogName));
  // One simulated bot per logged handle; the host starts with the first.
  std::vector<std::string> botNames;
  for (std::size_t i = 0; i < botHandles_.size(); ++i) {
    botNames.push_back(i == 0 ? std::string(SimulatedHost::kFirstBotName)
                              : "Bot" + std::to_string(botHandles_[i]));
    perform(actionOf(ActionKind::Bot, botNames.back()));
    perform(actionOf(ActionKind::Init));
  }
  std::unordered_map<std::uint32_t, std::uint32_t> botIndex;
  for (std::size_t i = 0; i < botHandles_.size(); ++i) {
    botIndex[botHandles_[i]] = static_cast<std::uint32_t>(i);
  }
  // What the replay knows of each logged player of each bot.
  struct Listed {
    std::int64_t lastTime = 0;  // of their last row
    std::int8_t level = kUnknown;
    std::int8_t ship = kUnknown;             // the ship of their latest row
    const std::uint32_t* figures = nullptr;  // of the figures in force
    bool listed = false;
    bool spectatedByBot = false;     // their latest row says the bot did
    bool spectatedInReplay = false;  // the replayed bot did, since their row
  };
  std::unordered_map<std::uint64_t, Listed> players;
  for (const LoggedCheck& check : checks_) {
    if (check.player == kNobody) continue;
    Listed& player = players[keyOf(botIndex[check.bot], check.player)];
    player.lastTime = check.time;
    if (player.level == kUnknown) player.level = check.level;
    if (player.ship == kUnknown) player.ship = check.ship;
  }

  // Rows the replayed plug-in writes, under the logged bot handles.
  host.observeLagLog([&](const std::string& line, std::uint32_t second) {
    LagLogRow row;
    std::string error;
    if (line == kLagLogHeader) return;
    if (!parseLagLogRow(line, &row, &error)) {
      std::fprintf(errors_, "%s: %s: %s\n", kReplayedLogName, error.c_str(),
                   line.c_str());
      return;
    }
    if (row.bot == 0 || row.bot > botHandles_.size()) return;
    summary_.add(1, botHandles_[row.bot - 1], row, second);
    if (row.action != LagAction::Spectated) return;
    const auto name = nameIndex_.find(std::string(row.player));
    if (name == nameIndex_.end()) return;
    const auto player = players.find(keyOf(row.bot - 1, name->second));
    if (player != players.end()) player->second.spectatedInReplay = true;
  });

  std::uint32_t currentBot = 0;
  auto switchTo = [&](std::uint32_t bot) {
    if (bot == currentBot) return;
    currentBot = bot;
    perform(actionOf(ActionKind::Bot, botNames[bot]));
  };
  std::vector<std::uint64_t> touched;   // players of this second
  std::vector<std::uint64_t> visitors;  // requesters listed for a second
  std::unordered_set<std::uint64_t> visiting;
  std::int64_t now = startTime_;
  std::size_t done = 0;

  for (const LoggedCheck& check : checks_) {
    if (check.time > now) {
      // The second is over: who was seen last in it leaves.
      for (std::uint64_t key : touched) {
        Listed& player = players[key];
        if (player.listed && player.lastTime <= now) {
          switchTo(static_cast<std::uint32_t>(key >> 32));
          perform(actionOf(ActionKind::Leave,
                           names_[static_cast<std::uint32_t>(key)]));
          player.listed = false;
        }
      }
      for (std::uint64_t key : visitors) {
        switchTo(static_cast<std::uint32_t>(key >> 32));
        perform(actionOf(ActionKind::Leave,
                         names_[static_cast<std::uint32_t>(key)]));
      }
      touched.clear();
      visitors.clear();
      visiting.clear();
      ScenarioAction wait = actionOf(ActionKind::Wait);
      wait.seconds = static_cast<std::uint32_t>(check.time - now);
      perform(wait);
      now = check.time;
      if (progress) progress(done, checks_.size());
    }
    ++done;
    const std::uint32_t bot = botIndex[check.bot];
    switchTo(bot);
    if (check.player == kNobody) {
      // Sent again as the server sent it; empty texts stay empty.
      const std::uint32_t* f = check.figures;
      perform(actionOf(ActionKind::Server, "",
                       "PING Current:" + texts_[f[kCurrent]] + " ms  Average:" +
                           texts_[f[kAverage]] + " ms  Low:" + texts_[f[kLow]] +
                           " ms  High:" + texts_[f[kHigh]] + " ms  S2C: " +
                           texts_[f[kS2C]] + "%  C2S: " + texts_[f[kC2S]] +
                           "%  S2CWeapons: " + texts_[f[kS2CWeapons]] + "%"));
      continue;
    }
    const std::uint64_t key = keyOf(bot, check.player);
    const std::string& name = names_[check.player];
    Listed& player = players[key];
    touched.push_back(key);
    if (visiting.count(key) != 0) {
      // Listed as a requester earlier in this second: now as themself.
      perform(actionOf(ActionKind::Leave, name));
      visiting.erase(key);
      visitors.erase(std::find(visitors.begin(), visitors.end(), key));
    }
    if (!player.listed) {
      ScenarioAction arrive = actionOf(ActionKind::Arrive, name);
      arrive.level = player.level == kUnknown ? 0u : player.level;
      arrive.ship = player.ship == kUnknown ? 0u : player.ship;
      perform(arrive);
      player.listed = true;
    }
    if (player.figures == nullptr ||
        !std::equal(check.figures, check.figures + kFigureCount,
                    player.figures)) {
      const std::uint32_t* f = check.figures;
      ScenarioAction figures = actionOf(ActionKind::Figures, name);
      figures.pings = texts_[f[kCurrent]] + "/" + texts_[f[kAverage]] + "/" +
                      texts_[f[kLow]] + "/" + texts_[f[kHigh]];
      figures.losses = texts_[f[kS2C]] + "/" + texts_[f[kC2S]] + "/" +
                       texts_[f[kS2CWeapons]];
      NetworkFigures probe;
      if (probe.setPings(*figures.pings) && probe.setLosses(*figures.losses)) {
        perform(figures);
      } else {
        report(check.line, "figures " + *figures.pings + " " + *figures.losses +
                               " cannot be sent again: the previous ones hold");
        ++held_;
      }
      player.figures = check.figures;
    }
    if (check.ship != kUnknown) {
      const bool spectator =
          check.ship == static_cast<std::int8_t>(kHighestShip);
      // A player the replayed bot spectated is back in a ship by this row.
      const bool back = player.spectatedInReplay && !spectator;
      const bool botsDoing = spectator && player.spectatedByBot;
      if (back || (check.ship != player.ship && !botsDoing)) {
        ScenarioAction ship = actionOf(ActionKind::Ship, name);
        ship.ship = static_cast<std::uint8_t>(check.ship);
        perform(ship);
        player.spectatedInReplay = false;
      }
      player.ship = check.ship;
    }
    player.spectatedByBot = check.action == LagAction::Spectated;

    if (check.requester == kNobody || check.requester == kAutomatic) continue;
    if (check.requester == check.player) {
      perform(actionOf(ActionKind::Say, name, "!lagme"));
      continue;
    }
    const std::uint64_t requesterKey = keyOf(bot, check.requester);
    const std::string& requester = names_[check.requester];
    const auto known = players.find(requesterKey);
    if ((known == players.end() || !known->second.listed) &&
        visiting.insert(requesterKey).second) {
      ScenarioAction arrive = actionOf(ActionKind::Arrive, requester);
      arrive.level = kStaffLevel;
      arrive.ship = static_cast<std::uint8_t>(kHighestShip);
      perform(arrive);
      visitors.push_back(requesterKey);
    }
    perform(actionOf(ActionKind::Say, requester, "!lagcheck " + name));
  }
  if (progress) progress(done, checks_.size());
  return !refused;
}
