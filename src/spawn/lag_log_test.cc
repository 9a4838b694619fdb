#include "spawn/lag_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "spawn/test_bot.h"

namespace {

const char kHeader[] =
    "time\tbot\tplayer\tlevel\tship\trequester\tcurrent\taverage\tlow\thigh\t"
    "s2c\tc2s\ts2cweapons\tlimits\tstrikes\taction";

std::string contentsOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The file's lines without the time stamps, whose shape is checked.
std::string withoutTimes(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  std::string result;
  while (std::getline(lines, line)) {
    if (line == kHeader || line.empty()) {
      result += line + "\n";
      continue;
    }
    EXPECT_GT(line.size(), 21u);
    if (line.size() <= 21) continue;
    EXPECT_EQ(line[4], '-');
    EXPECT_EQ(line[10], 'T');
    EXPECT_EQ(line[19], 'Z');
    result += line.substr(21) + "\n";
  }
  return result;
}

class LagLogTest : public ::testing::Test {
 protected:
  std::string log() { return withoutTimes(contentsOf(env.folder.path() / "lag.log")); }
  TestBot env;
};

// The story of a log: who was there at the connection, arrivals, ship
// changes, checks of names that need escaping, departures.
TEST_F(LagLogTest, RecordsPresenceAndChecksWithEveryNameReadable) {
  env.writeConfig("queue=1\nstrikes=2\nLagLog=lag.log\n");
  Player* staff = env.addPlayer("Staff", 1, OP_SuperModerator, kSpectatorShip);
  Player* bob = env.addPlayer("Bob", 2);
  env.connect();
  // A name that reads like the automatic requester, one with a tab and a
  // backslash, and one of the full 20 bytes.
  Player* fake = env.addPlayer("*auto", 3, OP_Moderator, 1);
  env.send(makePlayerEntering(fake));
  Player* odd = env.addPlayer("a\tb\\c", 4, OP_Player, 2);
  env.send(makePlayerEntering(odd));
  Player* longest = env.addPlayer("Twentybytesofname123", 5, OP_Player, 3);
  env.send(makePlayerEntering(longest));
  env.command(fake, "lagcheck Bob");
  env.chat(kLagging);
  env.command(staff, "lagcheck a\tb\\c");
  env.chat(kFine);
  bob->ship = 4;
  env.send(makePlayerShip(bob, 0, 0));
  env.chat(kFine);  // nobody asked
  env.send(makePlayerLeaving(longest));
  env.removePlayer(longest);
  env.send(makeArenaLeave());
  // Presence rows: no requester, figures, limits or strikes.
  const auto presence = [](const char* who, const char* event) {
    return std::string("1\t") + who + "\t\t\t\t\t\t\t\t\t-\t-\t" + event + "\n";
  };
  EXPECT_EQ(log(),
            std::string(kHeader) + "\n" + presence("\t\t", "connected") +
                presence("Staff\t3\t8", "arrived") +
                presence("Bob\t0\t0", "arrived") +
                presence("\\x2Aauto\t2\t1", "arrived") +
                presence("a\\tb\\\\c\t0\t2", "arrived") +
                presence("Twentybytesofname123\t0\t3", "arrived") +
                "1\tBob\t0\t0\t\\x2Aauto\t500\t400\t80\t950\t0.0\t0.0\t0.0\t"
                "current,average\t1/2\tannounced\n"
                "1\ta\\tb\\\\c\t0\t2\tStaff\t90\t80\t70\t120\t0.1\t0.2\t0.0\t-\t"
                "0/2\tnone\n" +
                presence("Bob\t0\t4", "ship") +
                "1\t\t\t\t\t90\t80\t70\t120\t0.1\t0.2\t0.0\t-\t-\tnone\n" +
                presence("Twentybytesofname123\t0\t3", "left") +
                presence("\t\t", "arena-left"));
}

// A server line of absurd figures gives a row of bounded size, each figure
// cut, written in one piece; control bytes never reach the file raw.
TEST_F(LagLogTest, ARowHasABoundedSizeAndNoRawControlBytes) {
  env.writeConfig("LagLog=lag.log\n");
  Player* bob = env.addPlayer("Bob", 2);
  env.connect();
  const std::string digits(5000, '9');
  const std::string line = "PING Current:" + digits + " ms  Average:1\x1B[2J" +
                           " ms  Low:1 ms  High:1 ms  S2C: 0.0%  C2S: 0.0" +
                           "%  S2CWeapons: 0.0%";
  env.command(bob, "lagme");
  env.chat(line.c_str());
  const std::string text = contentsOf(env.folder.path() / "lag.log");
  EXPECT_LT(text.size(), 1000u);
  const std::string cut(LagLog::kFigureBytes, '9');
  EXPECT_NE(text.find("\t" + cut + "\t1\\x1B[2J\t"), std::string::npos) << text;
  EXPECT_EQ(std::count_if(text.begin(), text.end(),
                          [](char c) {
                            return static_cast<unsigned char>(c) < 0x20 &&
                                   c != '\t' && c != '\n';
                          }),
            0);
}

// A torn last line (a write that failed half-way) is never continued: the
// next row starts on a line of its own.
TEST_F(LagLogTest, ARowNeverGluesOntoATornOne) {
  env.writeConfig("LagLog=lag.log\n");
  Player* bob = env.addPlayer("Bob", 2);
  {
    std::ofstream torn(env.folder.path() / "lag.log", std::ios::binary);
    torn << kHeader << "\n2026-12-07T10:00:00Z\t1\tBo";
  }
  env.connect();
  env.command(bob, "lagme");
  env.chat(kFine);
  const std::string text = contentsOf(env.folder.path() / "lag.log");
  EXPECT_EQ(text.find("\t1\tBo\n"), std::string(kHeader).size() + 21)
      << text;
  EXPECT_EQ(text.find(kHeader, 1), std::string::npos);
}

// A failure is echoed once per run of failures: again after a success, and
// at a new connection.
TEST_F(LagLogTest, AFailureIsEchoedOncePerRunOfFailures) {
  const std::filesystem::path taken = env.folder.path() / "taken";
  std::filesystem::create_directory(taken);
  env.writeConfig("LagLog=taken\n");
  Player* bob = env.addPlayer("Bob", 2);
  env.connect();
  auto failures = [&] {
    for (int i = 0; i < 2; ++i) {
      env.command(bob, "lagme");
      env.chat(kFine);
    }
    const Lines sent = env.take();
    return std::count(sent.begin(), sent.end(),
                      "echo: Lag log: cannot write to taken");
  };
  EXPECT_EQ(failures(), 0);  // the echo of the connection row went before
  std::filesystem::remove(taken);
  EXPECT_EQ(failures(), 0);  // space again
  // The file is held open for a second's rows (where Windows lets nobody
  // remove it) and let go when the bot disconnects.
  env.send(makeTerm());
  std::filesystem::remove(taken);
  std::filesystem::create_directory(taken);
  env.take();
  env.init();
  EXPECT_EQ(env.take().size(), 2u);  // connected, and the failure again
  EXPECT_EQ(failures(), 0);          // once per run of failures
}

// Beyond LagLogMaxBytes the file moves to FILE.1 and so on; three are kept
// and every file begins with the header.
TEST_F(LagLogTest, ACappedLogRotatesAndKeepsThreeOldFiles) {
  env.writeConfig("LagLog=lag.log\nLagLogMaxBytes=400\n");
  Player* bob = env.addPlayer("Bob", 2);
  env.connect();
  for (int i = 0; i < 40; ++i) {
    env.command(bob, "lagme");
    env.chat(kFine);
  }
  const std::filesystem::path folder = env.folder.path();
  for (const char* name : {"lag.log", "lag.log.1", "lag.log.2", "lag.log.3"}) {
    const std::string text = contentsOf(folder / name);
    EXPECT_EQ(text.rfind(kHeader, 0), 0u) << name;
    EXPECT_LE(text.size(), 400u) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "lag.log.4"));
}

// The rows of the capped log FILE and its rotated files, oldest first;
// checks that each file starts with the one header and keeps its cap.
std::vector<std::string> rotatedRows(const std::filesystem::path& folder,
                                     std::size_t cap) {
  std::vector<std::string> rows;
  for (const char* name : {"lag.log.3", "lag.log.2", "lag.log.1", "lag.log"}) {
    if (!std::filesystem::exists(folder / name)) continue;
    const std::string text = contentsOf(folder / name);
    EXPECT_EQ(text.rfind(kHeader, 0), 0u) << name;
    EXPECT_EQ(text.find(kHeader, 1), std::string::npos) << name;
    EXPECT_LE(text.size(), cap) << name;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      if (line != kHeader) rows.push_back(line);
    }
  }
  return rows;
}

// Two bots of one host share a capped log: whichever bot's row reaches the
// cap, the file rotates once, and while the four files can hold every row
// none is lost.
TEST(SharedLagLogTest, TwoBotsRotateTheirFileOncePerCap) {
  TestBot first(1);
  TestBot second(2);  // the current folder: both bots read its tarvok.ini
  second.writeConfig("LagLog=lag.log\nLagLogMaxBytes=2400\n");
  Player* bob = first.addPlayer("Bob", 2);
  Player* ann = second.addPlayer("Ann", 3);
  first.connect();
  second.connect();
  for (int i = 0; i < 40; ++i) {
    first.command(bob, "lagme");
    first.chat(kFine);
    second.command(ann, "lagme");
    second.chat(kFine);
  }
  const std::vector<std::string> rows = rotatedRows(second.folder.path(), 2400);
  // Each bot: connected, its player arrived, forty checks.
  ASSERT_EQ(rows.size(), 84u);
  EXPECT_EQ(rows.back().find("\t2\tAnn\t"), 20u) << rows.back();
  EXPECT_TRUE(std::filesystem::exists(second.folder.path() / "lag.log.2"));
}

// A rotation that fails (here FILE.1 to FILE.3 are folders that nothing
// can move or remove) is said once; the file keeps growing with its one
// header, and rotates once it can.
TEST_F(LagLogTest, AFailedRotationIsSaidOnceAndKeepsOneHeader) {
  env.writeConfig("LagLog=lag.log\nLagLogMaxBytes=400\n");
  const std::filesystem::path folder = env.folder.path();
  for (const char* name : {"lag.log.1", "lag.log.2", "lag.log.3"}) {
    std::filesystem::create_directories(folder / name / "kept");
  }
  Player* bob = env.addPlayer("Bob", 2);
  env.connect();
  const auto checks = [&](int count) {
    for (int i = 0; i < count; ++i) {
      env.command(bob, "lagme");
      env.chat(kFine);
    }
    const Lines sent = env.take();
    return std::count(sent.begin(), sent.end(),
                      "echo: Lag log: cannot rotate lag.log: it grows past "
                      "LagLogMaxBytes");
  };
  EXPECT_EQ(checks(10), 1);
  env.tick();
  EXPECT_EQ(checks(10), 0);
  std::string text = contentsOf(folder / "lag.log");
  EXPECT_GT(text.size(), 1200u);
  EXPECT_EQ(text.find(kHeader, 1), std::string::npos);
  // Room again: the next second's row rotates the file.
  std::filesystem::remove_all(folder / "lag.log.1");
  std::filesystem::remove_all(folder / "lag.log.2");
  std::filesystem::remove_all(folder / "lag.log.3");
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(checks(1), 0);
  EXPECT_EQ(contentsOf(folder / "lag.log.1"), text);
  text = contentsOf(folder / "lag.log");
  EXPECT_EQ(text.rfind(kHeader, 0), 0u);
  EXPECT_LT(text.size(), 400u);
}

}  // namespace
