// The plug-in's writer and the tools' reader agree on every kind of row:
// what the plug-in logs comes back from the reader as it was meant.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "laglog/lag_log.h"
#include "spawn/lag_log.h"
#include "spawn/test_bot.h"

namespace {

// What the test wrote, to compare with what the reader makes of it.
struct Written {
  LagRowKind kind;
  std::string player;
  int level;
  int ship;
  bool automatic;
  std::string requester;
  std::uint8_t limits;
  std::uint32_t strikes;
  std::uint32_t strikesOutOf;
  LagAction action;
  std::uint8_t verdicts;
  std::int32_t allowanceMs;
  std::uint32_t population;
};

std::vector<std::string> linesOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// A day of one bot's log: the bot connects with two players listed (one
// whose name needs escaping), a check of each action with the verdicts of
// fair limits, a lag line of no request, a check of a player who left, a
// player who arrives, changes ship and leaves, a population section, and
// the bot leaving the arena. Each row read back is the row written.
void writeAndReadBack(bool withArena) {
  TestBot env(7);
  Player* odd = env.addPlayer("*odd\tname\\", 2, OP_Moderator, 3);
  Player* bob = env.addPlayer("Bob", 3, OP_Player, 1);
  env.bot.logSettings.lagLogPath = "lag.log";
  env.bot.playerList = &env.players;
  env.bot.arena.sectionsInFile = withArena;
  env.bot.arena.name = "duel\x1B[2J";
  const char* const figures[kFigureCount] = {"420", "380",   "210", "900",
                                             "3.2", "1\x1B", "0.0"};
  for (int i = 0; i < kFigureCount; ++i) {
    env.bot.*kFigureTexts[i] = figures[i];
  }

  LagLog log;
  std::vector<Written> written;
  const auto presence = [&](Presence event, const Player* player,
                            LagRowKind kind) {
    log.appendPresence(env.bot, event, player);
    written.push_back({kind, player ? player->name : "",
                       player ? static_cast<int>(player->accessLevel) : -1,
                       player ? player->ship : -1, false, "", 0, 0, 0,
                       LagAction::None, 0, 0, 0});
  };
  presence(Presence::Connected, nullptr, LagRowKind::Connected);
  written.push_back({LagRowKind::Arrived, odd->name, OP_Moderator, 3, false, "",
                     0, 0, 0, LagAction::None, 0, 0, 0});
  written.push_back({LagRowKind::Arrived, "Bob", 0, 1, false, "", 0, 0, 0,
                     LagAction::None, 0, 0, 0});

  const DealAction actions[] = {DealAction::None, DealAction::Announced,
                                DealAction::Warned, DealAction::Spectated};
  const std::uint8_t verdicts[] = {0, kVerdictAllowance | kVerdictNoQuorum,
                                   kVerdictSteady, 0xF};
  const std::uint8_t limits[] = {0, kCurrentPingReached | kAveragePingReached,
                                 kS2cLossNegative, 0xFF};
  for (int i = 0; i < 4; ++i) {
    LagLogEntry entry;
    entry.playerName = i % 2 == 0 ? "bob" : odd->name;
    entry.player = i % 2 == 0 ? bob : odd;
    entry.automatic = i == 0;
    entry.requesterName = i == 0 ? "" : "*Staff";
    entry.limits = limits[i];
    entry.strikes = i;
    entry.strikesNeeded = 3;
    entry.action = actions[i];
    entry.verdicts = verdicts[i];
    entry.allowanceMs = (verdicts[i] & kVerdictAllowance) ? 150 : 0;
    log.append(env.bot, entry);
    written.push_back({LagRowKind::Check, entry.player->name,
                       i % 2 == 0 ? 0 : static_cast<int>(OP_Moderator),
                       entry.player->ship, entry.automatic, entry.requesterName,
                       limits[i], static_cast<std::uint32_t>(i), 3,
                       static_cast<LagAction>(i), verdicts[i],
                       entry.allowanceMs, 0});
  }
  // A lag line that belonged to no request, and one of a player who left.
  log.append(env.bot, LagLogEntry());
  written.push_back({LagRowKind::Check, "", -1, -1, false, "", 0, 0, 0,
                     LagAction::None, 0, 0, 0});
  LagLogEntry gone;
  gone.playerName = "Gone";
  gone.requesterName = "Bob";
  gone.limits = kC2sLossReached;
  log.append(env.bot, gone);
  written.push_back({LagRowKind::Check, "Gone", -1, -1, false, "Bob",
                     kC2sLossReached, 0, 0, LagAction::None, 0, 0, 0});

  Player* ann = env.addPlayer("Ann", 4, OP_Player, 0);
  presence(Presence::Arrived, ann, LagRowKind::Arrived);
  ann->ship = 8;
  presence(Presence::Ship, ann, LagRowKind::Ship);
  presence(Presence::Left, ann, LagRowKind::Left);
  log.appendSection(env.bot, 12);
  written.push_back({LagRowKind::Population, "", -1, -1, false, "", 0, 0, 0,
                     LagAction::None, 0, 0, 12});
  presence(Presence::ArenaLeft, nullptr, LagRowKind::ArenaLeft);

  const std::vector<std::string> lines = linesOf(env.folder.path() / "lag.log");
  ASSERT_EQ(lines.size(), written.size() + 1);
  EXPECT_TRUE(isLagLogHeader(lines[0])) << lines[0];
  EXPECT_EQ(lines[0].size() > kLagLogHeader.size(), withArena);
  for (std::size_t i = 0; i < written.size(); ++i) {
    const std::string& line = lines[i + 1];
    const Written& want = written[i];
    LagLogRow row;
    std::string error;
    ASSERT_TRUE(parseLagLogRow(line, &row, &error)) << error << ": " << line;
    SCOPED_TRACE(line);
    EXPECT_EQ(row.kind, want.kind);
    EXPECT_EQ(row.bot, 7u);
    EXPECT_EQ(row.player, want.player);
    EXPECT_EQ(row.level, want.level);
    EXPECT_EQ(row.ship, want.ship);
    EXPECT_EQ(row.automatic, want.automatic);
    EXPECT_EQ(row.requester, want.requester);
    EXPECT_EQ(row.limits, want.limits);
    EXPECT_EQ(row.strikes, want.strikes);
    EXPECT_EQ(row.strikesOutOf, want.strikesOutOf);
    EXPECT_EQ(row.action, want.action);
    EXPECT_EQ(row.verdicts, want.verdicts);
    EXPECT_EQ(row.allowanceMs, want.allowanceMs);
    EXPECT_EQ(row.populationSection, want.population);
    EXPECT_EQ(row.hasArena, withArena);
    EXPECT_EQ(row.arena, withArena ? "duel\x1B[2J" : "");
    for (int f = 0; f < kFigureCount; ++f) {
      EXPECT_EQ(row.figures[f],
                want.kind == LagRowKind::Check ? figures[f] : "");
    }
  }
}

TEST(LagLogSchemaTest, EveryRowThePlugInWritesReadsBackAsWritten) {
  writeAndReadBack(false);
}

TEST(LagLogSchemaTest, RowsWithTheArenaReadBackAsWritten) {
  writeAndReadBack(true);
}

}  // namespace
