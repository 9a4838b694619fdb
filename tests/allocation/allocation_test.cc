// What the plug-in allocates on the roads a busy arena travels most: a whole
// lag check (with and without the queue), a Tick with the lag watch on, and
// the watch's automatic checks.
// Each story warms up first (a bot's Strings and maps grow to their size
// once), then counts the allocations of many more rounds. A check that
// allocates again fails here, not only in the benchmarks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "allocation_counter.h"
#include "check_road.h"
#include "host/botlist.h"
#include "host/event_makers.h"
#include "plain_check.h"
#include "spawn/spawn.h"
#include "temp_folder.h"

namespace {

constexpr CALL_HANDLE kHandle = 1;
constexpr int kRounds = 200;

// Each test connects one bot in a folder of its own and unloads it at the
// end, as a library unload does.
class AllocationTest : public ::testing::Test {
 protected:
  ~AllocationTest() override { botlist.clear(); }

  void connect(const std::string& config) {
    folder_.write("tarvok.ini", config);
    BotEvent init = road_.init();
    talk(init);
  }

  TempFolder folder_;
  CheckRoad road_{kHandle};
};

TEST_F(AllocationTest, WholeChecksAllocateNothing) {
  // Reports to the arena, five lagger lines, the lock message and "*spec":
  // the records of the plain C check the benchmarks compare it with.
  connect(CheckRoad::kConfig);
  BotEvent init = road_.init();
  plainCheckTalk(init);
  EXPECT_EQ(road_.captureCheck(&talk), road_.captureCheck(&plainCheckTalk));

  const std::uint64_t records = CheckRoad::recordCount();
  const std::uint64_t allocations = allocationCount();
  for (int i = 0; i < kRounds; ++i) road_.run(&talk);
  EXPECT_EQ(allocationCount() - allocations, 0u);
  EXPECT_EQ(CheckRoad::recordCount() - records, 11u * kRounds);
}

TEST_F(AllocationTest, OtherModesOfTheCheckAllocateNothing) {
  // The report privately to the asker, a warning instead of the lock, and
  // then, with the watch's strikes counted, the strike notices between.
  const char* const configs[] = {
      "display=2\ndeal=2\nWarnMessage=Fix your connection\n",
      "display=1\ndeal=3\nLockMessage=Spectating\nstrikes=3\n",
  };
  for (const char* config : configs) {
    SCOPED_TRACE(config);
    connect(config);
    road_.run(&talk);
    road_.run(&talk);
    road_.run(&talk);
    const std::uint64_t allocations = allocationCount();
    for (int i = 0; i < kRounds; ++i) road_.run(&talk);
    EXPECT_EQ(allocationCount() - allocations, 0u);
  }
}

TEST_F(AllocationTest, FairLimitsAllocateNothing) {
  // An allowance looked up and the quorum counted (and not reached); then a
  // steady connection judged from the watch's history, forgiven, and the
  // arena told so.
  const char steadyLine[] =
      "PING Current:520 ms  Average:510 ms  Low:480 ms  High:560 ms  S2C: "
      "0.0%  C2S: 0.0%  S2CWeapons: 0.0%";
  BotEvent steadyAnswer = makeChat(0, 0, nullptr, steadyLine);
  steadyAnswer.handle = kHandle;
  struct Story {
    const char* config;
    const BotEvent* answer;
  };
  const Story stories[] = {
      {"deal=3\nLockMessage=Spectating\nallow=Ann +10\nallow=bob +50\n"
       "minplayers=100\n",
       &road_.answer()},
      {"deal=3\nLockMessage=Spectating\nstrikes=3\nstability=40\n"
       "allow=bob +50\n",
       &steadyAnswer},
  };
  for (const Story& story : stories) {
    SCOPED_TRACE(story.config);
    connect(story.config);
    BotEvent command = road_.command();
    BotEvent answer = *story.answer;
    for (int i = 0; i < 5; ++i) {
      talk(command);
      talk(answer);
    }
    const std::uint64_t allocations = allocationCount();
    for (int i = 0; i < kRounds; ++i) {
      talk(command);
      talk(answer);
    }
    EXPECT_EQ(allocationCount() - allocations, 0u);
  }
}

TEST_F(AllocationTest, OrderedChecksAllocateNothing) {
  // A queued request writes its names into a slot of the queue, whose
  // blocks stay; its query copies them into the request kept for the
  // answer. Three checks are typed before the first answer comes, so two
  // of them wait.
  connect("queue=1\ndeal=3\nLockMessage=Spectating\n");
  BotEvent command = road_.command();
  BotEvent answer = road_.answer();
  auto threeChecks = [&] {
    for (int i = 0; i < 3; ++i) talk(command);
    for (int i = 0; i < 3; ++i) talk(answer);
  };
  // Until each of the queue's 64 slots has held names once.
  for (int i = 0; i < 25; ++i) threeChecks();
  const std::uint64_t records = CheckRoad::recordCount();
  const std::uint64_t allocations = allocationCount();
  for (int i = 0; i < kRounds; ++i) threeChecks();
  EXPECT_EQ(allocationCount() - allocations, 0u);
  EXPECT_EQ(CheckRoad::recordCount() - records, 3u * 11 * kRounds);
}

// The zone server of the watched stories: it answers the last "*lag" sent,
// after the Tick that sent it.
const Player* asked = nullptr;
const _linkedlist<Player>* listed = nullptr;

void TARVOK_STDCALL rememberQuery(BotEvent& record) {
  const char* text = pointerOf<const char>(record.p[3]);
  // Without a std::string: the host must not count allocations of its own.
  if (record.code != COMMAND_SendChat || std::strcmp(text, "*lag") != 0) return;
  for (const _listnode<Player>* node = listed->head; node; node = node->next) {
    if (node->item->ident == record.p[2]) asked = node->item;
  }
}

TEST_F(AllocationTest, WatchedTicksAndAutomaticChecksAllocateNothing) {
  folder_.write("tarvok.ini", "autocheck=30\nstrikes=3\ngrace=0\ndeal=3\n");
  BotEvent init = road_.init();
  init.p[1] = reinterpret_cast<std::uintptr_t>(&rememberQuery);
  listed = pointerOf<_linkedlist<Player>>(init.p[2]);
  talk(init);
  BotEvent tick = makeTick();
  tick.handle = kHandle;
  BotEvent answer = makeChat(0, 0, nullptr, CheckRoad::kLagLine);
  answer.handle = kHandle;

  // A server that never answers: each query is given up after five Ticks
  // and the next goes out.
  for (int i = 0; i < 30; ++i) talk(tick);
  std::uint64_t allocations = allocationCount();
  for (int i = 0; i < kRounds; ++i) talk(tick);
  EXPECT_EQ(allocationCount() - allocations, 0u);

  // A server that answers every query, including those that go out as an
  // answer is handled: every player is checked, judged, struck, announced
  // and spectated in turn, and their history kept.
  int answered = 0;
  auto answerQueries = [&] {
    while (asked != nullptr) {
      asked = nullptr;
      talk(answer);
      ++answered;
    }
  };
  for (int i = 0; i < 100; ++i) {
    talk(tick);
    answerQueries();
  }
  allocations = allocationCount();
  answered = 0;
  for (int i = 0; i < kRounds; ++i) {
    talk(tick);
    answerQueries();
  }
  EXPECT_EQ(allocationCount() - allocations, 0u);
  EXPECT_GT(answered, kRounds / 2);
  asked = nullptr;
}

}  // namespace
