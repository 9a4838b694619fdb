#include <gtest/gtest.h>

#include <string>

#include "spawn/test_bot.h"

namespace {

const char kSample[] =
    "ping Current:120 ms  Average:95 ms  Low:80 ms  High:300 ms  S2C: 0.5%  "
    "C2S: 1.9%  S2CWeapons: 0.0%";
const char kSampleFigures[] =
    "C: 120  Avg: 95  L: 80  H: 300  S2C: 0.5  C2S: 1.9  S2CW: 0.0";
// Over all five default limits (300, 300, 2, 2, 2).
const char kOverAll[] =
    "PING Current:900 ms  Average:300 ms  Low:80 ms  High:950 ms  S2C: 2.0%  "
    "C2S: 9.5%  S2CWeapons: 3.1%";
const char kOverAllReport[] =
    "public: *arena [bob]  C: 900  Avg: 300  L: 80  H: 950  S2C: 2.0  C2S: 9.5"
    "  S2CW: 3.1";

class LagReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env.writeConfig("WarnMessage=Fix your line\nLockMessage=Go watch\n");
    asker = env.addPlayer("Asker", 1);
    bob = env.addPlayer("Bob", 2);
    env.addPlayer("Carol", 3);
    bobInCaps = env.addPlayer("BOB", 4, OP_Player, kSpectatorShip);
    env.connect();
  }

  void expect(const char* target, const char* requester) {
    env.bot.checkTarget = target;
    env.bot.checkRequester = requester;
  }

  std::string figureTexts() const {
    const botInfo& b = env.bot;
    return std::string(b.currentPingText.chars()) + "|" +
           b.averagePingText.chars() + "|" + b.lowPingText.chars() + "|" +
           b.highPingText.chars() + "|" + b.s2cLossText.chars() + "|" +
           b.c2sLossText.chars() + "|" + b.s2cWeaponsLossText.chars();
  }

  TestBot env;
  Player* asker = nullptr;
  Player* bob = nullptr;
  Player* bobInCaps = nullptr;
};

TEST_F(LagReportTest, DisplayModeOneReportsToTheArenaAndEndsTheCheck) {
  expect("Bob", "Asker");
  env.chat(kSample);
  EXPECT_EQ(env.take(),
            Lines{std::string("public: *arena [Bob]  ") + kSampleFigures});
  const botInfo& b = env.bot;
  EXPECT_EQ(figureTexts(), "120|95|80|300|0.5|1.9|0.0");
  EXPECT_EQ((std::vector<std::int32_t>{b.currentPing, b.averagePing, b.lowPing,
                                       b.highPing, b.s2cLoss, b.c2sLoss,
                                       b.s2cWeaponsLoss}),
            (std::vector<std::int32_t>{120, 95, 80, 300, 0, 1, 0}));
  EXPECT_TRUE(b.checkTarget.isEmpty());
  EXPECT_TRUE(b.checkRequester.isEmpty());

  // The next line has no pending check behind it.
  env.chat(kSample);
  EXPECT_EQ(env.take(),
            Lines{std::string("public: *arena []  ") + kSampleFigures});
}

TEST_F(LagReportTest, DisplayModeTwoReportsToEveryListedAsker) {
  env.addPlayer("ASKER", 5);
  env.bot.displayMode = 2;
  expect("bob", "asker");
  env.chat(kSample);
  const std::string report = std::string("[bob]  ") + kSampleFigures;
  EXPECT_EQ(env.take(),
            (Lines{"private to 1: " + report, "private to 5: " + report}));
}

TEST_F(LagReportTest, OtherDisplayModesOnlyCutTheLine) {
  for (std::int32_t mode : {0, 7}) {
    env.bot.displayMode = mode;
    env.bot.currentPing = 55;
    env.bot.dealMode = 3;
    expect("Bob", "Asker");
    env.chat(kOverAll);
    EXPECT_EQ(env.take(), Lines{});
    EXPECT_EQ(figureTexts(), "900|300|80|950|2.0|9.5|3.1");
    EXPECT_EQ(env.bot.currentPing, 55);
    EXPECT_EQ(std::string(env.bot.checkTarget.chars()), "Bob");
    EXPECT_EQ(std::string(env.bot.checkRequester.chars()), "Asker");
  }
}

TEST_F(LagReportTest, DealModesDecideWhatHappensToTheLagger) {
  const Lines arenaLines = {
      kOverAllReport,
      "public: *arenabob is lagging with 300+ PING Current",
      "public: *arenabob is lagging with 300+ PING Average",
      "public: *arenabob is lagging with 2%+ S2CPloss",
      "public: *arenabob is lagging with 2%+ C2SPloss",
      "public: *arenabob is lagging with 2%+ S2CWeapons"};
  auto with = [&](Lines tail) {
    Lines all = arenaLines;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  struct Case {
    std::int32_t dealMode;
    Lines sent;
  };
  const Case cases[] = {
      {0, {kOverAllReport}},
      {1, arenaLines},
      {2, with({"private to 2: *warn Fix your line",
                "private to 4: *warn Fix your line"})},
      {3, with({"private to 2: *warn Go watch", "private to 2: *spec",
                "private to 4: *warn Go watch"})},
      {4, arenaLines},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dealMode);
    env.bot.dealMode = c.dealMode;
    expect("bob", "Asker");
    env.chat(kOverAll);
    EXPECT_EQ(env.take(), c.sent);
    EXPECT_EQ(env.bot.laggerFound, 0);
    EXPECT_TRUE(env.bot.checkTarget.isEmpty());
  }
}

TEST_F(LagReportTest, LinesNameTheLimitReachedIncludingEquality) {
  env.bot.currentPingLimit = 100;
  env.bot.averagePingLimit = 95;
  env.bot.dealMode = 2;
  expect("Bob", "Asker");
  env.chat(kSample);
  EXPECT_EQ(env.take(),
            (Lines{std::string("public: *arena [Bob]  ") + kSampleFigures,
                   "public: *arenaBob is lagging with 100+ PING Current",
                   "public: *arenaBob is lagging with 95+ PING Average",
                   "private to 2: *warn Fix your line",
                   "private to 4: *warn Fix your line"}));
}

TEST_F(LagReportTest, NegativeLimitsAreRepairedBeforeJudging) {
  env.bot.currentPingLimit = -5;
  env.bot.c2sLossLimit = -1;
  env.chat(kSample);
  env.take();
  EXPECT_EQ(env.bot.currentPingLimit, 300);
  EXPECT_EQ(env.bot.c2sLossLimit, 2);
}

TEST_F(LagReportTest, LossesBelowMinusTwoAreFlagged) {
  expect("Bob", "Asker");
  env.chat(
      "PING Current:10 ms  Average:10 ms  Low:10 ms  High:10 ms  S2C: -2.9%  "
      "C2S: -3.0%  S2CWeapons: -3.5%");
  EXPECT_EQ(env.take(),
            (Lines{"public: *arena [Bob]  C: 10  Avg: 10  L: 10  H: 10  S2C: "
                   "-2.9  C2S: -3.0  S2CW: -3.5",
                   "public: *arenaBob is lagging with negative C2SPloss",
                   "public: *arenaBob is lagging with negative S2CWeapons "
                   "ploss"}));
}

TEST_F(LagReportTest, OnlyTheKeywordMakesALagLine) {
  for (const char* other : {"PINGS Current:900 ms", " PING Current:900 ms",
                            "Hello PING", "", "PIN", "PING\tCurrent:900 ms"}) {
    SCOPED_TRACE(other);
    env.chat(other);
    EXPECT_EQ(env.take(), Lines{});
    EXPECT_EQ(figureTexts(), "||||||");
  }
  // A bare keyword is a lag line whose every figure is the keyword.
  env.chat("PING");
  EXPECT_EQ(env.take(),
            Lines{"public: *arena []  C: PING  Avg: PING  L: PING  H: PING  "
                  "S2C: PING  C2S: PING  S2CW: PING"});
  env.chat("Ping   ");
  EXPECT_EQ(figureTexts(), "||||||");
}

TEST_F(LagReportTest, OnlyChatTypeZeroCarriesLagLines) {
  for (std::int32_t type : {1, 2, 5, 7, 9, -1}) {
    env.chat(kOverAll, type);
    EXPECT_EQ(env.take(), Lines{});
  }
  EXPECT_EQ(figureTexts(), "||||||");
}

TEST(LagReportBeforeInitTest, WorksWithoutPlayerList) {
  TestBot env;
  env.bot.displayMode = 2;
  env.bot.dealMode = 3;
  env.bot.checkTarget = "Bob";
  env.chat(kOverAll);
  EXPECT_EQ(env.take(), Lines{});
  EXPECT_EQ(env.bot.currentPing, 900);
  EXPECT_TRUE(env.bot.checkTarget.isEmpty());
}

}  // namespace
