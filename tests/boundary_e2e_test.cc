// The plug-in as a host meets it: loaded from the built library, driven
// through `talk` alone, answering through the host callback.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host/event_makers.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

constexpr std::uint32_t version(std::uint32_t major, std::uint32_t minor) {
  return major << 16 | minor;
}

const char kConnected[] = "echo: DLL plugin connected.";
const char kDisconnected[] = "echo: DLL plugin disconnected.";
const char kTooOld[] =
    "echo: DLL plugin cannot connect.  This plugin requires the latest "
    "version of Corvane.";
const char kTooNew[] =
    "echo: DLL plugin cannot connect.  This plugin is out of date.";
const char kLagLine[] =
    "PING Current:900 ms  Average:900 ms  Low:80 ms  High:900 ms  S2C: 9.0%  "
    "C2S: 9.0%  S2CWeapons: 9.0%";

class BoundaryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.load()) << host.error(); }
  void TearDown() override { EXPECT_EQ(host.malformed(), Lines{}); }

  TempFolder folder;
  RecordingHost host;
};

TEST_F(BoundaryTest, AcceptsMajorSixFromMinorFive) {
  host.init(1, kHostInterfaceVersion);
  host.init(2, version(6, 65535));
  std::vector<SentRecord> sent = host.take();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].describe(), kConnected);
  EXPECT_EQ(sent[0].handle, 1u);
  EXPECT_EQ(sent[1].describe(), kConnected);
  EXPECT_EQ(sent[1].handle, 2u);
  // The accepted Init reads the settings file, creating it when missing.
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "tarvok.ini"));
}

TEST_F(BoundaryTest, RefusedVersionsLeaveTheInstanceDeadForGood) {
  struct Case {
    std::uint32_t version;
    const char* answer;
  };
  const Case cases[] = {{version(6, 4), kTooOld},
                        {version(5, 9), kTooOld},
                        {version(5, 65535), kTooOld},
                        {version(7, 0), kTooNew}};
  CALL_HANDLE handle = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    Player* admin = host.addPlayer("Admin", 4, OP_God);
    host.init(handle, c.version);
    EXPECT_EQ(host.takeDescribed(), Lines{c.answer});

    // Nothing reaches a dead instance: not Term, not a lag line, not a
    // command, not even a good Init.
    host.send(handle, makeTerm());
    host.chat(handle, 0, kLagLine);
    host.command(handle, admin, "about");
    host.init(handle, kHostInterfaceVersion);
    host.send(handle, makeTerm());
    EXPECT_EQ(host.takeDescribed(), Lines{});
    host.removePlayer(admin);
    ++handle;
  }
}

TEST_F(BoundaryTest, TermOnlyEchoesAndALaterInitReconnects) {
  host.init(1);
  host.send(1, makeTerm());
  BotEvent stray = makeTerm();
  for (std::uintptr_t& word : stray.p) word = 0xDEAD;
  host.send(1, stray);
  host.init(1);
  EXPECT_EQ(host.takeDescribed(),
            (Lines{kConnected, kDisconnected, kDisconnected, kConnected}));
}

TEST_F(BoundaryTest, EchoRecordHasOnlyItsText) {
  host.init(7);
  std::vector<SentRecord> sent = host.take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].handle, 7u);
  EXPECT_EQ(sent[0].code, COMMAND_Echo);
  for (int i = 1; i < 6; ++i) EXPECT_EQ(sent[0].p[i], 0u) << "p[" << i << "]";
}

TEST_F(BoundaryTest, PrivateChatRecordAddressesTheIdent) {
  Player* caller = host.addPlayer("Caller", 0x1234);
  Player* zero = host.addPlayer("Zero", 0);
  host.init(3);
  host.take();
  host.command(3, caller, "lagme");
  host.command(3, zero, "lagme");
  std::vector<SentRecord> sent = host.take();
  ASSERT_EQ(sent.size(), 4u);
  for (const SentRecord& record : sent) {
    EXPECT_EQ(record.handle, 3u);
    EXPECT_EQ(record.code, COMMAND_SendChat);
    EXPECT_EQ(record.p[0], CHAT_Private);
    EXPECT_EQ(record.p[1], 0u);
    EXPECT_EQ(record.p[4], 0u);
    EXPECT_EQ(record.p[5], 0u);
  }
  EXPECT_EQ(sent[0].p[2], 0x1234u);
  EXPECT_EQ(sent[0].text, "*lag");
  EXPECT_EQ(sent[1].text, "Checking your lag.");
  // Ident 0 is a player like any other.
  EXPECT_EQ(sent[2].p[2], 0u);
  EXPECT_EQ(sent[3].p[2], 0u);
}

TEST_F(BoundaryTest, PublicChatRecordHasNoTarget) {
  host.addPlayer("Bob", 5);
  host.init(1);
  host.chat(1, 0, kLagLine);
  std::vector<SentRecord> sent = host.take();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[1].code, COMMAND_SendChat);
  EXPECT_EQ(sent[1].p[0], CHAT_Public);
  EXPECT_EQ(sent[1].p[2], 0u);
  EXPECT_EQ(sent[1].text,
            "*arena []  C: 900  Avg: 900  L: 80  H: 900  S2C: 9.0  C2S: 9.0  "
            "S2CW: 9.0");
}

TEST_F(BoundaryTest, CodesAboveTheTableAndIgnoredEventsSayNothing) {
  Player* bob = host.addPlayer("Bob", 5);
  host.init(1);
  host.take();
  for (std::uint32_t code :
       {33u, 35u, 37u, 40u, 41u, 42u, 1000u, 0xFFFFFFFFu}) {
    host.send(1, makeRecord(code, {1, 2, 3, 4, 5}));
  }
  host.send(1, makePlayerEntering(bob));
  host.send(1, makePlayerMove(bob));
  host.send(1, makePlayerWeapon(bob, 3));
  host.send(1, makeRemoteCommand("Bob", nullptr, OP_God));
  // Only chat type 0 carries lag lines.
  for (std::int32_t type : {1, 2, 5, 7, 9}) host.chat(1, type, kLagLine);
  EXPECT_EQ(host.takeDescribed(), Lines{});
}

TEST_F(BoundaryTest, BotsKeepTheirOwnState) {
  Player* admin = host.addPlayer("Admin", 1, OP_SysOp);
  host.init(1);
  host.init(2);
  host.take();
  // Reports of bot 1 go privately to the asker, bot 2 keeps the arena.
  host.command(1, admin, "lagdisplay 2");
  host.command(1, admin, "lagme");
  host.take();
  host.chat(1, 0, kLagLine);
  host.chat(2, 0, kLagLine);
  Lines sent = host.takeDescribed();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[0],
            "private to 1: [Admin]  C: 900  Avg: 900  L: 80  H: 900  S2C: 9.0  "
            "C2S: 9.0  S2CW: 9.0");
  EXPECT_NE(std::find(sent.begin(), sent.end(),
                      "public: *arena []  C: 900  Avg: 900  L: 80  H: 900  "
                      "S2C: 9.0  C2S: 9.0  S2CW: 9.0"),
            sent.end());
}

TEST_F(BoundaryTest, EventsBeforeInitAndHandleZeroSendNothing) {
  Player* bob = host.addPlayer("Bob", 5, OP_God);
  // No Init yet: no callback, no player list, nothing may break.
  host.send(4, makeTick());
  host.chat(4, 0, kLagLine);
  host.command(4, bob, "lagcheck Bob");
  host.help(4, bob, "");
  host.send(4, makePlayerLeaving(bob));
  host.send(4, makeArenaLeave());
  host.send(4, makeTerm());
  // Handle 0 is a bot like any other, but it can never be answered.
  host.init(0);
  host.command(0, bob, "about");
  host.send(0, makeTerm());
  EXPECT_EQ(host.takeDescribed(), Lines{});
}

TEST_F(BoundaryTest, UnloadAndReloadStartsAfresh) {
  Player* admin = host.addPlayer("Admin", 1, OP_SysOp);
  host.init(1);
  host.command(1, admin, "lagdisplay 0");
  host.unload();
  ASSERT_TRUE(host.load()) << host.error();
  host.init(1);
  host.command(1, admin, "lagme");
  EXPECT_EQ(host.takeDescribed(),
            (Lines{kConnected, kConnected, "private to 1: *lag",
                   "private to 1: Checking your lag."}));
}

}  // namespace
