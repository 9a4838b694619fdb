// RecordingHost: a host for end-to-end tests. It loads the built plug-in
// library through PluginLibrary, keeps a player list, sends events to any
// number of bot handles, and records every command record the plug-in sends
// back, with copies of their texts, checking each record's shape as it
// arrives. Only one RecordingHost may exist at a time (the host callback has
// no context of its own).
#ifndef TARVOK_TESTS_RECORDING_HOST_H_
#define TARVOK_TESTS_RECORDING_HOST_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/bot_event.h"
#include "host/linked_list.h"
#include "hostkit/plugin_library.h"
#include "util/player.h"

// One command record as the host received it.
struct SentRecord {
  std::uintptr_t handle;
  std::uint32_t code;
  std::uintptr_t p[6];
  std::string text;  // p[0] of an Echo, p[3] of a SendChat

  // "echo: TEXT", "public: TEXT", "private to IDENT: TEXT".
  std::string describe() const;
};

class RecordingHost {
 public:
  RecordingHost();
  ~RecordingHost();
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  // Loads the library (the built one unless `path` is given). On failure the
  // reason is in error().
  bool load(const std::string& path = libraryPath());
  const std::string& error() const { return error_; }
  // Unloads the library, which destroys every bot instance.
  void unload() { library_.unload(); }

  // Absolute path of the library the build made.
  static std::string libraryPath();

  // Players in the host's list, in arrival order; the list owns them.
  Player* addPlayer(const char* name, std::uint16_t ident,
                    std::uint32_t accessLevel = OP_Player,
                    std::uint8_t ship = 0);
  void removePlayer(Player* player);
  _linkedlist<Player>* players() { return &players_; }

  // Sends `event` to the bot `handle`.
  void send(CALL_HANDLE handle, BotEvent event);
  void init(CALL_HANDLE handle, std::uint32_t version = kHostInterfaceVersion);
  void tick(CALL_HANDLE handle, int count = 1);
  // `line` without its '!': "lagcheck Bob".
  void command(CALL_HANDLE handle, const Player* caller, const char* line);
  void help(CALL_HANDLE handle, const Player* caller, const char* topic);
  void chat(CALL_HANDLE handle, std::int32_t type, const char* text);

  // The records received since the last take(), oldest first.
  std::vector<SentRecord> take();
  // The same, each as SentRecord::describe() gives it.
  std::vector<std::string> takeDescribed();
  // Records whose shape was wrong (unused words not 0, unknown code or chat
  // type, no text); empty when all were well formed.
  const std::vector<std::string>& malformed() const { return malformed_; }

 private:
  static void TARVOK_STDCALL receive(BotEvent& record);

  PluginLibrary library_;
  std::string error_;
  _linkedlist<Player> players_;
  std::vector<SentRecord> received_;
  std::vector<std::string> malformed_;
};

#endif  // TARVOK_TESTS_RECORDING_HOST_H_
