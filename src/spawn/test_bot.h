// TestBot: a botInfo driven directly by the unit tests of src/spawn.
//
// Each TestBot works in a fresh temporary folder that is the current
// directory for its lifetime (the bot reads "tarvok.ini" from there); the
// previous directory is restored and the folder removed afterwards. It owns
// a host player list (the list itself keeps its items; TestBot owns the
// players) and records every command record the bot sends, describing each
// as "echo: TEXT", "public: TEXT" or "private to IDENT: TEXT". One TestBot
// at a time: the host callback has no context of its own.
#ifndef TARVOK_SPAWN_TEST_BOT_H_
#define TARVOK_SPAWN_TEST_BOT_H_

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/event_makers.h"
#include "hostkit/work_folder.h"
#include "spawn/spawn.h"
#include "util/command.h"
#include "util/player.h"

using Lines = std::vector<std::string>;

// Server lag lines: over the default ping limits and within the loss
// limits, and within every default limit.
inline constexpr char kLagging[] =
    "PING Current:500 ms  Average:400 ms  Low:80 ms  High:950 ms  S2C: 0.0%  "
    "C2S: 0.0%  S2CWeapons: 0.0%";
inline constexpr char kFine[] =
    "PING Current:90 ms  Average:80 ms  Low:70 ms  High:120 ms  S2C: 0.1%  "
    "C2S: 0.2%  S2CWeapons: 0.0%";

class TestBot {
 public:
  explicit TestBot(CALL_HANDLE handle = 1) : visit(folder), bot(handle) {
    players.keepItems = 1;
    recorded() = &sent;
  }

  ~TestBot() { recorded() = nullptr; }

  TestBot(const TestBot&) = delete;
  TestBot& operator=(const TestBot&) = delete;

  // Writes the settings file byte for byte.
  void writeConfig(const std::string& contents) const {
    std::ofstream out(folder.path() / kConfigFileName, std::ios::binary);
    out << contents;
  }

  Player* addPlayer(const char* name, std::uint16_t ident,
                    std::uint32_t accessLevel = OP_Player,
                    std::uint8_t ship = 0) {
    owned.push_back(
        std::make_unique<Player>(ident, name, "", 0, 0, 0, 0, 0, ship, 0, 0));
    Player* player = owned.back().get();
    player->accessLevel = accessLevel;
    players.appendItem(player);
    return player;
  }

  // Takes `player` off the host's list; the record itself stays valid.
  void removePlayer(const Player* player) {
    for (_listnode<Player>* node = players.head; node != nullptr;
         node = node->next) {
      if (node->item == player) {
        players.removeNode(node);
        return;
      }
    }
  }

  void send(BotEvent event) {
    event.handle = bot.handle;
    bot.onEvent(event);
  }
  void init() {
    send(makeInit(kHostInterfaceVersion, &TestBot::receive, &players, nullptr,
                  nullptr, nullptr));
  }
  // Init, then forgets the connection echo.
  void connect() {
    init();
    take();
  }
  void tick(int count = 1) {
    for (int i = 0; i < count; ++i) send(makeTick());
  }
  // `line` without its '!': "lagcheck Bob".
  void command(const Player* caller, const char* line) {
    Command parsed(line);
    send(makeLocalCommand(caller, &parsed));
  }
  void help(const Player* caller, const char* topic) {
    const std::string line = std::string("help ") + topic;
    Command parsed(line.c_str());
    send(makeLocalHelp(caller, &parsed));
  }
  void chat(const char* text, std::int32_t type = 0) {
    send(makeChat(type, 0, nullptr, text));
  }

  // What the bot sent since the last take(), oldest first.
  Lines take() {
    Lines taken;
    taken.swap(sent);
    return taken;
  }

  const WorkFolder folder;
  const WorkFolder::Visit visit;
  _linkedlist<Player> players;
  botInfo bot;

 private:
  static std::vector<std::string>*& recorded() {
    static std::vector<std::string>* current = nullptr;
    return current;
  }

  static void TARVOK_STDCALL receive(BotEvent& record) {
    if (recorded() == nullptr) return;
    const std::uint32_t code = unsignedOf(record.code);
    if (code == COMMAND_Echo) {
      recorded()->push_back(std::string("echo: ") +
                            pointerOf<const char>(record.p[0]));
    } else if (unsignedOf(record.p[0]) == CHAT_Public) {
      recorded()->push_back(std::string("public: ") +
                            pointerOf<const char>(record.p[3]));
    } else {
      recorded()->push_back("private to " +
                            std::to_string(unsignedOf(record.p[2])) + ": " +
                            pointerOf<const char>(record.p[3]));
    }
  }

  std::vector<std::unique_ptr<Player>> owned;
  std::vector<std::string> sent;
};

#endif  // TARVOK_SPAWN_TEST_BOT_H_
