// ServerCommand: what the zone server makes of a chat line a bot sends.
// The server acts on four commands and relays everything else as chat:
//   "*lag" sent privately       reports that player's lag to the bot
//   "*arena TEXT" (any type)    shows TEXT to the whole arena
//   "*warn TEXT" sent privately shows TEXT to that player as a warning
//   "*spec" sent privately      moves that player into spectator mode
// The server drops "*arena" and one blank after it, and "*warn " whole.
#ifndef TARVOK_TOOLS_SIM_SERVER_COMMAND_H_
#define TARVOK_TOOLS_SIM_SERVER_COMMAND_H_

#include <cstdint>
#include <string_view>

enum class ServerAction { None, LagQuery, ArenaMessage, Warning, Spectate };

struct ServerCommand {
  ServerAction action = ServerAction::None;
  // What the arena or the warned player is shown: a part of the chat
  // line, valid while that is (a bot sends a line per check).
  std::string_view text;

  // The command in a SendChat of `chatType` with `text`.
  static ServerCommand of(std::uint32_t chatType, std::string_view text);
};

#endif  // TARVOK_TOOLS_SIM_SERVER_COMMAND_H_
