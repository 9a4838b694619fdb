// A replay whose rows do not fit its budget reads its logs twice: once to
// learn them, again to play them. Between the two a log may be rotated,
// replaced or cut short (a sweep's later runs come minutes after the first
// reading); the run then refuses to play, instead of replaying another
// file. Rows kept within the budget are played as they were read.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "evidence/replay.h"
#include "host/event_makers.h"
#include "hostkit/work_folder.h"
#include "settings/config_check.h"
#include "util/player.h"

namespace {

namespace fs = std::filesystem;

const char kLog[] =
    "time\tbot\tplayer\tlevel\tship\trequester\tcurrent\taverage\tlow\thigh\t"
    "s2c\tc2s\ts2cweapons\tlimits\tstrikes\taction\n"
    "2000-01-01T00:00:00Z\t1\tAl\t0\t1\t*auto\t100\t100\t100\t100\t0.0\t0.0\t"
    "0.0\t-\t0/3\tnone\n"
    "2000-01-01T00:00:30Z\t1\tAl\t0\t1\t*auto\t900\t900\t900\t900\t0.0\t0.0\t"
    "0.0\tcurrent\t1/3\tannounced\n";

void write(const fs::path& path, const std::string& text) {
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(nullptr, file);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

// Loads lag.log with the rows kept in at most `budget` bytes, lets
// `meanwhile` change it, and runs: the run's failure.
std::string runAfter(void (*meanwhile)(const fs::path& log),
                     std::size_t budget = 0,
                     TalkFunction talk = nullptr) {
  WorkFolder logs;
  EXPECT_TRUE(logs.ready()) << logs.error();
  const fs::path log = logs.path() / "lag.log";
  write(log, kLog);
  Replay replay(stderr, false);
  replay.setKeptRowsBudget(budget);
  std::string failure;
  EXPECT_TRUE(replay.load(log.string(), &failure, "lag.log")) << failure;
  EXPECT_EQ(budget >= 4096, replay.rowsKept());
  replay.finishLoading();
  meanwhile(log);
  WorkFolder work;
  WorkFolder::Visit visit(work);
  EXPECT_TRUE(visit.entered()) << visit.error();
  // Without a plug-in the run must stop before it would need one; one
  // that does nothing logs nothing.
  EXPECT_FALSE(replay.run(talk, {}, ConfigSettings(), nullptr, {},
                          &failure));
  return failure;
}

void rotate(const fs::path& log) {
  fs::rename(log, log.string() + ".1");
  write(log, std::string(kLog).substr(0, 160));
}

}  // namespace

TEST(ReplayFilesTest, ALogChangedBetweenReadingAndPlayingIsRefused) {
  const std::string changed =
      "lag.log changed while it was replayed (rotated, replaced or cut "
      "short): replay it again";
  // Rotated: the name now holds a fresh, short file.
  EXPECT_EQ(changed, runAfter(rotate));
  // Cut short in place.
  EXPECT_EQ(changed, runAfter([](const fs::path& log) {
              fs::resize_file(log, 100);
            }));
  // Gone.
  EXPECT_EQ(0u, runAfter([](const fs::path& log) { fs::remove(log); })
                    .rfind("cannot open lag.log again to replay it: ", 0));
}

void TARVOK_STDCALL silentPlugin(BotEvent&) {}

TEST(ReplayFilesTest, KeptRowsPlayAsReadWhateverBecomesOfTheFile) {
  // A run with kept rows does not open the log again: it plays, and a
  // plug-in that does nothing logs nothing.
  EXPECT_EQ(
      "the replayed plug-in wrote no lag log: it could not read its "
      "settings or create the log (too many files open at once?)",
      runAfter(rotate, Replay::kKeptRowsBudget, silentPlugin));
  // A budget too small for the rows drops them all at once.
  EXPECT_EQ(0u, runAfter([](const fs::path& log) { fs::remove(log); }, 64)
                    .rfind("cannot open lag.log again to replay it: ", 0));
}

// A plug-in that asks the zone for the lag of the player it last heard of
// at every Tick, and keeps the zone's answers.
struct AskingPlugin {
  static CALL_COMMAND callback;
  static std::uint16_t ident;
  static std::vector<std::string> answers;

  static void TARVOK_STDCALL talk(BotEvent& event) {
    if (event.code == EVENT_Init) {
      callback = reinterpret_cast<CALL_COMMAND>(event.p[1]);
    } else if (event.code == EVENT_PlayerEntering) {
      ident = pointerOf<Player>(event.p[0])->ident;
    } else if (event.code == EVENT_Tick && ident != 0) {
      BotEvent query = makeSendChat(CHAT_Private, 0, ident, "*lag");
      query.handle = event.handle;
      callback(query);
    } else if (event.code == EVENT_Chat) {
      answers.push_back(pointerOf<const char>(event.p[3]));
    }
  }
};
CALL_COMMAND AskingPlugin::callback = nullptr;
std::uint16_t AskingPlugin::ident = 0;
std::vector<std::string> AskingPlugin::answers;

TEST(ReplayFilesTest, TheZoneAnswersWithTheRowsFiguresKeptOrReadAgain) {
  const std::vector<std::string> logged = {
      "PING Current:100 ms  Average:100 ms  Low:100 ms  High:100 ms  S2C: "
      "0.0%  C2S: 0.0%  S2CWeapons: 0.0%",
      "PING Current:900 ms  Average:900 ms  Low:900 ms  High:900 ms  S2C: "
      "0.0%  C2S: 0.0%  S2CWeapons: 0.0%"};
  for (const std::size_t budget : {Replay::kKeptRowsBudget, std::size_t{64}}) {
    AskingPlugin::ident = 0;
    AskingPlugin::answers.clear();
    runAfter([](const fs::path&) {}, budget, AskingPlugin::talk);
    EXPECT_EQ(logged, AskingPlugin::answers) << "budget " << budget;
  }
}
