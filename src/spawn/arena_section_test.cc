#include "spawn/arena_section.h"

#include <gtest/gtest.h>

#include <string>

#include "spawn/handled_events.h"
#include "spawn/test_bot.h"

namespace {

// The NAME of a section line, or "(none)" for a line that starts no section.
std::string sectionOf(const char* line) {
  ArenaSectionName name;
  if (!readArenaSectionLine(line, &name)) return "(none)";
  return std::string(name.start, name.length);
}

TEST(ArenaSectionTest, OnlyArenaLinesWithANameStartASection) {
  EXPECT_EQ(sectionOf("[arena league]"), "league");
  EXPECT_EQ(sectionOf("[ARENA League]"), "League");
  EXPECT_EQ(sectionOf("[arena   public 2 ]  "), "public 2");
  EXPECT_EQ(sectionOf("[ arena\tduel]"), "duel");
  EXPECT_EQ(sectionOf("[arena 0]"), "0");
  // Other bracketed lines, and lines that only look like one.
  EXPECT_EQ(sectionOf("[settings]"), "(none)");
  EXPECT_EQ(sectionOf("[arena]"), "(none)");
  EXPECT_EQ(sectionOf("[arena   ]"), "(none)");
  EXPECT_EQ(sectionOf("[arenaleague]"), "(none)");
  EXPECT_EQ(sectionOf(" [arena league]"), "(none)");
  EXPECT_EQ(sectionOf("[arena league"), "(none)");
  EXPECT_EQ(sectionOf("[arena league] current=100"), "(none)");
  EXPECT_EQ(sectionOf("["), "(none)");
  EXPECT_EQ(sectionOf("]"), "(none)");
  EXPECT_EQ(sectionOf(""), "(none)");
}

TEST(ArenaSectionTest, NamesCompareIgnoringLetterCaseOnly) {
  ArenaSectionName name;
  ASSERT_TRUE(readArenaSectionLine("[arena League]", &name));
  EXPECT_TRUE(arenaSectionIs(name, "league"));
  EXPECT_TRUE(arenaSectionIs(name, "LEAGUE"));
  EXPECT_FALSE(arenaSectionIs(name, "leagu"));
  EXPECT_FALSE(arenaSectionIs(name, "league2"));
  EXPECT_FALSE(arenaSectionIs(name, ""));
}

const char kTwoArenas[] =
    "current=250\n"
    "WarnMessage=general\n"
    "[arena league]\n"
    "current=150\n"
    "deal=3\n"
    "[settings]\n"
    "average=100\n"
    "[arena duel]\n"
    "s2cploss=9\n"
    "[ARENA League]\n"
    "deal=2\n";

void enter(TestBot& env, const char* arena) {
  env.send(makeArenaEnter(arena, nullptr, 0));
}

TEST(ArenaSectionTest, ABotReadsTheGeneralLinesThenItsArenasSections) {
  TestBot env;
  env.writeConfig(kTwoArenas);
  env.connect();
  // Before ArenaEnter: the lines before the first section alone.
  EXPECT_EQ(env.bot.currentPingLimit, 250);
  EXPECT_EQ(env.bot.dealMode, 1);
  EXPECT_EQ(env.bot.averagePingLimit, 300);

  enter(env, "LEAGUE");
  EXPECT_EQ(env.bot.currentPingLimit, 150);
  // "[settings]" ends nothing, and a section given twice is read twice.
  EXPECT_EQ(env.bot.averagePingLimit, 100);
  EXPECT_EQ(env.bot.dealMode, 2);
  EXPECT_EQ(env.bot.s2cLossLimit, 2);
  EXPECT_STREQ(env.bot.warnMessage.chars(), "*warn general");

  // A move starts afresh: live changes and the old section's keys go.
  env.bot.maxCheckRate = 5;
  enter(env, "duel");
  EXPECT_EQ(env.bot.currentPingLimit, 250);
  EXPECT_EQ(env.bot.averagePingLimit, 300);
  EXPECT_EQ(env.bot.dealMode, 1);
  EXPECT_EQ(env.bot.s2cLossLimit, 9);
  EXPECT_EQ(env.bot.maxCheckRate, 600);

  enter(env, "public");
  EXPECT_EQ(env.bot.currentPingLimit, 250);
  EXPECT_EQ(env.bot.s2cLossLimit, 2);
  EXPECT_EQ(env.take(), Lines{});
}

TEST(ArenaSectionTest, TheWatchIsOnOnlyInArenasWhoseSettingsHoldItsKeys) {
  TestBot env;
  Player* staff = env.addPlayer("Sam", 7, OP_SuperModerator);
  env.writeConfig("[arena league]\nstrikes=3\n");
  env.connect();
  enter(env, "league");
  env.command(staff, "lagwatch");
  EXPECT_EQ(env.take().size(), 1u);
  enter(env, "public");
  env.command(staff, "lagwatch");
  EXPECT_EQ(env.take(), Lines{});
  EXPECT_EQ(env.bot.watchSettings.strikesNeeded, 1);
}

TEST(ArenaSectionTest, ArenaEnterIsHandledOnlyWhileAFileHasSections) {
  EXPECT_FALSE(isHandledEvent(EVENT_ArenaEnter));
  {
    TestBot env;
    env.writeConfig("current=250\n");
    env.connect();
    EXPECT_FALSE(isHandledEvent(EVENT_ArenaEnter));
    // Ignored, so the arena's name is not even kept.
    enter(env, "league");
    EXPECT_EQ(env.bot.arena.name.size(), 0u);

    env.writeConfig("[arena league]\ncurrent=150\n");
    env.connect();
    EXPECT_TRUE(isHandledEvent(EVENT_ArenaEnter));
    EXPECT_EQ(env.bot.currentPingLimit, 250);
    enter(env, "league");
    EXPECT_EQ(env.bot.currentPingLimit, 150);

    // The sections are gone at the next arena entry.
    env.writeConfig("average=200\n");
    enter(env, "league");
    EXPECT_EQ(env.bot.currentPingLimit, 300);
    EXPECT_EQ(env.bot.averagePingLimit, 200);
    EXPECT_FALSE(isHandledEvent(EVENT_ArenaEnter));

    env.writeConfig("[arena league]\n");
    env.connect();
    EXPECT_TRUE(isHandledEvent(EVENT_ArenaEnter));
  }
  // A bot that goes away no longer counts.
  EXPECT_FALSE(isHandledEvent(EVENT_ArenaEnter));
}

TEST(ArenaSectionTest, StaffSeeTheSectionInForceWhenTheFileHasSections) {
  TestBot env;
  Player* staff = env.addPlayer("Sam", 7, OP_SuperModerator);
  Player* player = env.addPlayer("Ann", 8);
  const char* kLimits =
      "private to 7: limits  C: 300  AVG: 300  S2C: 2  C2S: 2  S2CWeapons: 2";
  env.connect();
  env.command(staff, "laglimits");
  EXPECT_EQ(env.take(), Lines{kLimits});

  env.writeConfig("[arena league]\ncurrent=150\n");
  env.connect();
  env.command(staff, "laglimits");
  EXPECT_EQ(env.take(),
            (Lines{kLimits,
                   "private to 7: Settings in force: tarvok.ini's "
                   "lines for every arena (no arena entered yet)"}));
  enter(env, "League");
  env.command(staff, "laglimits");
  EXPECT_EQ(env.take(),
            (Lines{"private to 7: limits  C: 150  AVG: 300  S2C: 2  C2S: 2  "
                   "S2CWeapons: 2",
                   "private to 7: Settings in force: tarvok.ini's lines for "
                   "every arena and its section [arena League]"}));
  enter(env, "public");
  env.command(staff, "laglimits");
  env.command(player, "laglimits");
  EXPECT_EQ(env.take(),
            (Lines{kLimits,
                   "private to 7: Settings in force: tarvok.ini's lines for "
                   "every arena (no section [arena public])",
                   "private to 8: limits  C: 300  AVG: 300  S2C: 2  C2S: 2  "
                   "S2CWeapons: 2"}));
}

}  // namespace
