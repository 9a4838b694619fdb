#include "sim/simulated_host.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "host/event_makers.h"
#include "laglog/lag_log.h"
#include "hostkit/shown_text.h"
#include "sim/live_heap.h"
#include "sim/server_command.h"
#include "spawn/config_reader.h"
#include "util/command.h"
#include "util/player.h"

SimulatedHost* SimulatedHost::active_ = nullptr;

namespace {

std::string versionText(std::uint32_t version) {
  return std::to_string(version >> 16) + "." +
         std::to_string(version & 0xFFFFu);
}

std::string levelText(std::uint32_t level) {
  return std::to_string(level) + " " + accessLevelName(level);
}

std::string shipText(std::uint32_t ship) {
  return "ship " + std::to_string(ship) +
         (ship == kSpectatorShip ? " (spectator)" : "");
}

}  // namespace

SimulatedHost::SimulatedHost(TalkFunction talk, Transcript* transcript)
    : talk_(talk), transcript_(transcript), ini_(talk != nullptr) {
  addBot(kFirstBotName);
}

SimulatedHost::~SimulatedHost() {
  if (active_ == this) active_ = nullptr;
}

bool SimulatedHost::run(const ScenarioAction& action, std::string* error) {
  if (!check(action, error)) return false;
  switch (action.kind) {
    case ActionKind::Nothing:
      return true;
    case ActionKind::Note:
      write(LineKind::Note, "-- " + action.text);
      return true;
    case ActionKind::Bot:
      if (Bot* known = findBot(action.name)) {
        current_ = known;
      } else {
        addBot(action.name, action.arena ? *action.arena : "");
        return true;
      }
      if (action.arena &&
          (*action.arena != current_->arena || !current_->inArena)) {
        enterArena(*action.arena);
      }
      return true;
    case ActionKind::Init:
      connect(action.version);
      return true;
    case ActionKind::Term:
      disconnect();
      return true;
    case ActionKind::Arrive:
      arrive(action);
      return true;
    case ActionKind::Figures:
      changeFigures(action);
      return true;
    case ActionKind::Ship:
      changeShip(*findResident(*current_, action.name), *action.ship);
      return true;
    case ActionKind::Say:
      type(*findResident(*current_, action.name), action.text);
      return true;
    case ActionKind::Wait:
      wait(action.seconds);
      return true;
    case ActionKind::Leave:
      leave(action.name);
      return true;
    case ActionKind::LeaveArena:
      leaveArena();
      return true;
    case ActionKind::EnterArena:
      enterArena(*action.arena);
      return true;
    case ActionKind::Ini:
    case ActionKind::IniSet:
    case ActionKind::IniClear:
      return editIni(action, error);
    case ActionKind::Server:
      serverSays(action.text);
      return true;
    case ActionKind::ServerDelay:
      setServerDelay(action.seconds);
      return true;
    case ActionKind::ServerDrop:
    case ActionKind::ServerAnswer:
      setAnswersLag(*findResident(*current_, action.name),
                    action.kind == ActionKind::ServerAnswer);
      return true;
    case ActionKind::Spike:
      spike(action);
      return true;
  }
  return true;
}

bool SimulatedHost::copyIni(const std::string& from,
                            const std::string& contents, std::string* error) {
  static const std::string kLagLogKey = "LagLog=";
  static const std::string kWorkLog = "lag.log";
  std::string copied;
  std::vector<std::string> moved;
  std::size_t start = 0;
  while (start < contents.size()) {
    std::size_t end = contents.find('\n', start);
    end = end == std::string::npos ? contents.size() : end + 1;
    std::string line = contents.substr(start, end - start);
    if (line.compare(0, kLagLogKey.size(), kLagLogKey) == 0) {
      std::string value = line.substr(kLagLogKey.size());
      while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
        value.pop_back();
      if (!value.empty()) {
        moved.push_back(value);
        line = kLagLogKey + kWorkLog + line.substr(kLagLogKey.size() +
                                                   value.size());
      }
    }
    copied += line;
    start = end;
  }
  const bool written = ini_.copy(copied, error);
  const std::size_t count = ini_.lines().size();
  write(LineKind::Host, "tarvok.ini: a copy of " + from + ", " +
                            std::to_string(count) +
                            (count == 1 ? " line" : " lines"));
  for (const std::string& value : moved) {
    write(LineKind::Host,
          "tarvok.ini: the lag log goes to " + kWorkLog +
              " in the work folder, not to " + Transcript::quoted(value) +
              " (the simulator never writes to a real log; --log FILE "
              "keeps a copy)");
  }
  return written;
}

bool SimulatedHost::check(const ScenarioAction& action, std::string* error) {
  const std::string where = arenaOf(*current_);
  switch (action.kind) {
    case ActionKind::Arrive:
      if (findResident(*current_, action.name) != nullptr) {
        *error = action.name + " is already in " + where;
        return false;
      }
      if (action.ident) {
        if (Resident* holder = residentOfIdent(*current_, *action.ident)) {
          *error = "ident " + std::to_string(*action.ident) + " is " +
                   holder->name + "'s in " + where;
          return false;
        }
      }
      return true;
    case ActionKind::Figures:
    case ActionKind::Ship:
    case ActionKind::Say:
    case ActionKind::Leave:
    case ActionKind::ServerDrop:
    case ActionKind::ServerAnswer:
    case ActionKind::Spike:
      if (findResident(*current_, action.name) == nullptr) {
        *error = "there is no player " + action.name + " in " + where;
        return false;
      }
      return true;
    default:
      return true;
  }
}

void SimulatedHost::addBot(const std::string& name, const std::string& arena) {
  std::unique_ptr<Bot> bot(new Bot);
  bot->name = name;
  bot->handle = bots_.size() + 1;
  bot->arena = arena;
  bot->self.reset(
      new Player(0, name.c_str(), "", 0, 0, 0, 0, 0, kSpectatorShip, 0, 0));
  current_ = bot.get();
  botNames_.emplace(name, bots_.size());
  bots_.push_back(std::move(bot));
  if (bots_.size() > 1) {
    write(LineKind::Host,
          "bot " + name + " joins the host (handle " +
              std::to_string(current_->handle) + ")" +
              (arena.empty() ? "" : " in " + arenaOf(*current_)));
  }
}

namespace {

// The lag logs the LagLog= lines of a file name, as the plug-in's reader
// reads them, in every section: whichever arena a bot enters, its log is
// followed.
class LagLogPaths : public ConfigListener {
 public:
  std::vector<std::string> paths;

  void lineRead(const char*, std::uint32_t, LineReader::LineEnd) override {}
  void populationSectionRead(std::int32_t) override {}
  void arenaSectionRead(const ArenaSectionName&) override {}
  void settingRead(const ConfigSetting& setting) override {
    if (setting.key == &configKey(ConfigField::lagLogPath) &&
        setting.value[0] != '\0') {
      paths.push_back(setting.value);
    }
  }
  void readingEnded(bool) override {}
};

std::vector<std::string> lagLogPaths(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + '\n';
  LagLogPaths listener;
  LineReader reader(bytes.data(), bytes.size());
  ConfigReader settings(reader, &listener);
  while (settings.next()) {
  }
  return std::move(listener.paths);
}

}  // namespace

void SimulatedHost::connect(std::uint32_t version) {
  write(LineKind::Host, current_->name +
                            " connects the plug-in (Init, version " +
                            versionText(version) + ")");
  current_->connected = true;
  if (talk_ != nullptr) {
    for (const std::string& path : lagLogPaths(ini_.lines())) {
      logFollower_.follow(path);
    }
  }
  deliver(*current_, makeInit(version, &SimulatedHost::callback,
                              &current_->players, nullptr, nullptr, nullptr));
  if (!current_->arena.empty() && current_->inArena && !current_->arenaHeard) {
    announceArena();
  }
}

void SimulatedHost::disconnect() {
  write(LineKind::Host, current_->name + " disconnects the plug-in (Term)");
  deliver(*current_, makeTerm());
  current_->connected = false;
}

void SimulatedHost::arrive(const ScenarioAction& action) {
  const std::uint16_t ident =
      action.ident ? *action.ident : freeIdent(*current_);
  const std::uint8_t ship = action.ship ? *action.ship : 0;
  Player* record =
      new Player(ident, action.name.c_str(), "", 0, 0, 0, 0, 0, ship, 0, 0);
  record->accessLevel = action.level ? *action.level : OP_Player;
  if (!current_->players.appendItem(record)) {
    delete record;
    write(LineKind::Host, "no memory for " + action.name + "'s arrival");
    return;
  }
  if (current_->residents.empty()) {
    populated_.insert(static_cast<std::size_t>(current_->handle - 1));
  }
  Resident resident;
  resident.record = record;
  resident.name = action.name;
  if (action.pings) resident.figures.setPings(*action.pings);
  if (action.losses) resident.figures.setLosses(*action.losses);
  addResident(*current_, resident);
  if (transcript_ != nullptr) {
    write(LineKind::Host, action.name + " enters " + arenaOf(*current_) +
                              ": ident " + std::to_string(ident) +
                              ", level " + levelText(record->accessLevel) +
                              ", " + shipText(ship) + ", ping " +
                              resident.figures.pingsText() + ", loss " +
                              resident.figures.lossesText());
  }
  deliver(*current_, makePlayerEntering(record));
}

void SimulatedHost::changeFigures(const ScenarioAction& action) {
  Resident& resident = *findResident(*current_, action.name);
  // A figures line ends a running spike: it changes the usual figures.
  if (resident.spikeEnds != 0) resident.figures = resident.usualFigures;
  resident.spikeEnds = 0;
  if (action.pings) resident.figures.setPings(*action.pings);
  if (action.losses) resident.figures.setLosses(*action.losses);
  write(LineKind::Zone, "zone measures " + resident.name +
                            "'s connection: ping " +
                            resident.figures.pingsText() + ", loss " +
                            resident.figures.lossesText());
}

void SimulatedHost::changeShip(Resident& resident, std::uint8_t ship) {
  const std::uint8_t oldShip = resident.record->ship;
  // Whether the player is in that ship already may depend on the plug-in
  // (a "*spec"), so it is no fault of the scenario.
  if (oldShip == ship) {
    write(LineKind::Host, resident.name + " stays in " + shipText(ship));
    return;
  }
  resident.record->ship = ship;
  if (transcript_ != nullptr) {
    write(LineKind::Host, resident.name + " changes from " +
                              shipText(oldShip) + " to " + shipText(ship));
  }
  deliver(*current_, makePlayerShip(resident.record, oldShip, 0));
}

void SimulatedHost::type(Resident& resident, const std::string& text) {
  const bool isCommand = !text.empty() && text[0] == '!';
  if (transcript_ != nullptr) {
    write(LineKind::Player,
          resident.name + " -> " +
              (isCommand ? current_->name : arenaOf(*current_)) + ": " +
              Transcript::quoted(text));
  }
  if (!reachable()) return;
  if (!isCommand) {
    deliver(*current_, makeChat(CHAT_Public, 0, resident.record, text.c_str()));
    return;
  }
  const Command command(text.c_str() + 1);
  deliver(*current_, command.commandIs("help")
                         ? makeLocalHelp(resident.record, &command)
                         : makeLocalCommand(resident.record, &command));
}

void SimulatedHost::leave(const std::string& name) {
  if (transcript_ != nullptr) {
    write(LineKind::Host, name + " leaves " + arenaOf(*current_));
  }
  Resident* resident = findResident(*current_, name);
  Player* record = resident->record;
  // The record stays valid, and listed, while the plug-in hears of it.
  deliver(*current_, makePlayerLeaving(record));
  removeResident(*current_,
                 static_cast<std::size_t>(resident - current_->residents.data()));
  if (current_->residents.empty()) {
    populated_.erase(static_cast<std::size_t>(current_->handle - 1));
  }
  for (_listnode<Player>* node = current_->players.head; node != nullptr;
       node = node->next) {
    if (node->item == record) {
      current_->players.removeNode(node);
      break;
    }
  }
}

void SimulatedHost::leaveArena() {
  write(LineKind::Host, current_->name + " leaves " +
                            (current_->arena.empty() ? std::string("its arena")
                                                     : arenaOf(*current_)) +
                            " (ArenaLeave): its player list is emptied");
  deliver(*current_, makeArenaLeave());
  populated_.erase(static_cast<std::size_t>(current_->handle - 1));
  clearResidents(*current_);
  current_->players.clear();
  current_->inArena = false;
  current_->arenaHeard = false;
}

void SimulatedHost::enterArena(const std::string& arena) {
  Bot& bot = *current_;
  if (!bot.connected) {
    clearResidents(bot);
    bot.players.clear();
    bot.arena = arena;
    bot.inArena = true;
    bot.arenaHeard = false;
    write(LineKind::Host, bot.name + " goes to " + arenaOf(bot) +
                              ": the plug-in hears of it when it connects");
    return;
  }
  if (bot.inArena) leaveArena();
  bot.arena = arena;
  bot.inArena = true;
  announceArena();
}

// The plug-in of the current bot hears the name of its arena.
void SimulatedHost::announceArena() {
  Bot& bot = *current_;
  write(LineKind::Host, bot.name + " enters " + arenaOf(bot) + " (ArenaEnter)");
  bot.arenaHeard = true;
  deliver(bot, makeArenaEnter(bot.arena.c_str(), bot.self.get(), 0));
}

void SimulatedHost::wait(std::uint32_t seconds) {
  if (transcript_ != nullptr) {
    write(LineKind::Host, seconds == 1
                              ? std::string("1 second passes")
                              : std::to_string(seconds) + " seconds pass");
  }
  for (std::uint32_t second = 0; second < seconds; ++second) {
    if (lagLogsBySecond_) readLagLogs();
    ++seconds_;
    if (transcript_ != nullptr) transcript_->setTime(seconds_);
    if (tickOnlyPopulated_) {
      // A bot may lose its last player during the loop.
      ticked_.assign(populated_.begin(), populated_.end());
      for (std::size_t index : ticked_) deliver(*bots_[index], makeTick());
    } else {
      endSpikes();
      for (const std::unique_ptr<Bot>& bot : bots_) deliver(*bot, makeTick());
    }
    deliverDueReplies();
    if (heapReportSeconds_ != 0 && seconds_ % heapReportSeconds_ == 0) {
      reportHeap();
    }
  }
}

void SimulatedHost::skip(std::uint64_t seconds) {
  if (lagLogsBySecond_) readLagLogs();
  seconds_ += seconds;
  if (transcript_ != nullptr) transcript_->setTime(seconds_);
}

void SimulatedHost::reportHeap() const {
  std::uint64_t bytes = 0;
  if (!liveHeapBytes(&bytes)) return;
  std::fprintf(stderr, "tarvok-sim: heap after %lu s: %llu bytes live\n",
               static_cast<unsigned long>(seconds_),
               static_cast<unsigned long long>(bytes));
}

bool SimulatedHost::editIni(const ScenarioAction& action, std::string* error) {
  const char* const kFile = "tarvok.ini: ";
  bool written = true;
  if (action.kind == ActionKind::IniClear) {
    written = ini_.clear(error);
    write(LineKind::Host, std::string(kFile) + "emptied");
  } else if (action.kind == ActionKind::Ini) {
    written = ini_.add(action.text, error);
    write(LineKind::Host, kFile + std::string("line ") +
                              std::to_string(ini_.lines().size()) +
                              " added: " + Transcript::quoted(action.text));
  } else {
    std::vector<std::size_t> replaced;
    written = ini_.set(action.text, &replaced, error);
    if (replaced.empty()) {
      write(LineKind::Host, kFile + std::string("line ") +
                                std::to_string(ini_.lines().size()) +
                                " added: " + Transcript::quoted(action.text));
    }
    for (std::size_t number : replaced) {
      write(LineKind::Host, kFile + std::string("line ") +
                                std::to_string(number) + " is now " +
                                Transcript::quoted(action.text));
    }
  }
  return written;
}

void SimulatedHost::serverSays(const std::string& text) {
  if (transcript_ != nullptr) {
    write(LineKind::Zone,
          "zone -> " + current_->name + ": " + Transcript::quoted(text));
  }
  if (!reachable()) return;
  deliver(*current_, makeChat(0, 0, nullptr, text.c_str()));
}

void SimulatedHost::setServerDelay(std::uint32_t seconds) {
  lagDelay_ = seconds;
  write(LineKind::Zone,
        seconds == 0 ? std::string("zone answers \"*lag\" at once from now on")
                     : "zone answers \"*lag\" " + std::to_string(seconds) +
                           (seconds == 1 ? " second" : " seconds") +
                           " late from now on");
}

void SimulatedHost::setAnswersLag(Resident& resident, bool answers) {
  resident.answersLag = answers;
  write(LineKind::Zone,
        answers ? "zone answers \"*lag\" for " + resident.name + " again"
                : "zone stops answering \"*lag\" for " + resident.name);
}

void SimulatedHost::spike(const ScenarioAction& action) {
  Resident& resident = *findResident(*current_, action.name);
  if (resident.spikeEnds == 0) resident.usualFigures = resident.figures;
  resident.spikeEnds = seconds_ + action.seconds;
  if (action.pings) resident.figures.setPings(*action.pings);
  if (action.losses) resident.figures.setLosses(*action.losses);
  write(LineKind::Zone, "zone measures " + resident.name +
                            "'s connection for " +
                            std::to_string(action.seconds) +
                            (action.seconds == 1 ? " second" : " seconds") +
                            ": ping " + resident.figures.pingsText() +
                            ", loss " + resident.figures.lossesText());
}

// Before the Tick of the second a spike ends, its player's figures are
// back.
void SimulatedHost::endSpikes() {
  for (const std::unique_ptr<Bot>& bot : bots_) {
    for (Resident& resident : bot->residents) {
      if (resident.spikeEnds == 0 || resident.spikeEnds > seconds_) continue;
      resident.spikeEnds = 0;
      resident.figures = resident.usualFigures;
      write(LineKind::Zone, "zone measures " + resident.name +
                                "'s connection again: ping " +
                                resident.figures.pingsText() + ", loss " +
                                resident.figures.lossesText());
    }
  }
}

void SimulatedHost::answerLagQuery(Bot& bot, const Resident& addressee) {
  if (!addressee.answersLag) {
    write(LineKind::Zone,
          "zone does not answer \"*lag\" for " + addressee.name);
    return;
  }
  ServerReply reply{bot.handle, nullptr, spareLine()};
  // A replay's answerer says how late its answer comes.
  std::uint32_t late = answerer_ ? 0 : lagDelay_;
  if (!answerer_) {
    reply.chatLine = addressee.figures.lagLine();
  } else if (!answerer_(bot.handle, addressee.name, seconds_,
                        &reply.chatLine, &late)) {
    if (transcript_ != nullptr) {
      write(LineKind::Zone, "zone has no logged figures for " +
                                addressee.name + " now: no answer");
    }
    return;
  }
  if (late == 0) {
    replies_.push_back(std::move(reply));
  } else {
    delayedReplies_.push_back({seconds_ + late, std::move(reply)});
  }
}

bool SimulatedHost::answerHeldForCurrentBot() const {
  return std::any_of(delayedReplies_.begin(), delayedReplies_.end(),
                     [this](const DelayedReply& held) {
                       return held.reply.handle == current_->handle;
                     });
}

// After the Tick of their second, in the order asked; a bot that is not
// connected then hears nothing.
void SimulatedHost::deliverDueReplies() {
  // Taken out of the queue before any is delivered: the plug-in may ask
  // again on hearing one, which queues an answer due later and moves the
  // queue's entries.
  dueReplies_.clear();
  for (auto entry = delayedReplies_.begin(); entry != delayedReplies_.end();) {
    if (entry->due > seconds_) {
      ++entry;
      continue;
    }
    dueReplies_.push_back(std::move(entry->reply));
    entry = delayedReplies_.erase(entry);
  }
  for (ServerReply& reply : dueReplies_) {
    const Bot* bot = botOfHandle(reply.handle);
    if (bot->connected && talk_ != nullptr) {
      deliverReply(reply);
      flushReplies();
    }
    keepSpareLine(std::move(reply.chatLine));
  }
}

std::string SimulatedHost::spareLine() {
  if (spareLines_.empty()) return std::string();
  std::string line = std::move(spareLines_.back());
  spareLines_.pop_back();
  return line;
}

void SimulatedHost::keepSpareLine(std::string line) {
  if (spareLines_.size() < kSpareLines) spareLines_.push_back(std::move(line));
}

bool SimulatedHost::reachable() {
  if (!current_->connected) {
    write(LineKind::Host,
          current_->name + " is not connected: the plug-in hears nothing");
    return false;
  }
  if (current_->refused) {
    write(LineKind::Host, current_->name +
                              "'s plug-in refused to connect: it is dead and "
                              "hears nothing until the host stops");
  }
  return true;
}

SimulatedHost::Bot* SimulatedHost::findBot(const std::string& name) {
  const auto found = botNames_.find(name);
  return found == botNames_.end() ? nullptr : bots_[found->second].get();
}

// Handles are given in order from 1.
SimulatedHost::Bot* SimulatedHost::botOfHandle(CALL_HANDLE handle) {
  if (handle == 0 || handle > bots_.size()) return nullptr;
  return bots_[handle - 1].get();
}

SimulatedHost::Resident* SimulatedHost::findResident(Bot& bot,
                                                     const std::string& name) {
  for (Resident& resident : bot.residents) {
    if (resident.name == name) return &resident;
  }
  return nullptr;
}

SimulatedHost::Resident* SimulatedHost::residentOfIdent(Bot& bot,
                                                        std::uint16_t ident) {
  const auto found = bot.residentOfIdent.find(ident);
  return found == bot.residentOfIdent.end() ? nullptr
                                            : &bot.residents[found->second];
}

void SimulatedHost::addResident(Bot& bot, const Resident& resident) {
  bot.residentOfIdent[resident.record->ident] = bot.residents.size();
  bot.residents.push_back(resident);
}

void SimulatedHost::removeResident(Bot& bot, std::size_t index) {
  bot.residentOfIdent.erase(bot.residents[index].record->ident);
  bot.residents.erase(bot.residents.begin() + static_cast<long>(index));
  // Those after it moved down by one.
  for (auto& entry : bot.residentOfIdent) {
    if (entry.second > index) --entry.second;
  }
}

void SimulatedHost::clearResidents(Bot& bot) {
  bot.residents.clear();
  bot.residentOfIdent.clear();
}

SimulatedHost::Resident* SimulatedHost::residentOfRecord(Bot& bot,
                                                         const Player* record) {
  for (Resident& resident : bot.residents) {
    if (resident.record == record) return &resident;
  }
  return nullptr;
}

// Idents come from one counter for the whole host, skipping any that a
// player of this arena was given by hand.
std::uint16_t SimulatedHost::freeIdent(Bot& bot) {
  while (residentOfIdent(bot, nextIdent_) != nullptr) ++nextIdent_;
  return nextIdent_++;
}

void SimulatedHost::deliver(Bot& bot, BotEvent event) {
  if (!bot.connected || talk_ == nullptr) return;
  callTalk(bot, event);
  flushReplies();
}

void SimulatedHost::flushReplies() {
  while (!replies_.empty()) {
    ServerReply reply = std::move(replies_.front());
    replies_.pop_front();
    deliverReply(reply);
    keepSpareLine(std::move(reply.chatLine));
  }
}

void SimulatedHost::callTalk(Bot& bot, BotEvent event) {
  event.handle = bot.handle;
  active_ = this;
  talk_(event);
  active_ = nullptr;
  if (event.code == EVENT_Tick) return;
  logsMayHaveGrown_ = true;
  if (!lagLogsBySecond_) readLagLogs();
}

void SimulatedHost::readLagLogs() {
  // A Tick writes no row: where only Ticks came since the last read, the
  // logs are as they were, and the system call to look is saved (a replay
  // with few checks has many such seconds).
  if (!logFollower_.following() || !logsMayHaveGrown_) return;
  logsMayHaveGrown_ = false;
  logFollower_.poll([this](const std::string& path, std::string_view line) {
    if (transcript_ != nullptr) {
      write(LineKind::Log, path + ": " + lagLogLineShown(line, seconds_));
    }
    if (logObserver_) logObserver_(line, seconds_);
    if (keptLog_ != nullptr) keepLine(line);
  });
}

void SimulatedHost::keepLine(std::string_view line) {
  LagLogRow row;
  std::string ignored;
  std::string kept(line);
  if (parseLagLogRow(line, &row, &ignored)) {
    kept = lagLogTimeText(kSimulatedEpoch + seconds_);
    kept += line.substr(line.find('\t'));
  }
  kept += '\n';
  std::fwrite(kept.data(), 1, kept.size(), keptLog_);
}

void SimulatedHost::deliverReply(const ServerReply& reply) {
  Bot* bot = botOfHandle(reply.handle);
  if (reply.spectator == nullptr) {
    if (transcript_ != nullptr) {
      write(LineKind::Zone,
            "zone -> " + bot->name + ": " + Transcript::quoted(reply.chatLine));
    }
    callTalk(*bot, makeChat(0, 0, nullptr, reply.chatLine.c_str()));
    return;
  }
  Resident* resident = residentOfRecord(*bot, reply.spectator);
  if (resident == nullptr || resident->record->ship == kSpectatorShip) return;
  const std::uint8_t oldShip = resident->record->ship;
  resident->record->ship = kSpectatorShip;
  if (transcript_ != nullptr) {
    write(LineKind::Host, resident->name + " changes from " +
                              shipText(oldShip) + " to " +
                              shipText(kSpectatorShip));
  }
  callTalk(*bot, makePlayerShip(resident->record, oldShip, 0));
}

void TARVOK_STDCALL SimulatedHost::callback(BotEvent& record) {
  if (active_ != nullptr) active_->receive(record);
}

void SimulatedHost::receive(const BotEvent& record) {
  Bot* bot = botOfHandle(record.handle);
  if (bot == nullptr) {
    write(LineKind::Bot,
          "a record from the unknown handle " + std::to_string(record.handle));
    return;
  }
  const std::uint32_t code = unsignedOf(record.code);
  if (code == COMMAND_Echo) {
    const std::string text =
        record.p[0] != 0 ? pointerOf<const char>(record.p[0]) : "";
    write(LineKind::Bot, bot->name + " -> host: " + Transcript::quoted(text));
    if (text.rfind("DLL plugin cannot connect", 0) == 0) bot->refused = true;
    if (text == "DLL plugin connected.") bot->refused = false;
    if (lagLogFailure_.empty() && text.rfind("Lag log: cannot write", 0) == 0) {
      lagLogFailure_ = escapeControlBytes(text);
    }
  } else if (code == COMMAND_SendChat) {
    const char* text = pointerOf<const char>(record.p[3]);
    receiveChat(*bot, unsignedOf(record.p[0]),
                static_cast<std::uint16_t>(record.p[2]),
                text != nullptr ? std::string_view(text) : std::string_view());
  } else {
    write(LineKind::Bot, bot->name + " -> host: command code " +
                             std::to_string(code) +
                             ", which this host ignores");
  }
}

void SimulatedHost::receiveChat(Bot& bot, std::uint32_t chatType,
                                std::uint16_t target, std::string_view text) {
  const ServerCommand command = ServerCommand::of(chatType, text);
  Resident* addressee =
      chatType == CHAT_Private ? residentOfIdent(bot, target) : nullptr;
  if (transcript_ != nullptr) {
    std::string to;
    if (chatType == CHAT_Private) {
      to = addressee != nullptr
               ? addressee->name
               : "ident " + std::to_string(target) + " (nobody in the arena)";
    } else if (chatType == CHAT_Public) {
      to = "arena";
    } else {
      to = "chat type " + std::to_string(chatType);
    }
    write(LineKind::Bot,
          bot.name + " -> " + to + ": " + Transcript::quoted(std::string(text)));
  }

  switch (command.action) {
    case ServerAction::None:
      return;
    case ServerAction::ArenaMessage:
      if (transcript_ != nullptr) {
        write(LineKind::Zone, "zone -> " + arenaOf(bot) + ": " +
                                  Transcript::quoted(std::string(command.text)));
      }
      return;
    case ServerAction::LagQuery:
      if (addressee != nullptr) answerLagQuery(bot, *addressee);
      return;
    case ServerAction::Warning:
      if (addressee != nullptr && transcript_ != nullptr) {
        write(LineKind::Zone, "zone -> " + addressee->name + " (warning): " +
                                  Transcript::quoted(std::string(command.text)));
      }
      return;
    case ServerAction::Spectate:
      if (addressee != nullptr) {
        write(LineKind::Zone,
              "zone moves " + addressee->name + " to spectator mode");
        replies_.push_back({bot.handle, addressee->record, ""});
      }
      return;
  }
}

void SimulatedHost::write(LineKind kind, const std::string& text) {
  if (transcript_ != nullptr) transcript_->write(kind, text);
}
