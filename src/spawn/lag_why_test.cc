// "!lagwhy" and the staff notice of notify=, driven through a bot: the
// checks behind a dealing are those of its run of strikes, a check that
// came too soon to strike included, and they stay found behind later
// checks until the history no longer holds the dealing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "spawn/test_bot.h"

namespace {

class LagWhyTest : public ::testing::Test {
 protected:
  void start() {
    env.writeConfig(
        "queue=1\ndeal=3\nstrikes=2\nstrikegap=60\nnotify=3\n"
        "LockMessage=Go watch\n");
    staff = env.addPlayer("Staff", 1, OP_SuperModerator, kSpectatorShip);
    bob = env.addPlayer("Bob", 2, OP_Player, 1);
    env.connect();
    env.take();
  }
  // Staff checks Bob, and the server answers with `line`.
  Lines checkBob(const char* line) {
    env.command(staff, "lagcheck Bob");
    env.chat(line);
    return env.take();
  }

  TestBot env;
  Player* staff = nullptr;
  Player* bob = nullptr;
};

bool holds(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(LagWhyTest, TheRunOfStrikesBehindAMoveIsShownToThePlayerAndToStaff) {
  start();
  env.command(bob, "lagwhy");
  EXPECT_EQ(env.take(), Lines{"private to 2: [Bob]  no dealing remembered"});

  EXPECT_TRUE(holds(checkBob(kLagging),
                    "private to 2: Lag strike 1 of 2: your connection is "
                    "over the arena's lag limits"));
  env.tick(10);
  checkBob(kLagging);  // within strikegap: no second strike yet
  env.tick(60);
  const Lines moved = checkBob(kLagging);
  EXPECT_TRUE(holds(moved, "private to 2: *spec"));
  // Staff is told once, Bob not at all.
  EXPECT_TRUE(holds(moved,
                    "private to 1: tarvok: Bob moved to spectator mode: 2 "
                    "strikes in 70 s, current 500 (limit 300), average 400 "
                    "(300)"));
  EXPECT_EQ(1, std::count_if(moved.begin(), moved.end(),
                             [](const std::string& line) {
                               return line.find("tarvok: ") !=
                                      std::string::npos;
                             }));

  const Lines why{
      "[Bob]  moved to spectator mode 0 s ago: 2 strikes of 2 in 70 s",
      "  70 s ago  C: 500/300  Avg: 400/300  S2C: 0.0/2  C2S: 0.0/2  "
      "S2CW: 0.0/2  over: current,average  strikes 1/2  announced",
      "  60 s ago  C: 500/300  Avg: 400/300  S2C: 0.0/2  C2S: 0.0/2  "
      "S2CW: 0.0/2  over: current,average  strikes 1/2  announced",
      "  0 s ago  C: 500/300  Avg: 400/300  S2C: 0.0/2  C2S: 0.0/2  "
      "S2CW: 0.0/2  over: current,average  strikes 2/2  spectated"};
  const auto to = [&why](const char* ident) {
    Lines lines;
    for (const std::string& line : why) lines.push_back(ident + line);
    return lines;
  };
  env.command(bob, "lagwhy");
  EXPECT_EQ(env.take(), to("private to 2: "));
  env.command(staff, "lagwhy bob");
  EXPECT_EQ(env.take(), to("private to 1: "));

  // A fine check later: the move is still the one shown, from further back.
  env.tick(5);
  checkBob(kFine);
  env.command(bob, "lagwhy");
  const Lines later = env.take();
  ASSERT_FALSE(later.empty());
  EXPECT_EQ("private to 2: [Bob]  moved to spectator mode 5 s ago: 2 strikes "
            "of 2 in 70 s",
            later.front());
  EXPECT_EQ(why.size(), later.size());
  // Four more, and the history of five no longer holds the move.
  for (int i = 0; i < 4; ++i) checkBob(kFine);
  env.command(bob, "lagwhy");
  EXPECT_EQ(env.take(), Lines{"private to 2: [Bob]  no dealing remembered"});
}

}  // namespace
