#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "spawn/test_bot.h"

namespace {

struct Settings {
  std::int32_t current, average, s2c, c2s, weapons, display, deal, rate;
  std::string warn, lock;

  bool operator==(const Settings& o) const {
    return current == o.current && average == o.average && s2c == o.s2c &&
           c2s == o.c2s && weapons == o.weapons && display == o.display &&
           deal == o.deal && rate == o.rate && warn == o.warn && lock == o.lock;
  }
};

void PrintTo(const Settings& s, std::ostream* out) {
  *out << s.current << "/" << s.average << "/" << s.s2c << "/" << s.c2s << "/"
       << s.weapons << " display " << s.display << " deal " << s.deal
       << " rate " << s.rate << " warn \"" << s.warn << "\" lock \"" << s.lock
       << "\"";
}

Settings settingsOf(const botInfo& bot) {
  return {
      bot.currentPingLimit,   bot.averagePingLimit,    bot.s2cLossLimit,
      bot.c2sLossLimit,       bot.s2cWeaponsLossLimit, bot.displayMode,
      bot.dealMode,           bot.maxCheckRate,        bot.warnMessage.chars(),
      bot.lockMessage.chars()};
}

const Settings kDefaults = {300, 300, 2, 2, 2, 1, 1, 600, "", ""};

std::string contentsOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

TEST(ConfigTest, NoFileKeepsTheDefaultsAndLeavesAnEmptyFile) {
  TestBot env;
  env.init();
  EXPECT_EQ(env.take(), Lines{"echo: DLL plugin connected."});
  EXPECT_EQ(settingsOf(env.bot), kDefaults);
  EXPECT_EQ(contentsOf(env.folder.path() / kConfigFileName), "");
}

TEST(ConfigTest, EachLineSetsItsFieldOrNothing) {
  struct Case {
    const char* line;
    std::int32_t botInfo::*field;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"Current=100", &botInfo::currentPingLimit, 300},
      {"current =100", &botInfo::currentPingLimit, 300},
      {" current=100", &botInfo::currentPingLimit, 300},
      {"current=150ms", &botInfo::currentPingLimit, 150},
      {"current=  150", &botInfo::currentPingLimit, 150},
      {"current=abc", &botInfo::currentPingLimit, 0},
      {"current=-5", &botInfo::currentPingLimit, 300},
      {"current=99999999999", &botInfo::currentPingLimit, INT32_MAX},
      {"average=250", &botInfo::averagePingLimit, 250},
      {"average=-1", &botInfo::averagePingLimit, 300},
      {"s2cploss=-1", &botInfo::s2cLossLimit, 2},
      {"s2cploss=0", &botInfo::s2cLossLimit, 0},
      {"c2sploss=-7", &botInfo::c2sLossLimit, 2},
      {"s2cweapons=3", &botInfo::s2cWeaponsLossLimit, 3},
      {"s2cweapons=-3", &botInfo::s2cWeaponsLossLimit, 2},
      {"maxcheckrate=-10", &botInfo::maxCheckRate, -10},
      {"maxcheckrate=-99999999999", &botInfo::maxCheckRate, INT32_MIN},
      {"display=7", &botInfo::displayMode, 7},
      {"display=x", &botInfo::displayMode, 0},
      {"deal=-1", &botInfo::dealMode, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TestBot env;
    env.writeConfig(std::string(c.line) + "\n");
    env.init();
    EXPECT_EQ(env.bot.*c.field, c.expected);
  }
}

TEST(ConfigTest, MessagesGetTheWarnCommandAndKeepEveryBlank) {
  TestBot env;
  env.writeConfig("WarnMessage=  Fix it  \nLockMessage=\n");
  env.init();
  EXPECT_EQ(std::string(env.bot.warnMessage.chars()), "*warn   Fix it  ");
  EXPECT_EQ(std::string(env.bot.lockMessage.chars()), "*warn ");
}

TEST(ConfigTest, CrLfFileReadsLikeLfFileAndIsNeverWritten) {
  const std::string lines[] = {
      "WarnMessage=Your connection is too poor for this zone",
      "LockMessage=You have been moved to spectator mode for lagging",
      "[settings]",
      "; a comment",
      "",
      "current=310",
      "average=250",
      "s2cploss=4",
      "c2sploss=5",
      "s2cweapons=3",
      "display=2",
      "deal=3",
      "maxcheckrate=120"};
  const Settings expected = {
      310,
      250,
      4,
      5,
      3,
      2,
      3,
      120,
      "*warn Your connection is too poor for this zone",
      "*warn You have been moved to spectator mode for lagging"};
  for (const char* end : {"\n", "\r\n"}) {
    SCOPED_TRACE(end[1] == '\n' ? "CR LF" : "LF");
    std::string contents;
    for (const std::string& line : lines) contents += line + end;
    TestBot env;
    env.writeConfig(contents);
    env.init();
    EXPECT_EQ(settingsOf(env.bot), expected);
    EXPECT_EQ(contentsOf(env.folder.path() / kConfigFileName), contents);
  }
}

TEST(ConfigTest, LastOfRepeatedKeysWins) {
  TestBot env;
  env.writeConfig("deal=2\ndeal=3\nWarnMessage=a\nWarnMessage=b");
  env.init();
  EXPECT_EQ(env.bot.dealMode, 3);
  EXPECT_EQ(std::string(env.bot.warnMessage.chars()), "*warn b");
}

TEST(ConfigTest, RestOfAnOverlongLineIsReadAsALineOfItsOwn) {
  // 12 + 288 = 300 characters: the message keeps 243 of them and the last
  // 45, which start with a key, are read as a further line.
  const std::string kept(243, 'w');
  const std::string rest = "deal=3" + std::string(39, ' ');
  TestBot env;
  env.writeConfig("WarnMessage=" + kept + rest + "\n");
  env.init();
  EXPECT_EQ(std::string(env.bot.warnMessage.chars()), "*warn " + kept);
  EXPECT_EQ(env.bot.dealMode, 3);
}

TEST(ConfigTest, InitAfterTermRereadsTheFileOverTheCurrentValues) {
  TestBot env;
  env.writeConfig("current=100\ndeal=2\n");
  env.init();
  env.bot.displayMode = 2;  // as a chat command would
  env.send(makeTerm());
  env.writeConfig("current=200\n");
  env.init();
  EXPECT_EQ(env.take(), (Lines{"echo: DLL plugin connected.",
                               "echo: DLL plugin disconnected.",
                               "echo: DLL plugin connected."}));
  EXPECT_EQ(env.bot.currentPingLimit, 200);
  EXPECT_EQ(env.bot.dealMode, 2);
  EXPECT_EQ(env.bot.displayMode, 2);
}

}  // namespace
