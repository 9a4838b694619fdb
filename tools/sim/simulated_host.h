// SimulatedHost: plays the host bot and the game's zone server around the
// loaded plug-in, one scenario action at a time.
//
// As the host it keeps bots (each with its handle, its own arena and its
// player list, a _linkedlist<Player> whose pointer goes out in Init), sends
// Init, Term, Tick (one per simulated second), PlayerEntering,
// PlayerLeaving, ArenaLeave, ArenaEnter and PlayerShip, and turns a player's
// "!word ..."
// line into a Command for LocalCommand ("!help [topic]" for LocalHelp). As
// the zone server it answers "*lag" with the player's lag line, shows
// "*arena" texts to the arena and "*warn " texts to the player, and moves a
// player sent "*spec" into ship 8, which the host then reports with
// PlayerShip. The server's answers are queued while the plug-in's `talk`
// runs and delivered after it returns: the plug-in is never called from
// inside its own call. The server can be told to answer "*lag" late (the
// line, as measured when asked, arrives after the Nth Tick from then), not
// to answer it for a player, and to show a player's figures changed for a
// while (a spike; a `figures` line ends it). Records and texts that the plug-in
// passes are copied during the callback.
//
// A bot's arena has no name ("LagBot's arena") until the scenario names one:
// the bot was there before the scenario began, and the plug-in hears no
// ArenaEnter for it. A bot in a named arena is sent ArenaEnter with the
// name right after its first Init there, and a move to another arena is
// ArenaLeave (the player list emptied) and ArenaEnter, as the real host
// does; a bot that moves while not connected hears of its arena at its next
// Init.
//
// A bot whose plug-in echoed that it cannot connect is marked refused: the
// plug-in stays dead for that bot until it is unloaded, so every later line
// addressed to the bot notes that it hears nothing.
//
// When tarvok.ini names a lag log ("LagLog=FILE") at an Init, the host
// follows that file: after every event it delivers (Ticks aside), the rows
// the plug-in appended go to the transcript, their time replaced by the
// simulated one, to the lag log observer, and to the kept copy when asked
// for (keepLagLog). A tarvok.ini copied from elsewhere (copyIni) never
// sends the plug-in to that file's log: its LagLog lines name a file in the
// current directory (the run's work folder) instead, and the transcript
// says so.
//
// Everything is written to the transcript as it happens. Only one
// SimulatedHost may talk to a plug-in at a time: the host callback has no
// context of its own.
#ifndef TARVOK_TOOLS_SIM_SIMULATED_HOST_H_
#define TARVOK_TOOLS_SIM_SIMULATED_HOST_H_

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/bot_event.h"
#include "host/linked_list.h"
#include "hostkit/plugin_library.h"
#include "sim/ini_file.h"
#include "laglog/lag_log_follower.h"
#include "sim/network_figures.h"
#include "sim/scenario_action.h"
#include "hostkit/transcript.h"

struct Player;

class SimulatedHost {
 public:
  // The bot the host starts with.
  static constexpr const char* kFirstBotName = "LagBot";

  // `talk` is the plug-in's entry point. Without one (nullptr) the host
  // rehearses: it follows and checks the actions but calls nothing and
  // writes no file. `transcript` (not owned) may be nullptr.
  SimulatedHost(TalkFunction talk, Transcript* transcript);
  ~SimulatedHost();
  SimulatedHost(const SimulatedHost&) = delete;
  SimulatedHost& operator=(const SimulatedHost&) = delete;

  // Carries out `action`. False, with the reason in `error`, for an action
  // that does not fit the host's state (a player who is not there, a name or
  // ident already taken); such an action changes nothing. Also false when
  // tarvok.ini cannot be written.
  bool run(const ScenarioAction& action, std::string* error);

  // A diagnostic for memory soaks, never in the transcript: every `seconds`
  // simulated seconds (0: never), the process's live heap bytes go to the
  // standard error.
  void reportHeapEvery(std::uint32_t seconds) { heapReportSeconds_ = seconds; }
  // Starts "tarvok.ini" as a copy of `contents`, the bytes of the file
  // `from`. False, with the reason in `error`, when it cannot be written.
  bool copyIni(const std::string& from, const std::string& contents,
               std::string* error);

  // Writes every line the plug-in appends to its lag logs to `file` too
  // (not owned; the owner checks the writes), the time of a row replaced by
  // kSimulatedEpoch plus the simulated second, so that the file can be
  // replayed.
  void keepLagLog(std::FILE* file) { keptLog_ = file; }
  // The time of the simulated second 0 in a kept log: 2000-01-01T00:00:00Z.
  static constexpr std::int64_t kSimulatedEpoch = 946684800;

  // For replays: "*lag" is answered by `answerer` with the lag line for the
  // player `name` of the bot with `handle` asked at the simulated `second`,
  // or not at all when it returns false. The answer arrives `*late` seconds
  // later (after the Tick of its second), at once when it leaves `*late` 0.
  using LagAnswerer = std::function<bool(
      CALL_HANDLE handle, const std::string& name, std::uint64_t second,
      std::string* line, std::uint32_t* late)>;
  void answerLagWith(LagAnswerer answerer) { answerer_ = std::move(answerer); }
  // True while the answer to a "*lag" of the current bot is held back for
  // a later second: the bot is waiting for it.
  bool answerHeldForCurrentBot() const;
  // For replays: Ticks go only to bots with players in their arena (a bot
  // without any has nothing to count), and skip() lets time pass without
  // Ticks while no bot has a player.
  void tickOnlyPopulatedBots() { tickOnlyPopulated_ = true; }
  bool anyPopulatedBot() const { return !populated_.empty(); }
  void skip(std::uint64_t seconds);

  // Called with every line the plug-in appends to its lag log and the
  // simulated second it was written in.
  using LagLogObserver =
      std::function<void(std::string_view line, std::uint64_t second)>;
  void observeLagLog(LagLogObserver observer) {
    logObserver_ = std::move(observer);
  }
  // True once the plug-in echoed that it cannot write its lag log; the
  // echo's text in lagLogFailure().
  bool lagLogFailed() const { return !lagLogFailure_.empty(); }
  const std::string& lagLogFailure() const { return lagLogFailure_; }
  // For replays without a transcript: the lag logs are read when
  // readLagLogs() is called and before the clock moves, not after every
  // event, which saves a read of the file per row. The observer still gets
  // each line with the second it was written in.
  void readLagLogsBySecond() { lagLogsBySecond_ = true; }
  // For replays, whose own lag log has no cap: it is never looked for
  // under a rotated name (see LagLogFollower::neverRotated).
  void lagLogsNeverRotate() { logFollower_.neverRotated(); }
  // Passes the lines appended since the last read to the observer (and the
  // transcript and kept log).
  void readLagLogs();

 private:
  struct Resident {
    Player* record;  // owned by the bot's player list
    std::string name;
    NetworkFigures figures;
    bool answersLag = true;       // false after server-drop
    std::uint64_t spikeEnds = 0;  // the second a spike ends; 0: none
    NetworkFigures usualFigures;  // what a spike returns to
  };
  struct Bot {
    std::string name;
    CALL_HANDLE handle = 0;
    bool connected = false;
    bool refused = false;             // the plug-in refused its Init
    _linkedlist<Player> players;      // what the plug-in sees
    std::vector<Resident> residents;  // the same players, in the same order
    // The index in `residents` of each ident: the plug-in addresses a
    // player by ident in every private line it sends.
    std::unordered_map<std::uint16_t, std::size_t> residentOfIdent;
    std::string arena;                // empty: the unnamed arena
    bool inArena = true;              // false after leave-arena
    bool arenaHeard = false;          // the plug-in was sent its ArenaEnter
    std::unique_ptr<Player> self;     // the bot's own record, for ArenaEnter
  };
  // An answer of the zone server, waiting for the current `talk` to return.
  struct ServerReply {
    CALL_HANDLE handle;
    Player* spectator;     // moved to ship 8; nullptr for a chat line
    std::string chatLine;  // sent to the bot as chat type 0
  };
  // A "*lag" answer held back by server-delay until the second `due`.
  struct DelayedReply {
    std::uint64_t due;
    ServerReply reply;
  };

  bool check(const ScenarioAction& action, std::string* error);

  void addBot(const std::string& name, const std::string& arena = "");
  void connect(std::uint32_t version);
  void disconnect();
  void arrive(const ScenarioAction& action);
  void changeFigures(const ScenarioAction& action);
  void changeShip(Resident& resident, std::uint8_t ship);
  void type(Resident& resident, const std::string& text);
  void leave(const std::string& name);
  void leaveArena();
  void enterArena(const std::string& arena);
  void announceArena();
  void wait(std::uint32_t seconds);
  bool editIni(const ScenarioAction& action, std::string* error);
  void serverSays(const std::string& text);
  void setServerDelay(std::uint32_t seconds);
  void setAnswersLag(Resident& resident, bool answers);
  void spike(const ScenarioAction& action);
  void endSpikes();
  void answerLagQuery(Bot& bot, const Resident& addressee);
  void deliverDueReplies();
  // The blocks of answers delivered, for the next ones: a replay answers a
  // "*lag" for every check.
  std::string spareLine();
  void keepSpareLine(std::string line);
  static constexpr std::size_t kSpareLines = 16;
  void reportHeap() const;

  // True when the current bot is connected; otherwise says so. Also notes a
  // refused plug-in, which is passed the line all the same.
  bool reachable();
  Bot* findBot(const std::string& name);
  Bot* botOfHandle(CALL_HANDLE handle);
  static Resident* findResident(Bot& bot, const std::string& name);
  static Resident* residentOfIdent(Bot& bot, std::uint16_t ident);
  // The only changes of a bot's residents, which keep its ident index.
  static void addResident(Bot& bot, const Resident& resident);
  static void removeResident(Bot& bot, std::size_t index);
  static void clearResidents(Bot& bot);
  static Resident* residentOfRecord(Bot& bot, const Player* record);
  std::uint16_t freeIdent(Bot& bot);

  // Passes `event` to `bot`'s plug-in instance, if it is connected, then the
  // server's answers that the plug-in caused, until there are none left.
  void deliver(Bot& bot, BotEvent event);
  void callTalk(Bot& bot, BotEvent event);
  void flushReplies();
  void deliverReply(const ServerReply& reply);
  // The host callback and its work.
  static void TARVOK_STDCALL callback(BotEvent& record);
  void receive(const BotEvent& record);
  void receiveChat(Bot& bot, std::uint32_t chatType, std::uint16_t target,
                   std::string_view text);

  void write(LineKind kind, const std::string& text);
  void keepLine(std::string_view line);
  static std::string arenaOf(const Bot& bot) {
    return bot.arena.empty() ? bot.name + "'s arena" : "arena " + bot.arena;
  }

  TalkFunction talk_;
  Transcript* transcript_;
  IniFile ini_;
  std::vector<std::unique_ptr<Bot>> bots_;  // in the order they joined
  std::unordered_map<std::string, std::size_t> botNames_;
  Bot* current_ = nullptr;
  std::uint16_t nextIdent_ = 1;
  std::uint64_t seconds_ = 0;
  std::deque<ServerReply> replies_;
  LagLogFollower logFollower_;
  LagLogObserver logObserver_;
  std::string lagLogFailure_;
  std::FILE* keptLog_ = nullptr;
  LagAnswerer answerer_;
  bool tickOnlyPopulated_ = false;
  bool lagLogsBySecond_ = false;
  bool logsMayHaveGrown_ = true;  // an event other than a Tick since a read
  std::set<std::size_t> populated_;  // indexes of bots with players
  std::vector<std::size_t> ticked_;
  std::uint32_t lagDelay_ = 0;  // seconds; 0 answers "*lag" at once
  std::deque<DelayedReply> delayedReplies_;
  std::vector<ServerReply> dueReplies_;  // being delivered
  std::vector<std::string> spareLines_;
  std::uint32_t heapReportSeconds_ = 0;

  static SimulatedHost* active_;  // the host whose `talk` call is running
};

#endif  // TARVOK_TOOLS_SIM_SIMULATED_HOST_H_
