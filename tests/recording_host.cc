#include "recording_host.h"

#include "host/event_makers.h"
#include "util/command.h"

namespace {
RecordingHost* current = nullptr;
}

std::string SentRecord::describe() const {
  if (code == COMMAND_Echo) return "echo: " + text;
  if (unsignedOf(p[0]) == CHAT_Public) return "public: " + text;
  return "private to " + std::to_string(unsignedOf(p[2])) + ": " + text;
}

RecordingHost::RecordingHost() { current = this; }

RecordingHost::~RecordingHost() {
  // The library may still refer to the players while it unloads.
  library_.unload();
  current = nullptr;
}

std::string RecordingHost::libraryPath() { return TARVOK_LIBRARY_PATH; }

bool RecordingHost::load(const std::string& path) {
  return library_.load(path, &error_);
}

Player* RecordingHost::addPlayer(const char* name, std::uint16_t ident,
                                 std::uint32_t accessLevel, std::uint8_t ship) {
  Player* player = new Player(ident, name, "", 0, 0, 0, 0, 0, ship, 0, 0);
  player->accessLevel = accessLevel;
  players_.appendItem(player);
  return player;
}

void RecordingHost::removePlayer(Player* player) {
  for (_listnode<Player>* node = players_.head; node != nullptr;
       node = node->next) {
    if (node->item == player) {
      players_.removeNode(node);
      return;
    }
  }
}

void RecordingHost::send(CALL_HANDLE handle, BotEvent event) {
  event.handle = handle;
  library_.talk()(event);
}

void RecordingHost::init(CALL_HANDLE handle, std::uint32_t version) {
  send(handle, makeInit(version, &RecordingHost::receive, &players_, nullptr,
                        nullptr, nullptr));
}

void RecordingHost::tick(CALL_HANDLE handle, int count) {
  for (int i = 0; i < count; ++i) send(handle, makeTick());
}

void RecordingHost::command(CALL_HANDLE handle, const Player* caller,
                            const char* line) {
  Command parsed(line);
  send(handle, makeLocalCommand(caller, &parsed));
}

void RecordingHost::help(CALL_HANDLE handle, const Player* caller,
                         const char* topic) {
  std::string line = std::string("help ") + topic;
  Command parsed(line.c_str());
  send(handle, makeLocalHelp(caller, &parsed));
}

void RecordingHost::chat(CALL_HANDLE handle, std::int32_t type,
                         const char* text) {
  send(handle, makeChat(type, 0, nullptr, text));
}

std::vector<SentRecord> RecordingHost::take() {
  std::vector<SentRecord> taken;
  taken.swap(received_);
  return taken;
}

std::vector<std::string> RecordingHost::takeDescribed() {
  std::vector<std::string> lines;
  for (const SentRecord& record : take()) lines.push_back(record.describe());
  return lines;
}

void TARVOK_STDCALL RecordingHost::receive(BotEvent& record) {
  SentRecord copy;
  copy.handle = record.handle;
  copy.code = unsignedOf(record.code);
  for (int i = 0; i < 6; ++i) copy.p[i] = record.p[i];

  std::string problem;
  int firstUnused = 6;
  const char* text = nullptr;
  if (copy.code == COMMAND_Echo) {
    text = pointerOf<const char>(record.p[0]);
    firstUnused = 1;
  } else if (copy.code == COMMAND_SendChat) {
    const std::uint32_t type = unsignedOf(record.p[0]);
    if (type != CHAT_Public && type != CHAT_Private) problem = "chat type";
    if (record.p[1] != 0) problem = "sound not 0";
    if (type == CHAT_Public && record.p[2] != 0) problem = "public target";
    if (record.p[2] > 0xFFFFu) problem = "target over 16 bits";
    text = pointerOf<const char>(record.p[3]);
    firstUnused = 4;
  } else {
    problem = "command code";
  }
  for (int i = firstUnused; i < 6; ++i) {
    if (record.p[i] != 0) problem = "unused word not 0";
  }
  if (text == nullptr) {
    if (problem.empty()) problem = "no text";
  } else {
    copy.text = text;
  }
  if (current == nullptr) return;
  if (!problem.empty()) {
    current->malformed_.push_back(problem + " in " + copy.describe());
  }
  current->received_.push_back(copy);
}
