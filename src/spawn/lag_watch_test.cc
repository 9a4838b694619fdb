#include "spawn/lag_watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "spawn/test_bot.h"

namespace {

class LagWatchTest : public ::testing::Test {
 protected:
  void start(const std::string& config) {
    env.writeConfig(config + "LockMessage=Go watch\n");
    staff = env.addPlayer("Staff", 1, OP_SuperModerator, kSpectatorShip);
    bob = env.addPlayer("Bob", 2);
    carol = env.addPlayer("Carol", 3);
    dave = env.addPlayer("Dave", 4);
    env.connect();
  }

  TestBot env;
  Player* staff = nullptr;
  Player* bob = nullptr;
  Player* carol = nullptr;
  Player* dave = nullptr;
};

TEST_F(LagWatchTest, OverlappingChecksAreAnsweredAndJudgedInTurn) {
  start("queue=1\ndeal=3\n");
  env.command(staff, "lagcheck bob");
  env.command(staff, "lagcheck carol");
  EXPECT_EQ(env.take(),
            (Lines{"private to 1: Checking player's lag",
                   "private to 2: Staff has requested to check your lag",
                   "private to 2: *lag", "private to 1: Checking player's lag",
                   "private to 3: Staff has requested to check your lag"}));
  // The first answer is Bob's, whoever was asked for last; the report names
  // him as typed.
  env.chat(kLagging);
  EXPECT_EQ(env.take(),
            (Lines{"public: *arena [bob]  C: 500  Avg: 400  L: 80  H: 950  "
                   "S2C: 0.0  C2S: 0.0  S2CW: 0.0",
                   "public: *arenabob is lagging with 300+ PING Current",
                   "public: *arenabob is lagging with 300+ PING Average",
                   "private to 2: *warn Go watch", "private to 2: *spec",
                   "private to 3: *lag"}));
  env.chat(kFine);
  EXPECT_EQ(env.take(),
            (Lines{"public: *arena [carol]  C: 90  Avg: 80  L: 70  H: 120  "
                   "S2C: 0.1  C2S: 0.2  S2CW: 0.0"}));
  // Nobody asked: the line is neither reported nor judged.
  env.chat(kLagging);
  EXPECT_EQ(env.take(), Lines{});
}

TEST_F(LagWatchTest, AnUnansweredQueryIsGivenUpAndTheQueueMovesOn) {
  start("queue=1\nanswertimeout=3\n");
  env.command(staff, "lagcheck Bob");
  env.command(staff, "lagcheck Carol");
  env.command(staff, "lagcheck Dave");
  env.take();
  env.tick(2);
  EXPECT_EQ(env.take(), Lines{});
  env.tick();
  EXPECT_EQ(env.take(),
            (Lines{"private to 1: No answer came for the lag check of Bob",
                   "private to 3: *lag"}));
  // Dave leaves while waiting: his request goes with him.
  env.send(makePlayerLeaving(dave));
  env.removePlayer(dave);
  env.chat(kFine);
  EXPECT_EQ(env.take(),
            (Lines{"public: *arena [Carol]  C: 90  Avg: 80  "
                   "L: 70  H: 120  S2C: 0.1  C2S: 0.2  S2CW: 0.0"}));
  env.tick(5);
  EXPECT_EQ(env.take(), Lines{});
}

TEST_F(LagWatchTest, AFullQueueRefusesAndLeavingOrReconnectingEmptiesIt) {
  start("queue=1\n");
  for (std::size_t i = 0; i <= LagWatch::kMostWaiting; ++i) {
    env.command(staff, "lagcheck Bob");  // one outstanding, then 64 waiting
  }
  env.take();
  env.bot.storeTag(bob, 0, -1);
  env.command(bob, "lagcheck Carol");
  EXPECT_EQ(env.take(), (Lines{"private to 2: Too many lag checks are "
                               "waiting: try again shortly"}));
  EXPECT_EQ(env.bot.lookupTag(bob, 0), -1);  // no countdown started
  env.send(makeArenaLeave());
  env.chat(kFine);
  env.tick(10);
  EXPECT_EQ(env.take(), Lines{});
  // A reconnection starts afresh too: nothing waits, nothing times out.
  env.command(staff, "lagcheck Bob");
  env.command(staff, "lagcheck Carol");
  env.connect();
  env.take();
  env.tick(10);
  EXPECT_EQ(env.take(), Lines{});
}

// The bot moves to another arena while Bob's query is out: the answer that
// still comes is the old arena's and is taken for no check of the new one;
// an answer that never comes is given up without a word.
TEST_F(LagWatchTest, AnAnswerDueFromTheArenaLeftIsTakenForNoOtherCheck) {
  start("queue=1\nanswertimeout=3\ndeal=3\n");
  env.command(staff, "lagcheck Bob");
  env.take();
  env.send(makeArenaLeave());
  env.removePlayer(bob);
  env.command(staff, "lagcheck Carol");
  EXPECT_EQ(env.take(),
            (Lines{"private to 1: Checking player's lag",
                   "private to 3: Staff has requested to check your lag"}));
  env.chat(kLagging);  // Bob's figures, from the arena left
  EXPECT_EQ(env.take(), Lines{"private to 3: *lag"});
  env.chat(kFine);
  EXPECT_EQ(env.take(),
            (Lines{"public: *arena [Carol]  C: 90  Avg: 80  "
                   "L: 70  H: 120  S2C: 0.1  C2S: 0.2  S2CW: 0.0"}));
  env.command(staff, "lagcheck Dave");
  env.send(makeArenaLeave());
  env.command(staff, "lagcheck Carol");
  env.take();
  env.tick(3);
  EXPECT_EQ(env.take(), Lines{"private to 3: *lag"});
}

TEST_F(LagWatchTest, StrikesForgiveASpikeAndDealOnTheLastOne) {
  start("strikes=3\ndeal=3\ndisplay=2\n");
  const auto check = [&](const char* line) {
    env.command(staff, "lagcheck bob");
    env.take();
    env.chat(line);
    return env.take();
  };
  const std::string report =
      "private to 1: [bob]  C: 500  Avg: 400  L: 80  H: 950  S2C: 0.0  C2S: "
      "0.0  S2CW: 0.0";
  const Lines announced = {report,
                           "public: *arenabob is lagging with 300+ PING "
                           "Current",
                           "public: *arenabob is lagging with 300+ PING "
                           "Average"};
  Lines first = announced;
  first.push_back(
      "private to 2: Lag strike 1 of 3: your connection is over the arena's "
      "lag limits");
  EXPECT_EQ(check(kLagging), first);
  check(kFine);  // clears the strike
  EXPECT_EQ(check(kLagging), first);
  Lines second = announced;
  second.push_back(
      "private to 2: Lag strike 2 of 3: your connection is over the arena's "
      "lag limits");
  EXPECT_EQ(check(kLagging), second);
  Lines third = announced;
  third.push_back("private to 2: *warn Go watch");
  third.push_back("private to 2: *spec");
  EXPECT_EQ(check(kLagging), third);
  EXPECT_EQ(check(kLagging), first);  // the strikes started again
}

std::string lagLine(int current, const char* s2cLoss) {
  return "PING Current:" + std::to_string(current) +
         " ms  Average:310 ms  Low:80 ms  High:950 ms  S2C: " + s2cLoss +
         "%  C2S: 0.0%  S2CWeapons: 0.0%";
}

// The verdict on stability from the watch's history: the loss of an earlier
// check, a second spike, the ceiling and an even count of pings.
TEST_F(LagWatchTest, StabilityNeedsSteadyPingsWithoutLossUnderTheCeiling) {
  start("strikes=9\ndeal=3\ndisplay=2\nstability=30\n");
  const auto strikes = [&](int current, const char* s2cLoss) {
    env.command(staff, "lagcheck bob");
    env.chat(lagLine(current, s2cLoss).c_str());
    env.take();
    return env.bot.watch.strikesOf(bob);
  };
  const auto estimate = [&]() {
    return env.bot.watch.estimateStability(bob, nullptr);
  };
  EXPECT_EQ(strikes(500, "0.0"), 1);
  EXPECT_EQ(strikes(540, "0.0"), 2);
  // 500 and 540: the median of an even count lies between them.
  EXPECT_EQ(estimate().median, 520);
  EXPECT_EQ(estimate().samples, 2);
  // A loss over its limit strikes, and keeps the next checks unsteady while
  // it is among the last five.
  EXPECT_EQ(strikes(510, "3.0"), 3);
  EXPECT_FALSE(estimate().lossFree);
  EXPECT_EQ(strikes(505, "0.0"), 4);
  EXPECT_EQ(strikes(515, "0.0"), 5);
  EXPECT_EQ(strikes(520, "0.0"), 6);
  EXPECT_EQ(strikes(510, "0.0"), 7);
  // The lossy check has left the last five: 510 520 515 505 and this 512.
  EXPECT_EQ(strikes(512, "0.0"), 0);
  EXPECT_TRUE(estimate().steadyWithin(30));
  // At the ceiling (twice the current limit) a steady ping strikes.
  EXPECT_EQ(strikes(600, "0.0"), 1);
  // 600 is the one spike left out; a second one is not.
  EXPECT_EQ(estimate().spread, 5);
  EXPECT_EQ(strikes(590, "0.0"), 2);
  EXPECT_EQ(strikes(512, "0.0"), 3);
  // Within the limits the verdict is not needed: the strikes clear.
  env.command(staff, "lagcheck bob");
  env.chat(kFine);
  EXPECT_EQ(env.bot.watch.strikesOf(bob), 0);
}

// A reconnection whose file turns the queue on while a check without it is
// out: that check is the one awaited, judged for its player, and the next
// lag line is nobody's.
TEST_F(LagWatchTest, AReconnectionThatTurnsTheQueueOnAwaitsTheCheckOut) {
  start("deal=3\n");
  env.command(staff, "lagcheck bob");
  env.take();
  env.writeConfig("queue=1\nLockMessage=Go watch\n");
  env.init();
  env.take();
  env.chat(kLagging);
  EXPECT_EQ(env.take(),
            (Lines{"public: *arena [bob]  C: 500  Avg: 400  L: 80  H: 950  "
                   "S2C: 0.0  C2S: 0.0  S2CW: 0.0",
                   "public: *arenabob is lagging with 300+ PING Current",
                   "public: *arenabob is lagging with 300+ PING Average",
                   "private to 2: *warn Go watch", "private to 2: *spec"}));
  env.chat(kLagging);
  EXPECT_EQ(env.take(), Lines{});
}

// Checks without the queue are adopted only while their "*lag" is out, and
// each for the player it went to: one answered already is not awaited, and
// one whose player left is awaited but judges nobody.
TEST_F(LagWatchTest, ASwitchOnAwaitsOnlyTheChecksStillOutForTheirOwnPlayers) {
  start("autocheck=0\ndeal=3\n");
  env.command(staff, "lagwatch -i=0");
  env.command(staff, "lagcheck carol");
  env.chat(kFine);  // Carol's answer: her check is no longer out
  env.command(staff, "lagcheck bob");
  env.command(staff, "lagcheck dave");
  env.send(makePlayerLeaving(bob));
  env.removePlayer(bob);
  env.take();
  env.command(staff, "lagwatch -i=100");
  EXPECT_EQ(env.take(), Lines{"private to 1: Lag watch interval set"});
  // Bob's answer: reported under the name asked for, nobody judged.
  env.chat(kLagging);
  EXPECT_EQ(env.take(),
            (Lines{"public: *arena [bob]  C: 500  Avg: 400  L: 80  H: 950  "
                   "S2C: 0.0  C2S: 0.0  S2CW: 0.0",
                   "public: *arenabob is lagging with 300+ PING Current",
                   "public: *arenabob is lagging with 300+ PING Average"}));
  // Dave's, behind it, deals with Dave; then nothing is awaited.
  env.chat(kLagging);
  EXPECT_EQ(env.take(),
            (Lines{"public: *arena [dave]  C: 500  Avg: 400  L: 80  H: 950  "
                   "S2C: 0.0  C2S: 0.0  S2CW: 0.0",
                   "public: *arenadave is lagging with 300+ PING Current",
                   "public: *arenadave is lagging with 300+ PING Average",
                   "private to 4: *warn Go watch", "private to 4: *spec"}));
  env.chat(kLagging);
  EXPECT_EQ(env.take(), Lines{});
}

TEST_F(LagWatchTest, WithoutTheWatchKeysItsCommandsAreUnknown) {
  start("");
  env.command(staff, "lagwatch");
  env.command(staff, "laghistory Bob");
  env.help(staff, "lagwatch");
  env.help(staff, "");
  EXPECT_EQ(env.take(), (Lines{"private to 1: Ext: !laglimitset [params]  "
                               "!laggerdeal [#]  !lagdisplay [#]  !version  "
                               "!lagtimelimit"}));
}

}  // namespace

// memory=: the table of players who left is bounded; when full, the entry
// that would be forgotten first makes room, and leaving the arena empties
// it. A name comes back in any letter case.
TEST(LagWatchMemoryTest, DepartedPlayersAreBoundedAndRecalledByName) {
  const auto named = [](const std::string& name) {
    Player player{};
    std::copy(name.begin(), name.end(), player.name);
    return player;
  };
  LagWatch watch;
  std::vector<Player> left;
  for (int i = 0; i <= 256; ++i) {
    left.push_back(named("p" + std::to_string(i)));
  }
  for (std::size_t i = 0; i < left.size(); ++i) {
    watch.recordStrike(&left[i], true, 3);
    // The first to leave is remembered for the shortest time.
    watch.forget(&left[i], i == 0 ? 10 : 600);
  }
  Player first = named("P0");
  Player second = named("P1");
  Player last = named("p256");
  EXPECT_EQ(watch.recordStrike(&first, true, 3), 1);  // made room: afresh
  EXPECT_EQ(watch.recordStrike(&second, true, 3), 2);
  EXPECT_EQ(watch.recordStrike(&last, true, 3), 2);
  // Recalled once: leaving without memory forgets for good.
  watch.forget(&second);
  Player again = named("p1");
  EXPECT_EQ(watch.recordStrike(&again, true, 3), 1);
  Player other = named("p2");
  watch.leaveArena();
  EXPECT_EQ(watch.recordStrike(&other, true, 3), 1);
}

namespace {

// The watch asked through its narrow interface alone: a host of four
// players and settings passed by value, no bot. Bob and Carol are watched,
// a spectator and staff are not; a manual check goes out in turn, one left
// waiting is dropped when ordered checks go off (its asker's countdown
// given back), and an unanswered query is given up.
class RecordingWatchHost final : public WatchHost {
 public:
  RecordingWatchHost() { players.keepItems = 1; }
  const _linkedlist<Player>* listedPlayers() const override {
    return &players;
  }
  void sendPrivate(const Player* player, const char* text) override {
    lines.push_back(std::string(player->name) + ": " + text);
  }
  void giveBackCountdown(const Player* asker) override {
    lines.push_back(std::string(asker->name) + ": countdown given back");
  }
  std::vector<std::string> take() {
    std::vector<std::string> taken;
    taken.swap(lines);
    return taken;
  }

  _linkedlist<Player> players;
  std::vector<std::string> lines;
};

TEST(LagWatchHostTest, AWatchOfFourPlayersThroughItsHostAlone) {
  Player bob(2, "Bob", "", 0, 0, 0, 0, 0, 0, 0, 0);
  Player spectator(3, "Spec", "", 0, 0, 0, 0, 0, kSpectatorShip, 0, 0);
  Player mod(4, "Mod", "", 0, 0, 0, 0, 0, 0, 0, 0);
  mod.accessLevel = OP_SuperModerator;
  Player carol(5, "Carol", "", 0, 0, 0, 0, 0, 0, 0, 0);
  RecordingWatchHost host;
  for (Player* player : {&bob, &spectator, &mod, &carol}) {
    host.players.appendItem(player);
  }
  WatchSettings settings;
  settings.autoCheckInterval = 30;
  settings.graceSeconds = 2;
  settings.answerTimeout = 3;
  LagWatch watch;

  watch.tick(host, settings);
  EXPECT_EQ(host.take(), std::vector<std::string>{});
  watch.tick(host, settings);  // Bob's grace is over; Carol's too, later
  EXPECT_EQ(host.take(), std::vector<std::string>{"Bob: *lag"});
  const CheckRequest* answered = watch.takeAnswered();
  ASSERT_NE(answered, nullptr);
  EXPECT_TRUE(answered->automatic);
  EXPECT_EQ(answered->target, &bob);

  // Carol checks the moderator by hand: it goes out at once, before her
  // own automatic turn; a check the moderator asks for waits.
  watch.requestCheck(host, settings, &mod, "mod", 3, &carol, true);
  EXPECT_EQ(host.take(), std::vector<std::string>{"Mod: *lag"});
  watch.requestCheck(host, settings, &bob, "bob", 3, &mod, true);
  EXPECT_EQ(host.take(), std::vector<std::string>{});

  // Ordered checks go off: the waiting check is dropped, its asker told
  // and free to ask again; the query out keeps its turn.
  WatchSettings unordered = settings;
  unordered.autoCheckInterval = 0;
  watch.dropWaiting(host, unordered);
  EXPECT_EQ(host.take(),
            (std::vector<std::string>{
                "Mod: The lag check of bob was dropped: checks no longer "
                "wait their turn",
                "Mod: countdown given back"}));
  watch.tick(host, unordered);
  watch.tick(host, unordered);
  EXPECT_EQ(host.take(), std::vector<std::string>{});
  watch.tick(host, unordered);
  EXPECT_EQ(host.take(), std::vector<std::string>{
                             "Carol: No answer came for the lag check of mod"});
  EXPECT_FALSE(watch.awaitingAnswer());
}

// Between its walks of the list the watch still asks the right player the
// moment one can be asked, whatever changed in between: a spectator who
// took a ship, a lower access level, a check by hand, a shorter interval.
TEST(LagWatchHostTest, BetweenWalksTheNextPlayerDueIsStillTheRightOne) {
  Player bob(2, "Bob", "", 0, 0, 0, 0, 0, 0, 0, 0);
  Player spectator(3, "Spec", "", 0, 0, 0, 0, 0, kSpectatorShip, 0, 0);
  Player mod(4, "Mod", "", 0, 0, 0, 0, 0, 0, 0, 0);
  mod.accessLevel = OP_SuperModerator;
  RecordingWatchHost host;
  for (Player* player : {&bob, &spectator, &mod}) {
    host.players.appendItem(player);
  }
  WatchSettings settings;
  settings.autoCheckInterval = 30;
  settings.graceSeconds = 0;
  settings.answerTimeout = 3;
  LagWatch watch;
  const auto answer = [&] {
    ASSERT_NE(watch.takeAnswered(), nullptr);
    watch.answerHandled(host, settings);
  };

  watch.tick(host, settings);
  EXPECT_EQ(host.take(), std::vector<std::string>{"Bob: *lag"});
  answer();  // the spectator and the moderator are due, but not watched
  EXPECT_EQ(host.take(), std::vector<std::string>{});
  watch.tick(host, settings);
  EXPECT_EQ(host.take(), std::vector<std::string>{});
  spectator.ship = 0;  // no word of it reaches the watch
  watch.tick(host, settings);
  EXPECT_EQ(host.take(), std::vector<std::string>{"Spec: *lag"});
  answer();
  mod.accessLevel = 0;
  watch.requestCheck(host, settings, &bob, "bob", 3, &spectator, false);
  EXPECT_EQ(host.take(), std::vector<std::string>{"Bob: *lag"});
  answer();  // the moderator, most overdue, before anybody else
  EXPECT_EQ(host.take(), std::vector<std::string>{"Mod: *lag"});
  answer();
  EXPECT_EQ(host.take(), std::vector<std::string>{});

  // Nobody is due for 30 s; an interval of 5 makes all three due at once
  // (each asked 5 s ago), asked in the order of the list, and again 5 s on.
  for (int second = 0; second < 4; ++second) watch.tick(host, settings);
  EXPECT_EQ(host.take(), std::vector<std::string>{});
  settings.autoCheckInterval = 5;
  watch.tick(host, settings);
  EXPECT_EQ(host.take(), std::vector<std::string>{"Bob: *lag"});
  answer();
  EXPECT_EQ(host.take(), std::vector<std::string>{"Spec: *lag"});
  answer();
  EXPECT_EQ(host.take(), std::vector<std::string>{"Mod: *lag"});
  answer();
  for (int second = 0; second < 4; ++second) watch.tick(host, settings);
  EXPECT_EQ(host.take(), std::vector<std::string>{});
  watch.tick(host, settings);
  EXPECT_EQ(host.take(), std::vector<std::string>{"Bob: *lag"});
}

// After a walk the players fall due at the seconds their last queries set:
// each is asked the second they fall due, the most overdue first, the
// first listed of those equally overdue, and one who could not be asked
// when due (a spectator) comes first once they can.
TEST(LagWatchHostTest, PlayersAreAskedTheSecondTheyFallDueMostOverdueFirst) {
  Player ann(2, "Ann", "", 0, 0, 0, 0, 0, 0, 0, 0);
  Player ben(3, "Ben", "", 0, 0, 0, 0, 0, 0, 0, 0);
  Player cat(4, "Cat", "", 0, 0, 0, 0, 0, 0, 0, 0);
  Player dan(5, "Dan", "", 0, 0, 0, 0, 0, 0, 0, 0);
  RecordingWatchHost host;
  for (Player* player : {&ann, &ben, &cat, &dan}) {
    host.players.appendItem(player);
  }
  WatchSettings settings;
  settings.autoCheckInterval = 3;
  settings.graceSeconds = 0;
  settings.answerTimeout = 10;
  LagWatch watch;
  using Sent = std::vector<std::string>;
  const auto answer = [&] {
    EXPECT_NE(watch.takeAnswered(), nullptr);
    watch.answerHandled(host, settings);
    return host.take();
  };

  // Second 1: all due; the answers come late, one a second.
  watch.tick(host, settings);
  EXPECT_EQ(host.take(), Sent{"Ann: *lag"});
  EXPECT_EQ(answer(), Sent{"Ben: *lag"});
  watch.tick(host, settings);
  EXPECT_EQ(answer(), Sent{"Cat: *lag"});
  watch.tick(host, settings);
  EXPECT_EQ(answer(), Sent{"Dan: *lag"});
  EXPECT_EQ(answer(), Sent{});
  dan.ship = kSpectatorShip;  // no word of it reaches the watch
  // Second 4: Ann and Ben fall due, asked at second 1.
  watch.tick(host, settings);
  EXPECT_EQ(host.take(), Sent{"Ann: *lag"});
  EXPECT_EQ(answer(), Sent{"Ben: *lag"});
  EXPECT_EQ(answer(), Sent{});
  watch.tick(host, settings);  // second 5: Cat
  EXPECT_EQ(host.take(), Sent{"Cat: *lag"});
  EXPECT_EQ(answer(), Sent{});
  watch.tick(host, settings);  // second 6: Dan is due, but spectating
  EXPECT_EQ(host.take(), Sent{});
  dan.ship = 0;
  // Second 7: Dan, due since second 6, before Ann and Ben, due now.
  watch.tick(host, settings);
  EXPECT_EQ(host.take(), Sent{"Dan: *lag"});
  EXPECT_EQ(answer(), Sent{"Ann: *lag"});
  EXPECT_EQ(answer(), Sent{"Ben: *lag"});
  EXPECT_EQ(answer(), Sent{});
}

}  // namespace
