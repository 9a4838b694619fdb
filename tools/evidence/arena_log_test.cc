#include "evidence/arena_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

#include "laglog/lag_log.h"

namespace {

// Every line after the header is a row the replay reads; presence comes
// before checks; the classes are the generator's.
TEST(ArenaLogTest, WritesRowsTheReplayReadsForEveryClass) {
  const std::string log = generateArenaLog(3, 30);
  EXPECT_EQ(log, generateArenaLog(3, 30));
  EXPECT_NE(log, generateArenaLog(4, 30));
  std::istringstream lines(log);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, kLagLogHeader);
  std::map<std::string, bool> arrived;
  std::map<std::string, int> checksByClass;
  std::int64_t last = 0;
  while (std::getline(lines, line)) {
    LagLogRow row;
    std::string error;
    ASSERT_TRUE(parseLagLogRow(line, &row, &error)) << error << ": " << line;
    EXPECT_GE(row.time, last);
    last = row.time;
    if (row.kind == LagRowKind::Arrived) arrived[row.player] = true;
    if (row.kind != LagRowKind::Check) continue;
    EXPECT_TRUE(arrived[row.player]) << line;
    const std::string kind = row.player.substr(0, row.player.find('-'));
    ++checksByClass[kind];
    EXPECT_EQ(row.automatic, kind != "staff") << line;
  }
  EXPECT_EQ(arrived.size(), 30u);
  for (const char* kind : {"good", "spiky", "lagger", "flaky", "far"}) {
    EXPECT_GT(checksByClass[kind], 0) << kind;
  }
}

// A long arena: rows the replay reads in time order; players come back
// for sessions of hours on several days; a steady lagger's link drops
// every few minutes; a check is within 20 seconds of the one before while
// the player stays.
TEST(ArenaLogTest, LongArenasHaveSessionsOfHoursAndLaggersWhoDrop) {
  const std::string log = generateLongArenaLog(2, 3);
  EXPECT_EQ(log, generateLongArenaLog(2, 3));
  std::istringstream lines(log);
  std::string line;
  std::getline(lines, line);
  std::map<std::string, std::int64_t> since;  // arrival of those here
  std::map<std::string, std::int64_t> lastCheck;
  std::map<std::string, std::int64_t> longestStay;
  std::map<std::string, int> arrivals;
  std::int64_t last = 0;
  while (std::getline(lines, line)) {
    LagLogRow row;
    std::string error;
    ASSERT_TRUE(parseLagLogRow(line, &row, &error)) << error << ": " << line;
    EXPECT_GE(row.time, last);
    last = row.time;
    const std::string& name = row.player;
    if (row.kind == LagRowKind::Arrived) {
      EXPECT_EQ(since.count(name), 0u) << line;
      since[name] = row.time;
      lastCheck[name] = row.time;
      ++arrivals[name];
    } else if (row.kind == LagRowKind::Left) {
      ASSERT_EQ(since.count(name), 1u) << line;
      longestStay[name] = std::max(longestStay[name], row.time - since[name]);
      since.erase(name);
    } else if (row.kind == LagRowKind::Check) {
      ASSERT_EQ(since.count(name), 1u) << line;
      if (name.rfind("staff", 0) != 0) {
        EXPECT_LE(row.time - lastCheck[name], 20) << line;
      }
      lastCheck[name] = row.time;
    }
  }
  EXPECT_EQ(arrivals.size(), 40u);
  for (const auto& player : arrivals) {
    if (player.first.rfind("lagger", 0) == 0) {
      EXPECT_GT(player.second, 20) << player.first;  // drops and comes back
      EXPECT_LE(longestStay[player.first], 170) << player.first;
    } else {
      EXPECT_GE(player.second, 2) << player.first;  // on more than one day
      EXPECT_LE(player.second, 12) << player.first;  // hours apart
    }
  }
  EXPECT_GE(longestStay["good-01"], 2400);
}

TEST(ArenaLogTest, ScoresCountPlayersDealtWithByClass) {
  LagSummary summary({"logged", "replayed"}, false);
  summary.add(1, 1, "lagger-01", true, LagAction::Spectated, 5, nullptr);
  summary.add(1, 1, "flaky-01", true, LagAction::Announced, 5, nullptr);
  summary.add(1, 1, "far-01", true, LagAction::Warned, 5, nullptr);
  summary.add(1, 1, "good-01", false, LagAction::None, 5, nullptr);
  summary.add(1, 1, "Bob", true, LagAction::Spectated, 5, nullptr);
  const std::vector<std::string> lines = classScores(summary, 1);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[2], "  good            1           0     0%");
  EXPECT_EQ(lines[4], "  lagger          1           1   100%");
  EXPECT_EQ(lines[8], "  laggers dealt with: 1 of 2 (50%)");
  EXPECT_EQ(lines[9], "  honest players dealt with: 0 of 1 (0%)");
  EXPECT_EQ(lines[10], "  steady high-latency links dealt with: 1 of 1 (100%)");
}

}  // namespace
