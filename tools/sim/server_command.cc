#include "sim/server_command.h"

#include <string_view>

#include "host/bot_event.h"

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

ServerCommand ServerCommand::of(std::uint32_t chatType,
                                std::string_view text) {
  ServerCommand command;
  if (startsWith(text, "*arena")) {
    command.action = ServerAction::ArenaMessage;
    command.text = text.substr(6);
    if (!command.text.empty() && command.text[0] == ' ') {
      command.text.remove_prefix(1);
    }
    return command;
  }
  if (chatType != CHAT_Private) return command;
  if (text == "*lag") {
    command.action = ServerAction::LagQuery;
  } else if (startsWith(text, "*warn ")) {
    command.action = ServerAction::Warning;
    command.text = text.substr(6);
  } else if (startsWith(text, "*spec")) {
    command.action = ServerAction::Spectate;
  }
  return command;
}
