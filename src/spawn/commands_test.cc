#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "spawn/test_bot.h"

namespace {

const char kAbout[] =
    "Lag check plugin version 0.7 by Vantrel (vantrel@tarvok.example)";
const char kVersion[] =
    "[name:tarvok.dll] [maker:Vantrel (vantrel@tarvok.example)] [build:0.7]";
const char kDefaultLimits[] =
    "limits  C: 300  AVG: 300  S2C: 2  C2S: 2  S2CWeapons: 2";

std::string to(const Player* player, const std::string& text) {
  return "private to " + std::to_string(player->ident) + ": " + text;
}

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player = env.addPlayer("Pat", 1, OP_Player);
    bob = env.addPlayer("Bob", 2);
    staff = env.addPlayer("Sam", 3, OP_SuperModerator);
    bobInCaps = env.addPlayer("BOB", 4);
    env.connect();
  }

  TestBot env;
  Player* player = nullptr;
  Player* bob = nullptr;
  Player* staff = nullptr;
  Player* bobInCaps = nullptr;
};

TEST_F(CommandsTest, AccessLevelDecidesWhichCommandsAnswer) {
  struct Case {
    std::uint32_t level;
    bool everyone;
    bool staff;
  };
  const Case cases[] = {{OP_Player, true, false},
                        {OP_Moderator, true, false},
                        {OP_SuperModerator, true, true},
                        {OP_God, true, true},
                        {13, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    Player* caller = env.addPlayer("Lev", 9, c.level);
    env.command(caller, "about");
    env.command(caller, "absoluteversion");
    env.command(caller, "version");
    env.command(caller, "lagtimelimit 5");
    env.command(caller, "nosuchcommand");
    Lines expected;
    if (c.everyone) {
      expected = {to(caller, kAbout), to(caller, "tarvok: 000710")};
    }
    if (c.staff) {
      expected.push_back(to(caller, kVersion));
      expected.push_back(to(caller, "Set time limit"));
    }
    EXPECT_EQ(env.take(), expected);
    EXPECT_EQ(env.bot.maxCheckRate, c.staff ? 5 : 600);
    env.bot.maxCheckRate = 600;
    env.removePlayer(caller);
  }
}

TEST_F(CommandsTest, LagcheckQueriesEveryPlayerOfThatName) {
  env.tick();
  env.command(player, "lagcheck bob");
  EXPECT_EQ(
      env.take(),
      (Lines{to(player, "Checking player's lag"),
             to(bob, "Pat has requested to check your lag"), to(bob, "*lag"),
             to(bobInCaps, "Pat has requested to check your lag"),
             to(bobInCaps, "*lag")}));
  EXPECT_EQ(std::string(env.bot.checkTarget.chars()), "bob");
  EXPECT_EQ(std::string(env.bot.checkRequester.chars()), "Pat");
  EXPECT_EQ(env.bot.lookupTag(player, 0), 600);

  // Nobody of that name, or no name: only the acknowledgement.
  env.command(staff, "lagcheck Nobody Here");
  env.command(staff, "lagcheck");
  EXPECT_EQ(env.take(), (Lines{to(staff, "Checking player's lag"),
                               to(staff, "Checking player's lag")}));
  EXPECT_TRUE(env.bot.checkTarget.isEmpty());
  EXPECT_EQ(std::string(env.bot.checkRequester.chars()), "Sam");
}

TEST_F(CommandsTest, RateLimitHoldsOrdinaryPlayersOnly) {
  const std::string refused = to(player, "Lag time limit exceeded.");
  const std::string accepted = to(player, "Checking player's lag");
  // No countdown before the first tick counts as waiting.
  env.command(player, "lagcheck x");
  EXPECT_EQ(env.take(), Lines{refused});
  env.tick();
  env.command(player, "lagcheck x");
  EXPECT_EQ(env.take(), Lines{accepted});
  env.tick(600);
  env.command(player, "lagcheck x");
  EXPECT_EQ(env.take(), Lines{refused});
  env.tick();
  env.command(player, "lagcheck x");
  EXPECT_EQ(env.take(), Lines{accepted});

  for (std::uint32_t level : {OP_Limited, OP_Moderator, OP_SuperModerator}) {
    Player* caller = env.addPlayer("Lim", 9, level);
    env.command(caller, "lagcheck x");
    env.command(caller, "lagcheck x");
    EXPECT_EQ(env.take(), (Lines{to(caller, "Checking player's lag"),
                                 to(caller, "Checking player's lag")}));
    env.removePlayer(caller);
  }
}

TEST_F(CommandsTest, DisabledChecksAreRefusedAfterTheRateLimit) {
  env.bot.displayMode = 0;
  const std::string disabled = "Staff has disabled this function for now";
  env.command(player, "lagcheck Bob");
  env.tick();
  env.command(player, "lagcheck Bob");
  env.command(player, "lagme");
  EXPECT_EQ(env.take(), (Lines{to(player, "Lag time limit exceeded."),
                               to(player, disabled), to(player, disabled)}));
  EXPECT_EQ(env.bot.lookupTag(player, 0), -1);
  EXPECT_TRUE(env.bot.checkTarget.isEmpty());
}

TEST_F(CommandsTest, LagmeChecksTheCallerWithoutTouchingTheCountdown) {
  env.bot.displayMode = 2;
  env.command(player, "lagme");
  EXPECT_EQ(env.take(),
            (Lines{to(player, "*lag"), to(player, "Checking your lag.")}));
  EXPECT_EQ(std::string(env.bot.checkTarget.chars()), "Pat");
  EXPECT_EQ(std::string(env.bot.checkRequester.chars()), "Pat");
  EXPECT_EQ(env.bot.lookupTag(player, 0), 0);
  EXPECT_EQ(env.bot.checkTimers.count, 0u);
}

TEST_F(CommandsTest, LaglimitsShowsTheLimitsAndTheTimeLeft) {
  env.command(player, "laglimits");
  EXPECT_EQ(env.take(), Lines{to(player, kDefaultLimits)});

  env.bot.storeTag(player, 0, 125);
  env.command(player, "laglimits");
  EXPECT_EQ(env.take(),
            (Lines{to(player, kDefaultLimits),
                   to(player,
                      "You are currently over the set time limits.  Time "
                      "until next check: 2 minutes and 5 seconds.")}));

  // A staff member's own check runs a countdown too.
  env.command(staff, "lagtimelimit 59");
  env.command(staff, "laglimitset -p=-5");
  env.command(staff, "lagcheck Bob");
  env.take();
  env.command(staff, "laglimits");
  EXPECT_EQ(env.take(),
            (Lines{to(staff,
                      "limits  C: -5  AVG: 300  S2C: 2  C2S: 2  "
                      "S2CWeapons: 2"),
                   to(staff,
                      "You are currently over the set time limits.  Time "
                      "until next check: 0 minutes and 59 seconds.")}));
}

TEST_F(CommandsTest, ModeCommandsCheckTheirNumber) {
  const std::string displayUsage =
      "Must specify a number    0:ignore 1:arena 2:pm  recomend:1";
  const std::string dealUsage =
      "Must specify a number   0:nothing 1:arena 2:arena/warn "
      "3:arena/warn/spec  recomend:1";
  struct Case {
    const char* line;
    std::int32_t botInfo::*mode;
    std::int32_t expectedMode;
    const char* reply;  // nullptr: none
  };
  const Case cases[] = {
      {"lagdisplay 2", &botInfo::displayMode, 2, nullptr},
      {"lagdisplay 0", &botInfo::displayMode, 0, nullptr},
      {"lagdisplay 3", &botInfo::displayMode, 1, "Invalid number"},
      {"lagdisplay 99999999999", &botInfo::displayMode, 1, "Invalid number"},
      {"lagdisplay x", &botInfo::displayMode, 1, displayUsage.c_str()},
      {"lagdisplay", &botInfo::displayMode, 1, displayUsage.c_str()},
      {"lagdisplay 1 ", &botInfo::displayMode, 1, displayUsage.c_str()},
      {"laggerdeal 3", &botInfo::dealMode, 3, nullptr},
      {"laggerdeal 4", &botInfo::dealMode, 1, "Invalid number"},
      {"laggerdeal soon", &botInfo::dealMode, 1, dealUsage.c_str()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    env.bot.displayMode = 1;
    env.bot.dealMode = 1;
    env.command(staff, c.line);
    EXPECT_EQ(env.take(), c.reply ? Lines{to(staff, c.reply)} : Lines{});
    EXPECT_EQ(env.bot.*c.mode, c.expectedMode);
  }
}

TEST_F(CommandsTest, LaglimitsetConfirmsInFixedOrder) {
  env.command(staff, "laglimitset -w=5 -x=1 -p=200 -c");
  EXPECT_EQ(env.take(), (Lines{to(staff, "Current Ping limit set"),
                               to(staff, "C2S Ploss limit set"),
                               to(staff, "Weapons Ploss limit set")}));
  EXPECT_EQ(env.bot.currentPingLimit, 200);
  EXPECT_EQ(env.bot.c2sLossLimit, 0);
  EXPECT_EQ(env.bot.s2cWeaponsLossLimit, 5);

  env.command(staff, "laglimitset -a=abc -s=-3 -p=99999999999");
  EXPECT_EQ(env.take(), (Lines{to(staff, "Current Ping limit set"),
                               to(staff, "Average Ping limit set"),
                               to(staff, "S2C Ploss limit set")}));
  EXPECT_EQ(env.bot.currentPingLimit, INT32_MAX);
  EXPECT_EQ(env.bot.averagePingLimit, 0);
  EXPECT_EQ(env.bot.s2cLossLimit, -3);

  env.command(staff, "laglimitset 100");
  EXPECT_EQ(env.take(), Lines{});
}

TEST_F(CommandsTest, LagtimelimitTakesOnlyNumbers) {
  env.command(staff, "lagtimelimit soon");
  EXPECT_EQ(env.take(), Lines{});
  EXPECT_EQ(env.bot.maxCheckRate, 600);
  env.command(staff, "lagtimelimit 0");
  EXPECT_EQ(env.take(), Lines{to(staff, "Set time limit")});
  EXPECT_EQ(env.bot.maxCheckRate, 0);

  // With 0 a player may check again from the next tick on.
  env.tick();
  env.command(player, "lagcheck x");
  env.command(player, "lagcheck x");
  env.tick();
  env.command(player, "lagcheck x");
  EXPECT_EQ(env.take(), (Lines{to(player, "Checking player's lag"),
                               to(player, "Lag time limit exceeded."),
                               to(player, "Checking player's lag")}));
}

TEST(CommandsBeforeInitTest, WorkWithoutPlayerList) {
  TestBot env;
  Player* caller = env.addPlayer("Moe", 1, OP_Moderator);
  env.command(caller, "lagcheck Bob");
  env.command(caller, "lagme");
  EXPECT_EQ(env.take(), Lines{});
  EXPECT_EQ(std::string(env.bot.checkTarget.chars()), "Moe");
}

}  // namespace
