// Fuzzes the plug-in through `talk` with a stream of host events built from
// the input: Init with varied versions, Term, ticks, players entering and
// leaving (names of up to 20 bytes, unterminated ones included; any access
// level; any ship), chat lines of every type, commands and help requests
// parsed from arbitrary bytes, ArenaLeave and ArenaEnter (a few arena names,
// no name at all), events the plug-in ignores, and new contents for
// "tarvok.ini" with arena sections, spread over several bot handles (0
// included). A CheckingHost checks every record; on top of that, a model of
// each bot's connection state says when a bot must stay silent and which
// status line it must echo, and a tick may only send the lag watch's one
// query or its notice of a query given up. Each input starts from an empty
// registry and ends by unloading every bot, as a library unload does.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "checking_host.h"
#include "fuzz_check.h"
#include "host/botlist.h"
#include "host/event_makers.h"
#include "input_folder.h"
#include "spawn/spawn.h"
#include "util/command.h"
#include "util/player.h"

namespace {

const CALL_HANDLE kHandles[] = {1, 2, 0, 0xFFFFFFFFu};
constexpr std::size_t kHandleCount = sizeof kHandles / sizeof kHandles[0];

const std::uint32_t kVersions[] = {
    0x00060005, 0x00060004, 0x0006FFFF, 0x00070000,
    0x00050009, 0x00060006, 0x00000000, 0xFFFF0005,
};

// Command words the plug-in knows, so that the stream reaches them often;
// the rest of the line is arbitrary.
const char* const kCommandStarts[] = {
    "",
    "lagcheck ",
    "lagme",
    "laglimits",
    "about",
    "version",
    "absoluteversion",
    "laglimitset -",
    "laggerdeal ",
    "lagdisplay ",
    "lagtimelimit ",
    "lagwatch -",
    "laghistory ",
    "lagallow ",
    "LagCheck ",
    "help ",
};

const char* const kLagLineStarts[] = {
    "PING Current:",
    ("PING Current:900 ms  Average:900 ms  Low:8 ms  High:9 ms  S2C: 9.0%  "
     "C2S: 9.0%  S2CWeapons: "),
    "ping ",
    "",
};

// The host-side model of one bot: what it may say.
enum class Connection { kNone, kConnected, kDead };

constexpr std::size_t kMostPlayers = 40;

class EventStream {
 public:
  explicit EventStream(FuzzedDataProvider& input) : input_(input) {
    for (Connection& state : states_) state = Connection::kNone;
  }

  void run() {
    while (input_.remaining_bytes() > 0) step();
    // Everybody leaves, then the library unloads.
    while (host_.playerCount() > 0) removePlayer(0);
    botlist.clear();
  }

 private:
  void step() {
    const std::size_t handleIndex =
        input_.ConsumeIntegralInRange<std::size_t>(0, kHandleCount - 1);
    switch (input_.ConsumeIntegralInRange(0, 12)) {
      case 0:
        init(handleIndex);
        break;
      case 1:
        term(handleIndex);
        break;
      case 2: {
        const int ticks = input_.ConsumeIntegralInRange(1, 8);
        for (int i = 0; i < ticks; ++i) tick(handleIndex);
        break;
      }
      case 3:
        addPlayer(handleIndex);
        break;
      case 4:
        if (host_.playerCount() > 0) {
          removePlayer(input_.ConsumeIntegralInRange<std::size_t>(
              0, host_.playerCount() - 1));
        }
        break;
      case 5:
        chat(handleIndex);
        break;
      case 6:
        command(handleIndex, false);
        break;
      case 7:
        command(handleIndex, true);
        break;
      case 8:
        if (input_.ConsumeBool()) {
          sendSilent(handleIndex, makeArenaLeave());
        } else {
          enterArena(handleIndex);
        }
        break;
      case 9:
        ignoredEvent(handleIndex);
        break;
      case 10:
        writeConfig();
        break;
      case 11:
        changePlayer();
        break;
      default: {
        // The same line typed by a listed player to every bot in turn.
        const std::string line = commandLine();
        for (std::size_t i = 0; i < kHandleCount; ++i) {
          if (host_.playerCount() == 0) break;
          const Command parsed(line.c_str());
          send(i, makeLocalCommand(anyPlayer(), &parsed));
        }
        break;
      }
    }
  }

  // Sends `event` to one bot and checks that a bot without a connection
  // stays silent (Init, which makes the connection, checks for itself).
  std::vector<ReceivedRecord> send(std::size_t handleIndex, BotEvent event) {
    const CALL_HANDLE handle = kHandles[handleIndex];
    event.handle = handle;
    host_.expectHandle(handle);
    talk(event);
    std::vector<ReceivedRecord> received = host_.take();
    if (event.code == EVENT_Init) return received;
    if (states_[handleIndex] != Connection::kConnected || handle == 0) {
      FUZZ_CHECK(received.empty(), "a bot without a connection said '" +
                                       received.front().text + "'");
    }
    return received;
  }

  // A second passes. Only the lag watch speaks then: an automatic query, or
  // the requester told that a query went unanswered; at most one query goes
  // out per second.
  void tick(std::size_t handleIndex) {
    const std::vector<ReceivedRecord> received = send(handleIndex, makeTick());
    int queries = 0;
    for (const ReceivedRecord& record : received) {
      FUZZ_CHECK(record.chatType == CHAT_Private,
                 "a tick said '" + record.text + "' aloud");
      if (record.text == "*lag") {
        ++queries;
        continue;
      }
      FUZZ_CHECK(
          record.text.rfind("No answer came for the lag check of ", 0) == 0,
          "a tick said '" + record.text + "'");
    }
    FUZZ_CHECK(queries <= 1,
               "a tick sent " + std::to_string(queries) + " lag queries");
  }

  // Events that must bring no answer, but for the lag log's failure echo.
  void sendSilent(std::size_t handleIndex, BotEvent event) {
    for (const ReceivedRecord& record : send(handleIndex, event)) {
      FUZZ_CHECK(record.code == COMMAND_Echo && isLagLogFailure(record.text),
                 "event " + std::to_string(event.code) +
                     " was answered with '" + record.text + "'");
    }
  }

  void init(std::size_t handleIndex) {
    const std::size_t pick = input_.ConsumeIntegralInRange<std::size_t>(
        0, sizeof kVersions / sizeof kVersions[0]);
    const std::uint32_t version = pick < sizeof kVersions / sizeof kVersions[0]
                                      ? kVersions[pick]
                                      : input_.ConsumeIntegral<std::uint32_t>();
    const Connection before = states_[handleIndex];
    const std::vector<ReceivedRecord> received =
        send(handleIndex, makeInit(version, CheckingHost::callback(),
                                   host_.players(), nullptr, nullptr, nullptr));
    if (before != Connection::kDead) {
      const bool accepted = version >> 16 == 6 && (version & 0xFFFFu) >= 5;
      states_[handleIndex] =
          accepted ? Connection::kConnected : Connection::kDead;
    }
    if (before == Connection::kDead || kHandles[handleIndex] == 0) {
      FUZZ_CHECK(received.empty(), "a dead bot answered Init");
      return;
    }
    // A connection logs a row when the file names a lag log; a log that
    // cannot be written adds its one failure echo after the status line.
    const bool logFailureAfter = received.size() == 2 &&
                                 received[1].code == COMMAND_Echo &&
                                 isLagLogFailure(received[1].text);
    FUZZ_CHECK(
        (received.size() == 1 || logFailureAfter) &&
            received[0].code == COMMAND_Echo,
        "Init answered with " + std::to_string(received.size()) + " records");
    const bool connected = received[0].text == "DLL plugin connected.";
    FUZZ_CHECK(connected == (states_[handleIndex] == Connection::kConnected),
               "version " + std::to_string(version) + " answered with '" +
                   received[0].text + "'");
  }

  void term(std::size_t handleIndex) {
    BotEvent event = makeTerm();
    // Stray words in a Term change nothing.
    if (input_.ConsumeBool())
      event.p[0] = input_.ConsumeIntegral<std::uint32_t>();
    const std::vector<ReceivedRecord> received = send(handleIndex, event);
    if (states_[handleIndex] == Connection::kConnected &&
        kHandles[handleIndex] != 0) {
      FUZZ_CHECK(received.size() == 1 &&
                     received[0].text == "DLL plugin disconnected.",
                 "Term not answered with the status line");
    }
  }

  void addPlayer(std::size_t handleIndex) {
    if (host_.playerCount() >= kMostPlayers) return;
    // Names fill 0 to 20 bytes of the field; 20 leave it unterminated.
    const std::string name = input_.ConsumeBytesAsString(
        input_.ConsumeIntegralInRange<std::size_t>(0, kPlayerNameSize));
    const std::uint16_t ident = input_.ConsumeIntegral<std::uint16_t>();
    const std::uint32_t level = accessLevel();
    const std::uint8_t ship = input_.ConsumeBool()
                                  ? kSpectatorShip
                                  : input_.ConsumeIntegral<std::uint8_t>();
    const Player* player = host_.addPlayer(name, ident, level, ship);
    sendSilent(handleIndex, makePlayerEntering(player));
  }

  // The record leaves the host's list first, every bot hears of it, and only
  // then is it freed.
  void removePlayer(std::size_t index) {
    const std::unique_ptr<Player> player = host_.detachPlayer(index);
    for (std::size_t i = 0; i < kHandleCount; ++i) {
      sendSilent(i, makePlayerLeaving(player.get()));
    }
  }

  void changePlayer() {
    if (host_.playerCount() == 0) return;
    Player* player = anyPlayer();
    if (input_.ConsumeBool()) {
      player->accessLevel = accessLevel();
    } else {
      player->ship = input_.ConsumeIntegral<std::uint8_t>();
    }
  }

  std::uint32_t accessLevel() {
    return input_.ConsumeBool() ? input_.ConsumeIntegralInRange(0u, 14u)
                                : input_.ConsumeIntegral<std::uint32_t>();
  }

  Player* anyPlayer() {
    return host_.playerAt(
        input_.ConsumeIntegralInRange<std::size_t>(0, host_.playerCount() - 1));
  }

  void chat(std::size_t handleIndex) {
    const std::int32_t types[] = {
        0, 0, 1, 2, 5, 7, 9, input_.ConsumeIntegral<std::int32_t>()};
    const std::int32_t type = types[input_.ConsumeIntegralInRange(0, 7)];
    std::string text = kLagLineStarts[input_.ConsumeIntegralInRange(0, 3)] +
                       input_.ConsumeRandomLengthString(160);
    const Player* sender =
        host_.playerCount() > 0 && input_.ConsumeBool() ? anyPlayer() : nullptr;
    const std::vector<ReceivedRecord> received =
        send(handleIndex, makeChat(type, input_.ConsumeIntegral<std::uint8_t>(),
                                   sender, text.c_str()));
    if (type != 0)
      FUZZ_CHECK(received.empty(),
                 "chat of type " + std::to_string(type) + " was answered");
  }

  // A command word and arbitrary text, or the name of a listed player.
  std::string commandLine() {
    const std::string start =
        kCommandStarts[input_.ConsumeIntegralInRange<std::size_t>(
            0, sizeof kCommandStarts / sizeof kCommandStarts[0] - 1)];
    if (host_.playerCount() > 0 && input_.ConsumeBool()) {
      const Player* player = anyPlayer();
      return start + std::string(player->name, player->nameLength());
    }
    return start + input_.ConsumeRandomLengthString(64);
  }

  // "help" and a topic, usually a command word in any letter case.
  std::string helpLine() {
    std::string line = "help ";
    if (input_.ConsumeBool()) {
      std::string topic =
          kCommandStarts[input_.ConsumeIntegralInRange<std::size_t>(
              0, sizeof kCommandStarts / sizeof kCommandStarts[0] - 1)];
      if (input_.ConsumeBool()) {
        for (char& c : topic) c = static_cast<char>(std::toupper(c));
      }
      line += topic;
    }
    if (input_.ConsumeBool()) line += input_.ConsumeRandomLengthString(24);
    return line;
  }

  // A command or help request typed by a listed player.
  void command(std::size_t handleIndex, bool help) {
    if (host_.playerCount() == 0) return;
    const std::string line = help ? helpLine() : commandLine();
    const Command parsed(line.c_str());
    const Player* caller = anyPlayer();
    send(handleIndex, help ? makeLocalHelp(caller, &parsed)
                           : makeLocalCommand(caller, &parsed));
  }

  // Events that no bot answers, with arbitrary parameter words.
  void ignoredEvent(std::size_t handleIndex) {
    const std::uint32_t codes[] = {
        EVENT_PlayerMove,
        EVENT_PlayerWeapon,
        EVENT_ArenaSettings,
        EVENT_RemoteCommand,
        EVENT_SelfUFO,
        EVENT_BrickDropped,
        40,
        41,
        input_.ConsumeIntegral<std::uint32_t>() | 0x40u};
    const std::uint32_t code = codes[input_.ConsumeIntegralInRange(0, 8)];
    BotEvent event = makeRecord(code, {});
    const bool hasPlayer =
        code == EVENT_PlayerMove || code == EVENT_PlayerWeapon;
    for (std::uintptr_t& word : event.p) {
      word = input_.ConsumeIntegral<std::uint32_t>();
    }
    if (hasPlayer) {
      event.p[0] = host_.playerCount() > 0 ? wordOf(anyPlayer()) : 0;
    }
    sendSilent(handleIndex, event);
  }

  // The bot enters an arena: it reads tarvok.ini again when the file has
  // arena sections, and says nothing.
  void enterArena(std::size_t handleIndex) {
    static const char* const kArenas[] = {"league", "LEAGUE", "duel",
                                          "0",      "",       nullptr};
    const char* arena = kArenas[input_.ConsumeIntegralInRange(0, 5)];
    sendSilent(handleIndex, makeArenaEnter(arena, nullptr, 0));
  }

  // Read at the next accepted Init or ArenaEnter: lines that mostly start
  // with a key or an arena section. The
  // lag log goes to one of a few fixed places, never outside the input's
  // folder: a file, the folder itself, a missing folder.
  void writeConfig() {
    static const char* const kLagLogs[] = {"lag.log", ".", "missing/lag.log",
                                           ""};
    static const char* const kKeys[] = {"WarnMessage=",    "LockMessage=",
                                        "current=",        "average=",
                                        "s2cploss=",       "c2sploss=",
                                        "s2cweapons=",     "display=",
                                        "deal=",           "maxcheckrate=",
                                        "queue=",          "autocheck=",
                                        "strikes=",        "grace=",
                                        "autochecklevel=", "answertimeout=",
                                        "LagLog=",         "[arena league]",
                                        "[arena duel]",    "[ARENA 0 ]",
                                        "[settings]",      "minplayers=",
                                        "stability=",      "pingceiling=",
                                        "allow=",          ""};
    std::string contents;
    const int lines = input_.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < lines; ++i) {
      const std::string key = kKeys[input_.ConsumeIntegralInRange<std::size_t>(
          0, sizeof kKeys / sizeof kKeys[0] - 1)];
      contents += key;
      // A section line stands alone.
      if (key.empty() || key[0] != '[') {
        contents += key == "LagLog="
                        ? kLagLogs[input_.ConsumeIntegralInRange(0, 3)]
                        : input_.ConsumeRandomLengthString(40);
      }
      contents += '\n';
    }
    std::ofstream out(kConfigFileName, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  }

  FuzzedDataProvider& input_;
  CheckingHost host_;
  Connection states_[kHandleCount];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const InputFolder inside;
  std::remove(kConfigFileName);
  FuzzedDataProvider input(data, size);
  EventStream(input).run();
  return 0;
}
