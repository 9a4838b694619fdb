#include "evidence/arena_log.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "evidence/lag_log.h"

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
