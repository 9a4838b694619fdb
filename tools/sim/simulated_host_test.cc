#include "sim/simulated_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/event_makers.h"
#include "util/command.h"
#include "util/player.h"

namespace {

// A stand-in plug-in: it records the events it gets, how deeply its calls
// are nested, and on "!say WORDS" sends WORDS privately to the caller from
// a buffer it overwrites right after the callback returns.
struct FakePlugin {
  struct Seen {
    std::uint32_t code;
    CALL_HANDLE handle;
    int depth;
    std::string text;       // Chat text, or the command's name
    std::uint32_t ship;     // PlayerShip: the player's ship by then
    std::uint32_t oldShip;  // PlayerShip: p[1]
  };
  static std::vector<Seen> seen;
  static CALL_COMMAND callback;
  static int depth;

  static void TARVOK_STDCALL talk(BotEvent& event) {
    ++depth;
    Seen record{unsignedOf(event.code), event.handle, depth, "", 0, 0};
    switch (event.code) {
      case EVENT_Init:
        callback = reinterpret_cast<CALL_COMMAND>(event.p[1]);
        break;
      case EVENT_Chat:
        record.text = pointerOf<const char>(event.p[3]);
        break;
      case EVENT_PlayerShip:
        record.ship = pointerOf<Player>(event.p[0])->ship;
        record.oldShip = unsignedOf(event.p[1]);
        break;
      case EVENT_LocalCommand: {
        const Command* command = pointerOf<const Command>(event.p[1]);
        const Player* caller = pointerOf<const Player>(event.p[0]);
        record.text = command->commandName;
        if (command->commandIs("say")) {
          char buffer[64];
          std::snprintf(buffer, sizeof buffer, "%s", command->parameterText);
          BotEvent reply = makeSendChat(CHAT_Private, 0, caller->ident, buffer);
          reply.handle = event.handle;
          callback(reply);
          std::memset(buffer, 'X', sizeof buffer - 1);
        }
        break;
      }
      default:
        break;
    }
    seen.push_back(record);
    --depth;
  }
};

std::vector<FakePlugin::Seen> FakePlugin::seen;
CALL_COMMAND FakePlugin::callback = nullptr;
int FakePlugin::depth = 0;

class SimulatedHostTest : public ::testing::Test {
 protected:
  SimulatedHostTest() : file_(std::tmpfile()), transcript_(file_, false) {
    FakePlugin::seen.clear();
  }
  ~SimulatedHostTest() override { std::fclose(file_); }

  void run(SimulatedHost& host, const char* line) {
    ScenarioAction action;
    std::string error;
    ASSERT_TRUE(ScenarioAction::parse(line, &action, &error)) << line;
    ASSERT_TRUE(host.run(action, &error)) << line << ": " << error;
  }

  std::string transcript() {
    std::rewind(file_);
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, file_) != nullptr) text += buffer;
    return text;
  }

  std::FILE* file_;
  Transcript transcript_;
};

TEST_F(SimulatedHostTest, AnswersTheLagQueryAfterTalkReturns) {
  SimulatedHost host(&FakePlugin::talk, &transcript_);
  run(host, "init");
  run(host, "arrive Al ping=1/2/3/4 loss=0.1/0.2/0.3");
  run(host, "Al: !say *lag");
  ASSERT_EQ(4u, FakePlugin::seen.size());
  EXPECT_EQ(EVENT_PlayerEntering, FakePlugin::seen[1].code);
  EXPECT_EQ(EVENT_LocalCommand, FakePlugin::seen[2].code);
  const FakePlugin::Seen& answer = FakePlugin::seen[3];
  EXPECT_EQ(EVENT_Chat, answer.code);
  EXPECT_EQ(1, answer.depth);
  EXPECT_EQ(1u, answer.handle);
  EXPECT_EQ(
      "PING Current:1 ms  Average:2 ms  Low:3 ms  High:4 ms  S2C: 0.1%  C2S: "
      "0.2%  S2CWeapons: 0.3%",
      answer.text);
  // The text was copied before the plug-in overwrote its buffer.
  EXPECT_NE(std::string::npos,
            transcript().find("[00:00:00] LagBot -> Al: \"*lag\"\n"));
}

// Players come and go around the one asked about: each "*lag" still finds
// the player its ident names, never a neighbour who moved up the list.
TEST_F(SimulatedHostTest, AnswersForTheIdentAddressedWhilePlayersComeAndGo) {
  SimulatedHost host(&FakePlugin::talk, &transcript_);
  const auto lagAnswers = [] {
    std::vector<std::string> answers;
    for (const FakePlugin::Seen& seen : FakePlugin::seen) {
      if (seen.code == EVENT_Chat) answers.push_back(seen.text.substr(0, 15));
    }
    return answers;
  };
  run(host, "init");
  run(host, "arrive Al ping=1/1/1/1");
  run(host, "arrive Bo ping=2/2/2/2");
  run(host, "arrive Cy ping=3/3/3/3");
  run(host, "leave Al");
  run(host, "Cy: !say *lag");
  run(host, "Bo: !say *lag");
  run(host, "arrive Al ping=4/4/4/4");
  run(host, "leave Cy");
  run(host, "Al: !say *lag");
  run(host, "leave-arena");
  run(host, "arrive Cy ping=5/5/5/5");
  run(host, "Cy: !say *lag");
  EXPECT_EQ((std::vector<std::string>{"PING Current:3 ", "PING Current:2 ",
                                      "PING Current:4 ", "PING Current:5 "}),
            lagAnswers());
}

// A plug-in that asks for its player's lag again as soon as it hears an
// answer: each late answer, delivered, queues the next while the queue of
// late answers is being delivered.
struct ChainingPlugin {
  static CALL_COMMAND callback;
  static std::uint16_t ident;
  static std::vector<std::string> answers;

  static void TARVOK_STDCALL talk(BotEvent& event) {
    if (event.code == EVENT_Init) {
      callback = reinterpret_cast<CALL_COMMAND>(event.p[1]);
      return;
    }
    if (event.code == EVENT_PlayerEntering) {
      ident = pointerOf<Player>(event.p[0])->ident;
    } else if (event.code == EVENT_Chat) {
      answers.push_back(pointerOf<const char>(event.p[3]));
    } else if (event.code != EVENT_LocalCommand) {
      return;
    }
    BotEvent query = makeSendChat(CHAT_Private, 0, ident, "*lag");
    query.handle = event.handle;
    callback(query);
  }
};
CALL_COMMAND ChainingPlugin::callback = nullptr;
std::uint16_t ChainingPlugin::ident = 0;
std::vector<std::string> ChainingPlugin::answers;

TEST_F(SimulatedHostTest, LateAnswersThatLeadToNewQuestionsComeOnePerDelay) {
  SimulatedHost host(&ChainingPlugin::talk, &transcript_);
  ChainingPlugin::answers.clear();
  run(host, "init");
  run(host, "server-delay 2");
  run(host, "arrive Al ping=1/2/3/4");
  run(host, "Al: !go");
  // Asked twice at once (on arrival and on the command), then once per
  // answer: two answers due every other second, for long enough that the
  // queue of late answers moves through many blocks of its memory.
  run(host, "wait 600");
  ASSERT_EQ(600u, ChainingPlugin::answers.size());
  for (const std::string& answer : ChainingPlugin::answers) {
    EXPECT_EQ(
        "PING Current:1 ms  Average:2 ms  Low:3 ms  High:4 ms  S2C: 0.0%  "
        "C2S: 0.0%  S2CWeapons: 0.0%",
        answer);
  }
}

TEST_F(SimulatedHostTest, MovesASpectatedPlayerThenTellsThePlugin) {
  SimulatedHost host(&FakePlugin::talk, &transcript_);
  run(host, "init");
  run(host, "arrive Al ship=3");
  run(host, "Al: !say *spec");
  run(host, "Al: !say *spec");
  std::vector<FakePlugin::Seen> shipChanges;
  for (const FakePlugin::Seen& seen : FakePlugin::seen) {
    if (seen.code == EVENT_PlayerShip) shipChanges.push_back(seen);
  }
  ASSERT_EQ(1u, shipChanges.size());
  EXPECT_EQ(8u, shipChanges[0].ship);
  EXPECT_EQ(3u, shipChanges[0].oldShip);
  EXPECT_EQ(1, shipChanges[0].depth);
}

TEST_F(SimulatedHostTest, TicksEveryConnectedBotOncePerSecond) {
  SimulatedHost host(&FakePlugin::talk, &transcript_);
  run(host, "init");
  run(host, "bot Second");
  run(host, "init");
  run(host, "bot Third");
  run(host, "wait 3");
  run(host, "bot Second");
  run(host, "term");
  run(host, "wait 1");
  std::vector<CALL_HANDLE> ticked;
  for (const FakePlugin::Seen& seen : FakePlugin::seen) {
    if (seen.code == EVENT_Tick) ticked.push_back(seen.handle);
  }
  EXPECT_EQ((std::vector<CALL_HANDLE>{1, 2, 1, 2, 1, 2, 1}), ticked);
  EXPECT_NE(std::string::npos, transcript().find("[00:00:03] 1 second passes"));
}

TEST_F(SimulatedHostTest, SendsHelpRequestsAsLocalHelp) {
  SimulatedHost host(&FakePlugin::talk, &transcript_);
  run(host, "init");
  run(host, "arrive Al");
  run(host, "Al: !HELP lagme");
  run(host, "Al: hello");
  ASSERT_EQ(4u, FakePlugin::seen.size());
  EXPECT_EQ(EVENT_LocalHelp, FakePlugin::seen[2].code);
  EXPECT_EQ(EVENT_Chat, FakePlugin::seen[3].code);
  EXPECT_EQ("hello", FakePlugin::seen[3].text);
}

TEST(SimulatedHostRehearsalTest, RefusesActionsThatDoNotFitTheArena) {
  SimulatedHost host(nullptr, nullptr);
  struct Step {
    const char* line;
    const char* error;  // empty when the line must be accepted
  } const steps[] = {
      {"arrive Al", ""},
      {"arrive Al", "Al is already in LagBot's arena"},
      {"arrive al", ""},
      {"arrive Bo ident=2", "ident 2 is al's in LagBot's arena"},
      {"arrive Bo ident=9", ""},
      {"Cy: hi", "there is no player Cy in LagBot's arena"},
      {"bot Second", ""},
      {"Al: hi", "there is no player Al in Second's arena"},
      {"arrive Al", ""},
      {"bot LagBot", ""},
      {"leave Al", ""},
      {"figures Al ping=1/1/1/1", "there is no player Al in LagBot's arena"},
      {"leave-arena", ""},
      {"ship al 8", "there is no player al in LagBot's arena"},
      {"bot Second", ""},
      {"leave Al", ""},
  };
  for (const Step& step : steps) {
    ScenarioAction action;
    std::string error;
    ASSERT_TRUE(ScenarioAction::parse(step.line, &action, &error)) << step.line;
    EXPECT_EQ(*step.error == '\0', host.run(action, &error)) << step.line;
    if (*step.error != '\0') {
      EXPECT_EQ(step.error, error) << step.line;
    }
  }
}

}  // namespace
