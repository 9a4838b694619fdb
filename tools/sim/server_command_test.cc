#include "sim/server_command.h"

#include <gtest/gtest.h>

#include "host/bot_event.h"

TEST(ServerCommandTest, TellsTheServersCommandsFromChat) {
  struct Case {
    std::uint32_t chatType;
    const char* text;
    ServerAction action;
    const char* shown;
  } const cases[] = {
      {CHAT_Private, "*lag", ServerAction::LagQuery, ""},
      {CHAT_Private, "*lag Bob", ServerAction::None, ""},
      {CHAT_Public, "*lag", ServerAction::None, ""},
      {CHAT_Public, "*arena [Bob]  C: 1", ServerAction::ArenaMessage,
       "[Bob]  C: 1"},
      {CHAT_Public, "*arenaBob is lagging", ServerAction::ArenaMessage,
       "Bob is lagging"},
      {CHAT_Private, "*arena  two", ServerAction::ArenaMessage, " two"},
      {CHAT_Private, "*warn  Fix it ", ServerAction::Warning, " Fix it "},
      {CHAT_Private, "*warn ", ServerAction::Warning, ""},
      {CHAT_Private, "*warning", ServerAction::None, ""},
      {CHAT_Public, "*warn Fix it", ServerAction::None, ""},
      {CHAT_Private, "*spec", ServerAction::Spectate, ""},
      {CHAT_Public, "*spec", ServerAction::None, ""},
      {CHAT_Private, "Checking your lag.", ServerAction::None, ""},
      {CHAT_Private, "", ServerAction::None, ""},
  };
  for (const Case& c : cases) {
    const ServerCommand command = ServerCommand::of(c.chatType, c.text);
    EXPECT_EQ(c.action, command.action) << c.text;
    EXPECT_EQ(c.shown, command.text) << c.text;
  }
}
