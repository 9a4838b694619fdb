// The road of a lag check through the loaded library: from "!lagcheck" over
// the server's lag line to the last "*spec".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_host.h"
#include "temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

const char kLaggerLine[] =
    "PING Current:450 ms  Average:310 ms  Low:200 ms  High:900 ms  S2C: 0.2%  "
    "C2S: 3.7%  S2CWeapons: 0.0%";
const char kFigures[] =
    "C: 450  Avg: 310  L: 200  H: 900  S2C: 0.2  C2S: 3.7  S2CW: 0.0";

class LagCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.write("tarvok.ini",
                 "WarnMessage=Please fix your connection\r\n"
                 "LockMessage=Moved to spectators for lagging\r\n"
                 "current=400\r\n"
                 "deal=3\r\n");
    ASSERT_TRUE(host.load()) << host.error();
    pat = host.addPlayer("Pat", 1);
    bob = host.addPlayer("Bob", 2, OP_Player, 3);
    boss = host.addPlayer("Boss", 3, OP_SysOp);
    bobSpectating = host.addPlayer("bob", 4, OP_Player, 8);
    host.init(1);
    EXPECT_EQ(host.takeDescribed(), Lines{"echo: DLL plugin connected."});
  }
  void TearDown() override { EXPECT_EQ(host.malformed(), Lines{}); }

  TempFolder folder;
  RecordingHost host;
  Player* pat = nullptr;
  Player* bob = nullptr;
  Player* boss = nullptr;
  Player* bobSpectating = nullptr;
};

TEST_F(LagCheckTest, ArenaReportMovesTheLaggersToSpectators) {
  host.tick(1);
  host.command(1, pat, "lagcheck BOB");
  EXPECT_EQ(host.takeDescribed(),
            (Lines{"private to 1: Checking player's lag",
                   "private to 2: Pat has requested to check your lag",
                   "private to 2: *lag",
                   "private to 4: Pat has requested to check your lag",
                   "private to 4: *lag"}));

  host.chat(1, 0, kLaggerLine);
  EXPECT_EQ(host.takeDescribed(),
            (Lines{std::string("public: *arena [BOB]  ") + kFigures,
                   "public: *arenaBOB is lagging with 400+ PING Current",
                   "public: *arenaBOB is lagging with 300+ PING Average",
                   "public: *arenaBOB is lagging with 2%+ C2SPloss",
                   "private to 2: *warn Moved to spectators for lagging",
                   "private to 2: *spec",
                   "private to 4: *warn Moved to spectators for lagging"}));

  // Pat waits 600 seconds for the next check.
  host.command(1, pat, "lagcheck Bob");
  host.tick(1, 600);
  host.command(1, pat, "lagcheck Bob");
  host.tick(1);
  host.command(1, pat, "laglimits");
  EXPECT_EQ(host.takeDescribed(),
            (Lines{"private to 1: Lag time limit exceeded.",
                   "private to 1: Lag time limit exceeded.",
                   "private to 1: limits  C: 400  AVG: 300  S2C: 2  C2S: 2  "
                   "S2CWeapons: 2"}));
}

TEST_F(LagCheckTest, PrivateReportGoesToTheAskerOnly) {
  host.command(1, boss, "lagdisplay 2");
  host.command(1, boss, "laglimitset -a=500 -c=4");
  host.command(1, boss, "lagcheck Bob");
  EXPECT_EQ(host.takeDescribed(),
            (Lines{"private to 3: Average Ping limit set",
                   "private to 3: C2S Ploss limit set",
                   "private to 3: Checking player's lag",
                   "private to 2: Boss has requested to check your lag",
                   "private to 2: *lag",
                   "private to 4: Boss has requested to check your lag",
                   "private to 4: *lag"}));

  host.chat(1, 0, kLaggerLine);
  EXPECT_EQ(host.takeDescribed(),
            (Lines{std::string("private to 3: [Bob]  ") + kFigures,
                   "public: *arenaBob is lagging with 400+ PING Current",
                   "private to 2: *warn Moved to spectators for lagging",
                   "private to 2: *spec",
                   "private to 4: *warn Moved to spectators for lagging"}));

  // A player who checks himself gets his report, and nobody is dealt with.
  host.command(1, pat, "lagme");
  host.chat(1, 0,
            "PING Current:90 ms  Average:80 ms  Low:70 ms  High:120 ms  S2C: "
            "0.0%  C2S: 0.0%  S2CWeapons: 0.0%");
  EXPECT_EQ(host.takeDescribed(),
            (Lines{"private to 1: *lag", "private to 1: Checking your lag.",
                   "private to 1: [Pat]  C: 90  Avg: 80  L: 70  H: 120  S2C: "
                   "0.0  C2S: 0.0  S2CW: 0.0"}));
}

}  // namespace
