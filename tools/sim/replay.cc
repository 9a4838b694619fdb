#include "sim/replay.h"

#include <algorithm>
#include <unordered_set>

#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "sim/config_check.h"
#include "sim/scenario_action.h"
#include "sim/simulated_host.h"
#include "spawn/arena_section.h"

namespace {

constexpr std::uint32_t kStaffLevel = 12;
constexpr std::int8_t kUnknown = -1;
constexpr std::int8_t kSpectator = static_cast<std::int8_t>(kHighestShip);
constexpr std::uint8_t kAllowanceVerdict = 1;  // of LagLogRow::verdicts

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

// A name with A-Z folded to a-z: the plug-in tells players apart so.
std::string foldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace

Replay::Replay(std::FILE* errors, bool charting)
    : errors_(errors), summary_({"logged", "replayed"}, charting) {}

void Replay::report(std::uint32_t file, std::uint32_t line,
                    const std::string& reason) {
  std::fprintf(errors_, "%s:%lu: %s\n",
               escapeControlBytes(files_[file]).c_str(),
               static_cast<unsigned long>(line), reason.c_str());
}

bool Replay::load(const std::string& path, std::string* failure) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *failure = "cannot read " + escapeControlBytes(path);
    return false;
  }
  const std::uint32_t fileIndex = static_cast<std::uint32_t>(files_.size());
  files_.push_back(path);
  // A line is taken from `pending`, which never holds more than the longest
  // line and one buffer.
  std::string pending;
  std::uint32_t lineNumber = 0;
  std::vector<char> buffer(1 << 16);
  std::size_t count;
  LagLogRow row;
  std::string error;
  bool tooLong = false;
  auto takeLine = [&](std::string_view line) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || isLagLogHeader(line)) return;
    if (!parseLagLogRow(line, &row, &error)) {
      report(fileIndex, lineNumber, error);
      ++skipped_;
    } else if (row.player.find('\0') != std::string::npos ||
               row.requester.find('\0') != std::string::npos) {
      report(fileIndex, lineNumber, "a name holding a NUL byte");
      ++skipped_;
    } else {
      addRow(row);
    }
  };
  while (!tooLong &&
         (count = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (buffer[i] != '\n') continue;
      if (pending.empty()) {
        if (i - start > kLongestLine) break;
        takeLine(std::string_view(buffer.data() + start, i - start));
      } else {
        pending.append(buffer.data() + start, i - start);
        if (pending.size() > kLongestLine) break;
        takeLine(pending);
        pending.clear();
      }
      start = i + 1;
    }
    pending.append(buffer.data() + start, count - start);
    tooLong = pending.size() > kLongestLine;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (tooLong) {
    *failure = escapeControlBytes(path) + ":" + std::to_string(lineNumber + 1) +
               ": " + lineTooLongReason(kLongestLine);
    return false;
  }
  if (failed) {
    *failure = "cannot read " + escapeControlBytes(path);
    return false;
  }
  if (!pending.empty()) takeLine(pending);
  return true;
}

void Replay::finishLoading() {
  std::stable_sort(
      rows_.begin(), rows_.end(),
      [](const LoggedRow& a, const LoggedRow& b) { return a.time < b.time; });
  if (!rows_.empty()) startTime_ = rows_.front().time;
  used_.assign(rows_.size(), false);
  std::vector<float> numbers;
  numbers.reserve(texts_.size());
  for (const std::string& text : texts_) numbers.push_back(chartFigureOf(text));
  const int charted[] = {kCurrent, kAverage, kS2C, kC2S, kS2CWeapons};
  static const std::string kNoName;
  for (std::uint32_t i = 0; i < rows_.size(); ++i) {
    const LoggedRow& row = rows_[i];
    if (row.kind != LagRowKind::Check) continue;
    ++checkRows_;
    if (row.player != kNobody) {
      figures_[keyOf(row.bot, row.player)].rows.push_back(i);
    }
    float figures[5];
    for (int f = 0; f < 5; ++f) figures[f] = numbers[row.figures[charted[f]]];
    summary_.add(0, bots_[row.bot].handle,
                 row.player == kNobody ? kNoName : names_[row.player],
                 row.limitsReached, row.action,
                 static_cast<std::uint32_t>(row.time - startTime_), figures);
  }
}

std::uint32_t Replay::intern(
    std::vector<std::string>& table,
    std::unordered_map<std::string, std::uint32_t>& index,
    std::string_view text) {
  const auto found = index.emplace(std::string(text), table.size());
  if (found.second) table.emplace_back(text);
  return found.first->second;
}

std::uint32_t Replay::internName(std::string_view name) {
  const auto found = nameIndex_.emplace(foldedName(name), names_.size());
  if (found.second) names_.emplace_back(name);
  return found.first->second;
}

void Replay::addRow(const LagLogRow& row) {
  LoggedRow logged;
  logged.time = row.time;
  const auto bot = botIndex_.emplace(row.bot, bots_.size());
  if (bot.second) bots_.push_back(LoggedBot{row.bot});
  logged.bot = bot.first->second;
  if (row.kind != LagRowKind::Check) bots_[logged.bot].presenceLogged = true;
  logged.player =
      row.player.empty() ? kNobody : internName(row.player);
  logged.requester = row.requester.empty()
                         ? kNobody
                         : internName(row.requester);
  for (int i = 0; i < kFigureCount; ++i) {
    logged.figures[i] = intern(texts_, textIndex_, row.figures[i]);
  }
  logged.arena =
      row.arena.empty() ? kNobody : intern(texts_, textIndex_, row.arena);
  logged.kind = row.kind;
  logged.automatic = row.automatic;
  logged.level = static_cast<std::int8_t>(row.level);
  logged.ship = static_cast<std::int8_t>(row.ship);
  logged.limitsReached = row.limits != 0;
  logged.action = row.action;
  logged.allowanceMs =
      (row.verdicts & kAllowanceVerdict) != 0 ? row.allowanceMs : -1;
  rows_.push_back(logged);
}

std::uint32_t Replay::duration() const {
  return rows_.empty()
             ? 0
             : static_cast<std::uint32_t>(rows_.back().time - startTime_);
}

std::uint32_t Replay::idleHorizon(const ConfigSettings& settings) {
  const auto positive = [](std::int32_t value) {
    return static_cast<std::uint32_t>(std::max(value, 0));
  };
  std::uint32_t horizon = positive(settings.maxCheckRate);
  horizon = std::max(horizon, positive(settings.graceSeconds) +
                                  positive(settings.autoCheckInterval));
  return horizon + positive(settings.answerTimeout) + kFigureWindow + 1;
}

std::string Replay::lagLineOf(const LoggedRow& row) const {
  const std::uint32_t* f = row.figures;
  return "PING Current:" + texts_[f[kCurrent]] +
         " ms  Average:" + texts_[f[kAverage]] + " ms  Low:" + texts_[f[kLow]] +
         " ms  High:" + texts_[f[kHigh]] + " ms  S2C: " + texts_[f[kS2C]] +
         "%  C2S: " + texts_[f[kC2S]] +
         "%  S2CWeapons: " + texts_[f[kS2CWeapons]] + "%";
}

// The player's unused row nearest `time`, within the window; the earlier of
// two as near.
bool Replay::answer(std::uint32_t bot, const std::string& name,
                    std::int64_t time, std::string* line) {
  const auto nameFound = nameIndex_.find(foldedName(name));
  if (nameFound == nameIndex_.end()) return false;
  const auto found = figures_.find(keyOf(bot, nameFound->second));
  if (found == figures_.end()) return false;
  Figures& figures = found->second;
  while (figures.next < figures.rows.size() &&
         (used_[figures.rows[figures.next]] ||
          rows_[figures.rows[figures.next]].time + kFigureWindow < time)) {
    ++figures.next;
  }
  std::size_t best = figures.rows.size();
  std::int64_t bestDistance = 0;
  for (std::size_t i = figures.next; i < figures.rows.size(); ++i) {
    const std::int64_t rowTime = rows_[figures.rows[i]].time;
    if (rowTime > time + kFigureWindow) break;
    if (used_[figures.rows[i]]) continue;
    const std::int64_t distance =
        rowTime < time ? time - rowTime : rowTime - time;
    if (best == figures.rows.size() || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  if (best == figures.rows.size()) return false;
  used_[figures.rows[best]] = true;
  answered_[keyOf(bot, nameFound->second)] = {figures.rows[best], time};
  *line = lagLineOf(rows_[figures.rows[best]]);
  return true;
}

bool Replay::run(TalkFunction talk, const std::vector<std::string>& iniLines,
                 const ConfigSettings& settings, Transcript* transcript,
                 const Progress& progress, std::string* failure) {
  SimulatedHost host(talk, transcript);
  host.tickOnlyPopulatedBots();
  bool refused = false;
  auto perform = [&](const ScenarioAction& action) {
    if (!refused && !host.run(action, failure)) refused = true;
  };

  const std::string logLines[] = {std::string("LagLog=") + kReplayedLogName,
                                  "LagLogMaxBytes=0"};
  const auto startsSection = [](const std::string& line) {
    ArenaSectionName name;
    return readArenaSectionLine(line.c_str(), &name);
  };
  if (std::none_of(iniLines.begin(), iniLines.end(), startsSection)) {
    for (const std::string& line : iniLines) {
      perform(actionOf(ActionKind::Ini, "", line));
    }
    for (const std::string& line : logLines) {
      perform(actionOf(ActionKind::IniSet, "", line));
    }
  } else {
    // The replay's own log must hold in every arena: its lines go before
    // the first section, and the file's lag log lines, wherever they
    // stand, are left out.
    bool logLinesAdded = false;
    for (const std::string& line : iniLines) {
      if (!logLinesAdded && startsSection(line)) {
        for (const std::string& logLine : logLines) {
          perform(actionOf(ActionKind::Ini, "", logLine));
        }
        logLinesAdded = true;
      }
      if (line.rfind("LagLog=", 0) == 0 ||
          line.rfind("LagLogMaxBytes=", 0) == 0)
        continue;
      perform(actionOf(ActionKind::Ini, "", line));
    }
  }

  // Simulated bots serve logged ones: a logged bot gets one at its first
  // row and gives it back when its arena is empty at the end of a second
  // (then nothing of it is left in the plug-in but its settings; another
  // logged bot that takes it connects it afresh), so that thousands of
  // logged handles need only as many bots as are busy at once.
  // The host's handle of a simulated bot is its index plus one.
  constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::vector<std::uint32_t> simulatedOf(bots_.size(), kNone);
  std::vector<std::uint32_t> loggedOf;  // per simulated bot, or kNone
  // Per simulated bot: the arena the replay put it in (texts_), or kNone.
  std::vector<std::uint32_t> arenaOf;
  std::vector<std::uint32_t> idle;  // simulated bots free to serve
  std::vector<std::uint32_t> population(bots_.size(), 0);
  std::vector<std::uint32_t> servedThisSecond;
  std::uint32_t currentSimulated = 0;
  auto switchTo = [&](std::uint32_t simulated) {
    if (simulated == currentSimulated) return;
    currentSimulated = simulated;
    perform(actionOf(ActionKind::Bot,
                     simulated == 0 ? SimulatedHost::kFirstBotName
                                    : "Bot" + std::to_string(simulated + 1)));
  };
  // Makes the logged bot's simulated bot current. True when it was just
  // connected. A bot given back keeps serving its logged bot until another
  // one takes it.
  std::vector<bool> givenBack;  // per simulated bot
  auto serve = [&](std::uint32_t bot) {
    std::uint32_t simulated = simulatedOf[bot];
    if (simulated != kNone) {
      givenBack[simulated] = false;
      switchTo(simulated);
      return false;
    }
    while (!idle.empty() && !givenBack[idle.back()]) idle.pop_back();
    const bool reused = !idle.empty();
    if (reused) {
      simulated = idle.back();
      idle.pop_back();
      simulatedOf[loggedOf[simulated]] = kNone;
    } else {
      simulated = static_cast<std::uint32_t>(loggedOf.size());
      loggedOf.push_back(kNone);
      arenaOf.push_back(kNone);
      givenBack.push_back(false);
    }
    givenBack[simulated] = false;
    simulatedOf[bot] = simulated;
    loggedOf[simulated] = bot;
    switchTo(simulated);
    if (reused) perform(actionOf(ActionKind::Term));
    perform(actionOf(ActionKind::Init));
    return true;
  };
  auto loggedBotOf = [&](CALL_HANDLE handle) {
    const std::size_t simulated = static_cast<std::size_t>(handle) - 1;
    return simulated < loggedOf.size() ? loggedOf[simulated] : kNone;
  };

  // What the replay knows of each logged player of each bot.
  struct Listed {
    std::int64_t lastTime = 0;     // of their last row (logs without presence)
    std::int8_t level = kUnknown;  // of their first row that has it
    std::int8_t ship = kUnknown;
    std::int8_t replayedShip = kUnknown;  // in the replay, while listed
    bool listed = false;
    bool spectatedByBot = false;          // their latest row says the bot did
    std::int64_t spectatedInReplay = -1;  // when the replayed bot last did
  };
  std::unordered_map<std::uint64_t, Listed> players;
  for (const LoggedRow& row : rows_) {
    if (row.player == kNobody) continue;
    Listed& player = players[keyOf(row.bot, row.player)];
    player.lastTime = row.time;
    if (player.level == kUnknown) player.level = row.level;
    if (player.ship == kUnknown) player.ship = row.ship;
  }

  host.answerLagWith([&](CALL_HANDLE handle, const std::string& name,
                         std::uint32_t second, std::string* line) {
    const std::uint32_t bot = loggedBotOf(handle);
    if (bot != kNone && answer(bot, name, startTime_ + second, line)) {
      return true;
    }
    ++unanswered_;
    return false;
  });
  // Rows the replayed plug-in writes, under the logged bot handles.
  host.observeLagLog([&](const std::string& line, std::uint32_t second) {
    LagLogRow row;
    std::string error;
    if (isLagLogHeader(line)) return;
    if (!parseLagLogRow(line, &row, &error)) {
      std::fprintf(errors_, "%s: %s: %s\n", kReplayedLogName, error.c_str(),
                   shownField(line).c_str());
      return;
    }
    const std::uint32_t bot = loggedBotOf(row.bot);
    if (bot == kNone) return;
    const auto name = nameIndex_.find(foldedName(row.player));
    if (row.kind == LagRowKind::Check) {
      summary_.add(1, bots_[bot].handle, row, second);
      // The check that a logged row answered: was it given that row's
      // allowance?
      const auto found =
          name == nameIndex_.end()
              ? answered_.end()
              : answered_.find(keyOf(bot, name->second));
      if (found != answered_.end() &&
          found->second.time == startTime_ + second) {
        const std::int32_t logged = rows_[found->second.row].allowanceMs;
        const std::int32_t given =
            (row.verdicts & kAllowanceVerdict) != 0 ? row.allowanceMs : -1;
        if (logged >= 0 && given != logged) ++allowancesNotGiven_;
      }
      if (found != answered_.end()) answered_.erase(found);
    }
    if (row.ship < 0) return;
    if (name == nameIndex_.end()) return;
    const auto player = players.find(keyOf(bot, name->second));
    if (player == players.end()) return;
    if (row.action == LagAction::Spectated) {
      player->second.spectatedInReplay = startTime_ + second;
    }
    if (row.kind != LagRowKind::Check) {
      player->second.replayedShip = static_cast<std::int8_t>(row.ship);
    }
  });

  // Arrivals and departures in the current bot's arena.
  auto enter = [&](std::uint32_t bot, const std::string& name, int level,
                   int ship) {
    ScenarioAction action = actionOf(ActionKind::Arrive, name);
    action.level = level < 0 ? 0u : static_cast<std::uint32_t>(level);
    action.ship = static_cast<std::uint8_t>(ship < 0 ? 0 : ship);
    ++population[bot];
    perform(action);
  };
  auto leave = [&](std::uint32_t bot, const std::string& name) {
    --population[bot];
    perform(actionOf(ActionKind::Leave, name));
  };
  auto arrive = [&](std::uint32_t bot, const std::string& name, Listed& player,
                    int level, int ship) {
    player.listed = true;
    player.replayedShip = static_cast<std::int8_t>(ship < 0 ? 0 : ship);
    enter(bot, name, level, ship);
  };
  auto changeShip = [&](const std::string& name, Listed& player, int ship) {
    ScenarioAction action = actionOf(ActionKind::Ship, name);
    action.ship = static_cast<std::uint8_t>(ship);
    player.replayedShip = static_cast<std::int8_t>(ship);
    perform(action);
  };

  std::vector<std::uint64_t> touched;   // players of logs without presence
  std::vector<std::uint64_t> visitors;  // requesters listed for a second
  std::unordered_set<std::uint64_t> visiting;
  const std::uint32_t horizon = idleHorizon(settings);
  std::int64_t now = startTime_;
  std::size_t done = 0;

  for (const LoggedRow& row : rows_) {
    if (refused) break;
    if (row.time > now) {
      // The second is over: visitors leave, and so does who was seen last
      // in it, where the log does not say who is there.
      for (std::uint64_t key : touched) {
        Listed& player = players[key];
        const std::uint32_t bot = static_cast<std::uint32_t>(key >> 32);
        if (player.listed && player.lastTime <= now) {
          serve(bot);
          leave(bot, names_[static_cast<std::uint32_t>(key)]);
          player.listed = false;
        }
      }
      for (std::uint64_t key : visitors) {
        const std::uint32_t bot = static_cast<std::uint32_t>(key >> 32);
        serve(bot);
        leave(bot, names_[static_cast<std::uint32_t>(key)]);
      }
      touched.clear();
      visitors.clear();
      visiting.clear();
      for (std::uint32_t bot : servedThisSecond) {
        const std::uint32_t simulated = simulatedOf[bot];
        if (population[bot] != 0 || simulated == kNone || givenBack[simulated])
          continue;
        givenBack[simulated] = true;
        idle.push_back(simulated);
      }
      servedThisSecond.clear();
      const std::int64_t gap = row.time - now;
      const std::uint32_t played =
          !host.anyPopulatedBot() ? 0
                                  : static_cast<std::uint32_t>(
                                        std::min<std::int64_t>(gap, horizon));
      if (played > 0) {
        ScenarioAction wait = actionOf(ActionKind::Wait);
        wait.seconds = played;
        perform(wait);
      }
      if (gap > played) host.skip(static_cast<std::uint32_t>(gap - played));
      now = row.time;
      if (progress) progress(done, rows_.size());
    }
    ++done;
    const std::uint32_t bot = row.bot;
    const bool presenceLogged = bots_[bot].presenceLogged;
    servedThisSecond.push_back(bot);
    const bool justConnected = serve(bot);
    // Nobody of the bot's arena is listed any more.
    const auto arenaEmptied = [&]() {
      population[bot] = 0;
      for (auto& entry : players) {
        if (static_cast<std::uint32_t>(entry.first >> 32) == bot) {
          entry.second.listed = false;
        }
      }
      for (std::size_t i = 0; i < visitors.size();) {
        if (static_cast<std::uint32_t>(visitors[i] >> 32) == bot) {
          visiting.erase(visitors[i]);
          visitors.erase(visitors.begin() + static_cast<long>(i));
        } else {
          ++i;
        }
      }
    };
    // A row of arena sections puts the bot in its arena first, so that the
    // plug-in judges by that arena's section of the replayed settings.
    std::uint32_t& arena = arenaOf[simulatedOf[bot]];
    if (row.arena != kNobody && arena != row.arena) {
      arena = row.arena;
      ScenarioAction move = actionOf(ActionKind::EnterArena);
      move.arena = texts_[row.arena];
      perform(move);
      arenaEmptied();
    }
    switch (row.kind) {
      case LagRowKind::Connected:
        if (!justConnected) {
          perform(actionOf(ActionKind::Term));
          perform(actionOf(ActionKind::Init));
        }
        continue;
      case LagRowKind::ArenaLeft:
        perform(actionOf(ActionKind::LeaveArena));
        arena = kNone;
        arenaEmptied();
        continue;
      default:
        break;
    }
    if (row.player == kNobody) {
      // Sent again as the server sent it; empty texts stay empty.
      perform(actionOf(ActionKind::Server, "", lagLineOf(row)));
      continue;
    }
    const std::uint64_t key = keyOf(bot, row.player);
    const std::string& name = names_[row.player];
    Listed& player = players[key];
    if (visiting.count(key) != 0) {
      // Listed as a requester earlier in this second: now as themself.
      leave(bot, name);
      visiting.erase(key);
      visitors.erase(std::find(visitors.begin(), visitors.end(), key));
    }
    const bool botsDoing = row.ship == kSpectator && player.spectatedByBot;
    switch (row.kind) {
      case LagRowKind::Arrived:
        if (!player.listed) {
          arrive(bot, name, player, row.level, row.ship);
        } else if (row.ship != player.replayedShip) {
          changeShip(name, player, row.ship);
        }
        player.spectatedByBot = false;
        continue;
      case LagRowKind::Left:
        if (player.listed) leave(bot, name);
        player.listed = false;
        player.spectatedByBot = false;
        continue;
      case LagRowKind::Ship:
        if (!player.listed) {
          arrive(bot, name, player, row.level, row.ship);
        } else if (row.ship != player.replayedShip && !botsDoing) {
          changeShip(name, player, row.ship);
        }
        player.spectatedByBot = false;
        continue;
      default:
        break;
    }
    // A check.
    if (!presenceLogged) touched.push_back(key);
    if (!player.listed) {
      if (presenceLogged) {
        arrive(bot, name, player, row.level, row.ship);
      } else {
        arrive(bot, name, player, player.level, player.ship);
      }
    }
    // Where the log says who is where, its ship rows alone move players.
    // Otherwise a check row's ship counts, unless the replayed bot has just
    // spectated the player: the row is of the check that led to it.
    if (!presenceLogged && row.ship != kUnknown &&
        row.ship != player.replayedShip && !botsDoing &&
        player.spectatedInReplay != row.time) {
      changeShip(name, player, row.ship);
    }
    player.spectatedByBot = row.action == LagAction::Spectated;

    if (row.automatic || row.requester == kNobody) continue;
    if (row.requester == row.player) {
      perform(actionOf(ActionKind::Say, name, "!lagme"));
      continue;
    }
    const std::uint64_t requesterKey = keyOf(bot, row.requester);
    const std::string& requester = names_[row.requester];
    const auto known = players.find(requesterKey);
    if ((known == players.end() || !known->second.listed) &&
        visiting.insert(requesterKey).second) {
      enter(bot, requester, kStaffLevel, kHighestShip);
      visitors.push_back(requesterKey);
    }
    perform(actionOf(ActionKind::Say, requester, "!lagcheck " + name));
  }
  if (progress) progress(done, rows_.size());
  return !refused;
}
