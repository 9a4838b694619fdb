#include "settings/config_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/config_check_agreement.h"
#include "spawn/lag_allowances.h"
#include "spawn/population_limits.h"
#include "spawn/test_bot.h"

namespace {

typedef std::vector<std::string> Lines;

// "LINE: message" for every finding.
Lines findingsOf(const std::string& contents) {
  const ConfigCheck check(contents);
  Lines found;
  for (const ConfigFinding& finding : check.findings()) {
    found.push_back(std::to_string(finding.line) + ": " + finding.message);
  }
  return found;
}

}  // namespace

TEST(ConfigCheckTest, AcceptsWhatThePluginReadsAsWritten) {
  const char* const clean[] = {
      "",
      "\n\n",
      "# a comment\n; another\n   \n",
      "current=100",                    // no line feed at the end
      "current=100\r\naverage=90\r\n",  // CR LF
      "current=  150 \t\n",             // blanks around the number
      "current=+7\n",                   // a sign is a number
      "maxcheckrate=0\ndisplay=0\ndeal=0\ns2cploss=1\n",
      "deal=2\nWarnMessage=go\nqueue=1\n",
      "current=1\0junk",  // the plug-in's text ends at a zero byte
  };
  for (const char* contents : clean) {
    EXPECT_EQ(Lines(), findingsOf(contents)) << contents;
  }
}

TEST(ConfigCheckTest, NamesEveryLineReadInASurprisingWay) {
  EXPECT_EQ((Lines{"1: ignored: \"curent=1\" begins with no key",
                   "2: the value \"5\\x0D6\" is not a number: read as 5",
                   "3: the value is empty: read as 0",
                   "3: the limit 0 makes every checked player a lagger: even "
                   "a ping of 0 ms is reported as \"0+ PING Average\""}),
            findingsOf("curent=1\ncurrent=5\r6\naverage=\n"));
  EXPECT_EQ((Lines{"1: ignored: a blank stands before the key, and a blank "
                   "stands before the \"=\", and the key is written "
                   "\"deal=\" (letter case counts), not \"Deal=\""}),
            findingsOf("\tDeal  =1\n"));
  EXPECT_EQ((Lines{"1: the value \"2147483648\" is out of range: read as "
                   "2147483647",
                   "2: the value \"-9999999999\" is out of range: read as "
                   "-2147483648",
                   "2: the limit -2147483648 is negative: repaired to 300"}),
            findingsOf("maxcheckrate=2147483648\naverage=-9999999999\n"));
  EXPECT_EQ((Lines{"1: WarnMessage= is given again on line 3, and the last "
                   "one wins: this line has no effect"}),
            findingsOf("WarnMessage=a\nLockMessage=b\nWarnMessage=c\n"));
}

TEST(ConfigCheckTest, CutsLinesAfter255Characters) {
  const std::string exactly255 = "WarnMessage=" + std::string(243, 'a');
  EXPECT_EQ(Lines(), findingsOf(exactly255 + "\n"));
  EXPECT_EQ(Lines(), findingsOf(exactly255 + "\r\ncurrent=1\n"));
  EXPECT_EQ(
      (Lines{"1: the line has 256 characters: the plug-in reads it as 2 lines "
             "of at most 255 characters",
             "1: characters 256 to 256: ignored: \"b\" begins with no key"}),
      findingsOf(exactly255 + "b\n"));
  EXPECT_EQ(
      (Lines{"1: the line has 516 characters: the plug-in reads it as 3 lines "
             "of at most 255 characters",
             "1: characters 511 to 516: read as the line \"deal=3\"",
             "1: deal=3 without ordered checks (queue=1): two checks that "
             "overlap can be judged against the wrong player",
             "1: deal=3 sends laggers the LockMessage, but no LockMessage= "
             "line sets it: the lagger gets an empty private message"}),
      findingsOf(exactly255 + std::string(255, ' ') + "deal=3"));
}

TEST(ConfigCheckTest, NamesSettingsThatBiteAtTheLineInForce) {
  EXPECT_EQ((Lines{"1: the limit 0 makes every checked player a lagger: even "
                   "a loss of 0.0 is reported as \"0%+ C2SPloss\"",
                   "2: deal=2 sends laggers the WarnMessage, but no "
                   "WarnMessage= line sets it: the lagger gets an empty "
                   "private message"}),
            findingsOf("c2sploss=0\ndeal=2\nLockMessage=x\nqueue=1\n"));
  // Only the values in force count.
  EXPECT_EQ((Lines{"1: deal= is given again on line 3, and the last one "
                   "wins: this line has no effect",
                   "3: deal=3 sends laggers the LockMessage, but no "
                   "LockMessage= line sets it: the lagger gets an empty "
                   "private message",
                   "4: c2sploss= is given again on line 5, and the last one "
                   "wins: this line has no effect"}),
            findingsOf("deal=2\nWarnMessage=x\ndeal=3\nc2sploss=0\n"
                       "c2sploss=1\nqueue=1\n"));
}

TEST(ConfigCheckTest, EndsWithThePluginsSettings) {
  const ConfigCheck check(
      "current=-5\naverage=0\ns2cploss=-1\nc2sploss=7\ns2cweapons=-2\n"
      "display=2\ndeal=3\nmaxcheckrate=-10\nWarnMessage=  hi \n");
  const ConfigSettings& settings = check.settings();
  EXPECT_EQ(300, settings.currentPingLimit);
  EXPECT_EQ(0, settings.averagePingLimit);
  EXPECT_EQ(2, settings.s2cLossLimit);
  EXPECT_EQ(7, settings.c2sLossLimit);
  EXPECT_EQ(2, settings.s2cWeaponsLossLimit);
  EXPECT_EQ(2, settings.displayMode);
  EXPECT_EQ(3, settings.dealMode);
  EXPECT_EQ(-10, settings.maxCheckRate);
  EXPECT_EQ("*warn   hi ", settings.warnMessage);
  EXPECT_EQ("", settings.lockMessage);

  const ConfigSettings defaults = ConfigCheck("").settings();  // a copy
  EXPECT_EQ((Lines{"current       300", "average       300", "s2cploss      2",
                   "c2sploss      2", "s2cweapons    2",
                   "display       1 (reports go to the arena)",
                   "deal          1 (laggers are announced in the arena)",
                   "maxcheckrate  600 (a player waits 601 seconds between "
                   "two checks)",
                   "WarnMessage   \"\" (no line: an empty message is sent)",
                   "LockMessage   \"\" (no line: an empty message is sent)"}),
            defaults.describe());
}

TEST(ConfigCheckTest, IgnoresWhatLiesBeyondThePluginsReadingBound) {
  // 8192 comment lines of 128 bytes fill the first mebibyte.
  std::string comments;
  for (int i = 0; i < 8192; ++i) comments += "#" + std::string(126, '-') + "\n";
  const ConfigCheck cut(comments + "display=0\n");
  EXPECT_EQ(1, cut.settings().displayMode);
  EXPECT_EQ(Lines({"8193: the plug-in reads only the first 1048576 bytes of "
                   "the file: this line and every line after it are ignored"}),
            findingsOf(comments + "display=0\n"));
  // A line the bound cuts is read as far as it goes.
  comments.resize(comments.size() - 5);
  EXPECT_EQ(Lines({"8193: the plug-in reads only the first 1048576 bytes of "
                   "the file: the rest of this line and every line after it "
                   "are ignored",
                   "8193: ignored: \"disp\" begins with no key"}),
            findingsOf(comments + "\ndisplay=0123456\n"));
}

using config_check_agreement::populationDifferences;
using config_check_agreement::settingDifferences;

// The plug-in reads each file into a bot, in every arena the file names and
// one it does not; check-ini's report of the same bytes must hold the same
// values, so that what it tells an operator is what the plug-in does.
TEST(ConfigCheckTest, ReportsTheValuesThePluginReads) {
  const std::string over255 = "WarnMessage=" + std::string(243, 'w');
  const char windowsFile[] =
      "\xEF\xBB\xBF"
      "current=1\r\ncurrent=120\r\naverage=130\r\r\nc2sploss=5\r6\n"
      "StrikeMessage=hi\r\ns2cploss=3\0junk\r\ns2cweapons=4";
  // More allowances than the plug-in's table holds, one given again after
  // the table is full: the later line updates the allowance it holds.
  std::string crowded = "allow=Bob +1\n";
  for (int i = 0; i < LagAllowances::kMostAllowances; ++i) {
    crowded += "allow=P" + std::to_string(i) + " +5\n";
  }
  crowded += "allow=Bob +2\n";
  // More population sections than the plug-in holds.
  std::string populous;
  for (std::size_t n = 1; n <= PopulationLimits::kMostSections + 1; ++n) {
    populous += "[players " + std::to_string(n) +
                "]\ncurrent=" + std::to_string(100 + n) + "\n";
  }
  populous += "[players 3]\naverage=90\n";
  const std::string files[] = {
      crowded,
      populous,
      // Long lines: a key in the cut-off rest of a line, and a line that
      // ends exactly at the reader's bound before the next key.
      over255 + "deal=3\n" + over255 + "\ncurrent=150\n",
      // Repairs and values out of range.
      "current=-5\naverage=0\ns2cploss=-1\nstrikes=0\nanswertimeout=0\n"
      "autochecklevel=20\nqueue=7\nmemory=-3\ndisplay=9\nmaxcheckrate=-10\n"
      "LagLogMaxBytes=-1\naverage=99999999999\n",
      // Keys the plug-in does not read, given twice, and allowances.
      "Current=5\n average=1\ncurent=1\ndeal=2\ndeal=0\nWarnMessage=a\n"
      "WarnMessage=*b\nallow=Bob +50\nallow=bob +70\nallow=x\nallow=Ann +0\n"
      "allow=Cy  +20\nLagLog= log.txt \n",
      // CR LF, a lone CR, a zero byte, a byte order mark and no final
      // line feed.
      std::string(windowsFile, sizeof windowsFile - 1),
      // Begins like a text of two bytes a character, but holds keys.
      std::string("\0\ncurrent=5\n", 12),
      "\xFF\xFE[arena a]\ndeal=0\n",
      // Arena and population sections, one arena given twice.
      "current=200\nstrikes=2\n[arena league]\ncurrent=150\nallow=Bob +40\n"
      "[players 30]\ncurrent=400\ndeal=0\nstrikes=9\ncurrent=410\n"
      "[arena Pub]\nLagLog=pub.log\nautocheck=30\n[ARENA League ]\n"
      "average=100\n[players 10]\naverage=500\n[players 30]\ns2cploss=1\n",
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(::testing::PrintToString(file));
    const ConfigCheck check(file);
    std::vector<std::string> arenas = {"", "elsewhere"};
    for (const ConfigArena& arena : check.arenas()) {
      arenas.push_back(arena.name);
    }
    for (const std::string& arena : arenas) {
      SCOPED_TRACE("arena " + arena);
      TestBot env;
      env.writeConfig(file);
      env.bot.loadConfig();
      if (!arena.empty()) {
        env.send(makeArenaEnter(arena.c_str(), nullptr, 0));
      }
      const ConfigArena* section = check.arenaNamed(arena);
      EXPECT_EQ(Lines(), settingDifferences(env.bot, section == nullptr
                                                         ? check.settings()
                                                         : section->settings));
      EXPECT_EQ(Lines(), populationDifferences(env.bot, check));
    }
  }
}
