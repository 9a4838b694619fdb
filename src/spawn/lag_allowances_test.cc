#include "spawn/lag_allowances.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

AllowanceText read(const char* text, bool hours, AllowanceFault expected) {
  AllowanceText out;
  EXPECT_EQ(readAllowanceText(text, hours, out), expected) << text;
  return out;
}

TEST(AllowanceTextTest, ReadsNamesWithBlanksFromTheEnd) {
  AllowanceText text = read("  Big Ben\t +150  ", false, AllowanceFault::None);
  EXPECT_STREQ(text.name, "Big Ben");
  EXPECT_EQ(text.extraMs, 150);
  EXPECT_EQ(text.hours, 0);

  text = read("Big Ben +150 24", true, AllowanceFault::None);
  EXPECT_STREQ(text.name, "Big Ben");
  EXPECT_EQ(text.hours, 24);
  // Without hours allowed the last word is no amount.
  read("Big Ben +150 24", false, AllowanceFault::NoAmount);
  // "NAME 0" takes back; a name may end in digits.
  text = read("Agent 007 0", true, AllowanceFault::None);
  EXPECT_STREQ(text.name, "Agent 007");
  EXPECT_EQ(text.extraMs, 0);
  text = read("R2 +5", true, AllowanceFault::None);
  EXPECT_STREQ(text.name, "R2");
}

TEST(AllowanceTextTest, RefusesWhatItCannotRead) {
  read("", true, AllowanceFault::NoAmount);
  read("Bob", true, AllowanceFault::NoAmount);
  read("Bob 150", true, AllowanceFault::NoAmount);
  read("Bob +", true, AllowanceFault::NoAmount);
  read("Bob +15x", true, AllowanceFault::NoAmount);
  read("Bob 0 5", true, AllowanceFault::NoAmount);
  read("+150", true, AllowanceFault::NoName);
  read("   +150 2", true, AllowanceFault::NoName);
  read("ABCDEFGHIJKLMNOPQRSTU +150", true, AllowanceFault::LongName);
  read("ABCDEFGHIJKLMNOPQRST +150", true, AllowanceFault::None);
  read("Bob +100001", true, AllowanceFault::OutOfRange);
  read("Bob +99999999999", true, AllowanceFault::NoAmount);
  read("Bob +150 0", true, AllowanceFault::OutOfRange);
  read("Bob +150 8761", true, AllowanceFault::OutOfRange);
}

AllowanceText named(const std::string& name, std::int32_t ms) {
  AllowanceText text;
  std::snprintf(text.name, sizeof text.name, "%s", name.c_str());
  text.extraMs = ms;
  return text;
}

TEST(LagAllowancesTest, LiveGrantsOutlastTheFileAndRunOut) {
  LagAllowances table;
  table.addFromFile(named("Farah", 150));
  EXPECT_EQ(table.extraFor("FARAH"), 150);
  EXPECT_EQ(table.extraFor("Far"), 0);
  // A live grant replaces the file's; the next read does not override it.
  table.grant(named("farah", 80), 2);
  table.dropFileAllowances();
  table.addFromFile(named("Farah", 300));
  EXPECT_EQ(table.extraFor("Farah"), 80);
  table.tick();
  EXPECT_EQ(table.extraFor("Farah"), 80);
  table.tick();
  EXPECT_EQ(table.extraFor("Farah"), 0);
  // Its slot is free again; the file's allowance comes back at the next read.
  table.dropFileAllowances();
  table.addFromFile(named("Farah", 300));
  EXPECT_EQ(table.extraFor("Farah"), 300);
  EXPECT_TRUE(table.takeBack("farah"));
  EXPECT_FALSE(table.takeBack("farah"));
}

TEST(LagAllowancesTest, AFullTableRefusesOnlyNewNames) {
  LagAllowances table;
  for (int i = 0; i < LagAllowances::kMostAllowances; ++i) {
    EXPECT_TRUE(table.grant(named("P" + std::to_string(i), 10), 0));
  }
  EXPECT_FALSE(table.grant(named("Extra", 10), 0));
  EXPECT_FALSE(table.addFromFile(named("Extra", 10)));
  EXPECT_TRUE(table.grant(named("p7", 20), 0));
  EXPECT_EQ(table.extraFor("P7"), 20);
  // A timed grant that ran out leaves room.
  EXPECT_TRUE(table.takeBack("P3"));
  EXPECT_TRUE(table.grant(named("Brief", 10), 1));
  table.tick();
  EXPECT_TRUE(table.grant(named("Extra", 10), 0));
  EXPECT_EQ(table.extraFor("Brief"), 0);
}

}  // namespace
