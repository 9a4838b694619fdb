#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "spawn/test_bot.h"

namespace {

const char kGeneralList[] = "!about  !lagme  !lagcheck [name]  !laglimits";
const char kStaffList[] =
    "Ext: !laglimitset [params]  !laggerdeal [#]  !lagdisplay [#]  !version  "
    "!lagtimelimit";

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override { env.connect(); }

  // Every line the caller of `level` gets for `topic`, texts only.
  Lines helpFor(std::uint32_t level, const char* topic) {
    Player* caller = env.addPlayer("Asker", 7, level);
    env.help(caller, topic);
    env.removePlayer(caller);
    Lines texts;
    for (const std::string& line : env.take()) {
      const std::string prefix = "private to 7: ";
      EXPECT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
      texts.push_back(line.substr(prefix.size()));
    }
    return texts;
  }

  TestBot env;
};

TEST_F(HelpTest, WithoutTopicListsWhatTheLevelMayUse) {
  EXPECT_EQ(helpFor(OP_Player, ""), Lines{kGeneralList});
  EXPECT_EQ(helpFor(OP_Moderator, ""), Lines{kGeneralList});
  EXPECT_EQ(helpFor(OP_SuperModerator, ""), Lines{kStaffList});
  EXPECT_EQ(helpFor(OP_God, ""), Lines{kStaffList});
  EXPECT_EQ(helpFor(13, ""), Lines{});
  EXPECT_EQ(helpFor(13, "about"), Lines{});
}

TEST_F(HelpTest, LaglimitsetListsItsSwitchesPaddedToOneWidth) {
  const Lines expected = {
      "!laglimitset [switches]  (set lag limits on various settings)",
      "-p=[#]  (set Current PING limit)           ",
      "-a=[#]  (set Average PING limit)           ",
      "-s=[#]  (set ServerToClient Ploss limit)   ",
      "-c=[#]  (set ClientToServer Ploss limit)   ",
      "-w=[#]  (set Weapons Ploss limit)          "};
  for (std::size_t i = 1; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].size(), 43u);
  }
  EXPECT_EQ(helpFor(OP_SysOp, "LagLimitSet"), expected);
  EXPECT_EQ(helpFor(OP_Player, "laglimitset"), Lines{});
  EXPECT_EQ(helpFor(OP_Moderator, "laglimitset"), Lines{});
}

TEST_F(HelpTest, EachTopicAnswersItsLevels) {
  struct Case {
    const char* topic;
    bool staffOnly;
    const char* line;
  };
  const Case cases[] = {
      {"lagdisplay", true,
       "!lagdisplay [#] (set how to display returns of !lagcheck and !lagme.  "
       "0:dont check  1:arena  2:pm)"},
      {"laggerdeal", true,
       "!laggerdeal [#] (set how to deal with a lagger.  0:nothing 1:arena "
       "2:arena/warn 3:arena/warn/spec)"},
      {"LAGTIMELIMIT", true,
       "!lagtimelimit [#] (set the rate limit at which someone can do "
       "!lagcheck)"},
      {"about", false, "!about (query me about my function)"},
      {"lagme", false, "!lagme (check yourself for lag.)"},
      {"lagcheck", false, "!lagcheck [name] (check [name] for lag.)"},
      {"laglimits", false,
       "!laglimits  (displays current lag limits in effect)"},
  };
  for (const Case& c : cases) {
    for (std::uint32_t level = OP_Player; level <= OP_God; ++level) {
      SCOPED_TRACE(std::string(c.topic) + " at " + std::to_string(level));
      const bool answers = !c.staffOnly || level >= OP_SuperModerator;
      EXPECT_EQ(helpFor(level, c.topic), answers ? Lines{c.line} : Lines{});
    }
  }
}

TEST_F(HelpTest, OtherTopicsGetNothing) {
  for (const char* topic :
       {"all", "smod", "owner", "version", "absoluteversion", "!lagcheck",
        "lagcheck ", "lag"}) {
    SCOPED_TRACE(topic);
    EXPECT_EQ(helpFor(OP_God, topic), Lines{});
    EXPECT_EQ(helpFor(OP_Player, topic), Lines{});
  }
}

}  // namespace
