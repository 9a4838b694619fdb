#include "evidence/sweep.h"

#include <gtest/gtest.h>

namespace {

SweepAxis axisOf(const std::string& text) {
  SweepAxis axis;
  std::string error;
  EXPECT_TRUE(parseSweepAxis(text, &axis, &error)) << error;
  return axis;
}

std::string refusal(const std::string& text) {
  SweepAxis axis;
  std::string error;
  EXPECT_FALSE(parseSweepAxis(text, &axis, &error)) << text;
  return error;
}

// Ranges, steps and lists; and what an operator gets wrong.
TEST(SweepTest, VaryReadsRangesAndListsAndRefusesWhatCannotVary) {
  EXPECT_EQ(axisOf("strikes=1..4").values,
            (std::vector<std::int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(axisOf("current=200..400:75").values,
            (std::vector<std::int32_t>{200, 275, 350}));
  EXPECT_EQ(axisOf("autocheck=30,10,-5").values,
            (std::vector<std::int32_t>{30, 10, -5}));
  EXPECT_NE(refusal("Strikes=1..3").find("letter case counts"),
            std::string::npos);
  EXPECT_NE(refusal("LagLog=1,2").find("no key a sweep can vary"),
            std::string::npos);
  EXPECT_NE(refusal("WarnMessage=1").find("no key"), std::string::npos);
  EXPECT_NE(refusal("strikes=4..1").find("upwards"), std::string::npos);
  EXPECT_NE(refusal("strikes=1..4:0").find("upwards"), std::string::npos);
  EXPECT_NE(refusal("strikes=1..x").find("whole numbers"), std::string::npos);
  EXPECT_NE(refusal("strikes=1,,2").find("whole numbers"), std::string::npos);
  EXPECT_NE(refusal("strikes").find("KEY=A..B"), std::string::npos);
  EXPECT_NE(refusal("grace=0..99999").find("more than 1000 values"),
            std::string::npos);
}

TEST(SweepTest, CombinationsAreTheProductUpToAThousand) {
  std::string error;
  const std::vector<SweepAxis> two = {axisOf("strikes=1..2"),
                                      axisOf("autocheck=10,20,30")};
  const auto combinations = sweepCombinations(two, &error);
  ASSERT_EQ(combinations.size(), 6u);
  EXPECT_EQ(combinations[1], (std::vector<std::int32_t>{1, 20}));
  EXPECT_EQ(combinations[5], (std::vector<std::int32_t>{2, 30}));

  const std::vector<SweepAxis> tooMany = {axisOf("strikes=1..11"),
                                          axisOf("autocheck=1..10"),
                                          axisOf("grace=1..10")};
  EXPECT_TRUE(sweepCombinations(tooMany, &error).empty());
  EXPECT_EQ(error,
            "the --vary ranges make 11 x 10 x 10 = 1100 combinations; a sweep "
            "runs at most 1000: narrow a range or widen its step");
  const std::vector<SweepAxis> twice = {axisOf("strikes=1..2"),
                                        axisOf("strikes=3")};
  EXPECT_TRUE(sweepCombinations(twice, &error).empty());
  EXPECT_EQ(error, "--vary strikes is given twice");
}

// The varied keys' lines of the base go; the rest stays in its order.
TEST(SweepTest, IniLinesReplaceTheVariedKeysOnly) {
  const std::vector<SweepAxis> axes = {axisOf("strikes=1..2"),
                                       axisOf("current=250")};
  EXPECT_EQ(sweepIniLines({"deal=3", "strikes=3", "strikesX=1", "current=300",
                           "strikes=4"},
                          axes, {2, 250}),
            (std::vector<std::string>{"deal=3", "strikesX=1", "strikes=2",
                                      "current=250"}));
  EXPECT_EQ(sweepIniLines({"strikes=3", "[arena league]", "strikes=5"}, axes,
                          {2, 250}),
            (std::vector<std::string>{"strikes=2", "current=250",
                                      "[arena league]", "strikes=5"}));
  ConfigSettings settings;
  settings.strikesNeeded = 3;
  EXPECT_EQ(sweepSettingOf(settings, "strikes"), 3);
  EXPECT_EQ(sweepRepairedValue("strikes", 0), 1);  // below its lowest
}

LagLogRow check(const std::string& player, const char* current,
                LagAction action = LagAction::None, const char* s2c = "0.0") {
  LagLogRow row;
  row.bot = 1;
  row.player = player;
  row.figures[kCurrent] = current;
  row.figures[kAverage] = "50";
  row.figures[kS2C] = s2c;
  row.figures[kC2S] = "0.0";
  row.figures[kS2CWeapons] = "0.0";
  row.action = action;
  row.limits = action == LagAction::None ? 0 : 1;
  return row;
}

// The yardstick is the base's limits over the logged figures; the outcome
// counts what the replayed bot did to whom.
TEST(SweepTest, HonestPlayersSpectatedAndLaggersLetThrough) {
  const ConfigCheck base("");  // current=300, losses 2
  SweepYardstick yardstick(base);
  for (int i = 0; i < 10; ++i) {
    yardstick.addLogged(check("Spiky", i == 4 ? "450" : "80"));
    yardstick.addLogged(check("Lagger", i < 6 ? "299" : "80", LagAction::None,
                              i < 6 ? "-3" : "0.0"));  // a loss below -2
    yardstick.addLogged(check("Slow", i < 6 ? "300" : "80"));
    yardstick.addLogged(check("Half", i < 5 ? "300" : "80"));
  }
  EXPECT_EQ(yardstick.honestPlayers(), 1u);
  EXPECT_EQ(yardstick.laggers(), 2u);

  SweepCounter counter;
  counter.addReplayed(check("Spiky", "450", LagAction::Spectated));
  counter.addReplayed(check("Lagger", "299", LagAction::Announced));
  counter.addReplayed(check("Half", "300", LagAction::Warned));
  const SweepOutcome outcome = counter.outcome(yardstick);
  EXPECT_EQ(outcome.checksOver, 3u);
  EXPECT_EQ(outcome.announced, 3u);
  EXPECT_EQ(outcome.warned, 2u);
  EXPECT_EQ(outcome.spectated, 1u);
  EXPECT_EQ(outcome.honestSpectated, 1u);
  // Announced is not dealt with; Slow was never checked at all.
  EXPECT_EQ(outcome.laggersLetThrough, 2u);

  SweepOutcome back;
  ASSERT_TRUE(SweepOutcome::fromText(outcome.text(), &back));
  EXPECT_EQ(back.text(), outcome.text());
}

// A lagger by the yardstick whom the replayed plug-in forgave as steady is
// spared on purpose, not let through; one it dealt with is neither.
TEST(SweepTest, SteadyLaggersAreSparedNotLetThrough) {
  const ConfigCheck base("");
  SweepYardstick yardstick(base);
  for (int i = 0; i < 4; ++i) {
    yardstick.addLogged(check("Far", "450"));
    yardstick.addLogged(check("Lagger", "450"));
  }
  SweepCounter counter;
  LagLogRow steady = check("Far", "450");
  steady.limits = 1;
  steady.verdicts = 1 << 2;
  counter.addReplayed(steady);
  counter.addReplayed(check("Lagger", "450", LagAction::Announced));
  SweepOutcome outcome = counter.outcome(yardstick);
  EXPECT_EQ(outcome.sparedOnPurpose, 1u);
  EXPECT_EQ(outcome.laggersLetThrough, 1u);

  counter.addReplayed(check("Far", "450", LagAction::Spectated));
  outcome = counter.outcome(yardstick);
  EXPECT_EQ(outcome.sparedOnPurpose, 0u);
  SweepOutcome back;
  ASSERT_TRUE(SweepOutcome::fromText(outcome.text(), &back));
  EXPECT_EQ(back.text(), outcome.text());
}

// The yardstick judges as the base's plug-in would: a far player's
// allowance spares them on purpose, a crowd's population section is
// stricter, and a player whose link the watch forgets whenever they leave
// is never steady.
TEST(SweepTest, TheYardstickIsThePlugInsJudgementUnderTheBase) {
  const ConfigCheck base(
      "strikes=3\nstability=40\nallow=Kiwi +200\n[players 10]\ncurrent=200\n");
  SweepYardstick yardstick(base);
  LagLogRow crowd;
  crowd.kind = LagRowKind::Population;
  crowd.bot = 1;
  for (int i = 0; i < 6; ++i) {
    yardstick.addLogged(check("Kiwi", "380"));  // under 300 + 200, 200 + 200
    const char* const crowded[] = {"100", "100", "100", "250", "290", "210"};
    yardstick.addLogged(check("Crowded", crowded[i]));
    // Steady at 350, but each time forgotten: no three checks in a row.
    yardstick.addLogged(check("Leaver", "350"));
    LagLogRow left = check("Leaver", "");
    left.kind = LagRowKind::Left;
    yardstick.addLogged(left);
    if (i == 2) {
      crowd.populationSection = 10;  // 200 ms from here
      yardstick.addLogged(crowd);
    }
  }
  EXPECT_TRUE(yardstick.spared(1, "Kiwi"));
  EXPECT_TRUE(yardstick.honest(1, "Kiwi"));
  EXPECT_FALSE(yardstick.lagger(1, "Crowded"));  // 3 of 6 over 200 ms
  EXPECT_FALSE(yardstick.honest(1, "Crowded"));  // none over 300 ms
  EXPECT_TRUE(yardstick.lagger(1, "Leaver"));
  EXPECT_EQ(yardstick.sparedPlayers(), 1u);

  // Spared by the base and left be: its own column; spectated: an honest
  // player spectated.
  SweepCounter mild;
  mild.addReplayed(check("Kiwi", "380"));
  EXPECT_EQ(mild.outcome(yardstick).sparedOnPurpose, 1u);
  EXPECT_EQ(mild.outcome(yardstick).laggersLetThrough, 1u);  // Leaver
  SweepCounter harsh;
  harsh.addReplayed(check("Kiwi", "380", LagAction::Spectated));
  EXPECT_EQ(harsh.outcome(yardstick).sparedOnPurpose, 0u);
  EXPECT_EQ(harsh.outcome(yardstick).honestSpectated, 1u);
}

// Blind checks are a share of all the replayed checks, the answered ones
// and the blind; over 5 % the row is marked and the table says why. The
// counts pass between processes with the rest.
TEST(SweepTest, BlindChecksAreAShareAndOverFivePercentMarkTheRow) {
  SweepRow fine;
  fine.values = {"1"};
  fine.outcome.checks = 95;
  fine.outcome.blind = 5;
  SweepRow blind = fine;
  blind.values = {"2"};
  blind.outcome.checks = 94;
  blind.outcome.blind = 6;
  EXPECT_EQ(fine.outcome.blindText(), "5 (5.0%)");
  EXPECT_EQ(blind.outcome.blindText(), "6 (6.0%)!");
  EXPECT_EQ(SweepOutcome().blindText(), "0 (0.0%)");
  EXPECT_FALSE(anyTooManyBlind({fine}));
  EXPECT_TRUE(anyTooManyBlind({fine, blind}));

  const std::vector<SweepAxis> axes{{"strikes", {1, 2}}};
  const std::vector<std::string> table = sweepTable(axes, {fine, blind});
  EXPECT_NE(table[0].find("spared as steady  blind checks"),
            std::string::npos);
  EXPECT_EQ(table[2].substr(table[2].size() - 9), "6 (6.0%)!");

  SweepOutcome back;
  ASSERT_TRUE(SweepOutcome::fromText(blind.outcome.text(), &back));
  EXPECT_EQ(back.blindText(), "6 (6.0%)!");
}

// Scored by class, every logged player counts, dealt with or not, and so
// does one only the replay checked; names of no class are left out. The
// scores pass between processes as text, and bad text is refused.
TEST(SweepTest, ClassScoresCountEveryPlayerOfTheLogAndPassAsText) {
  const ConfigCheck base("");
  SweepYardstick yardstick(base);
  for (const char* name :
       {"lagger-01", "lagger-02", "flaky-01", "good-01", "far-01", "Bob"}) {
    yardstick.addLogged(check(name, "450"));
  }
  SweepCounter counter;
  counter.addReplayed(check("lagger-01", "450", LagAction::Spectated));
  counter.addReplayed(check("flaky-01", "450", LagAction::Announced));
  counter.addReplayed(check("far-01", "450", LagAction::Warned));
  counter.addReplayed(check("staff-01", "450", LagAction::Spectated));
  counter.addReplayed(check("Bob", "450", LagAction::Spectated));
  const ClassScores scores = counter.classScores(yardstick);
  EXPECT_EQ(ClassScores::dealtText(scores.laggers()), "1 of 3 (33%)");
  EXPECT_EQ(ClassScores::dealtText(scores.honest()), "1 of 2 (50%)");
  EXPECT_EQ(ClassScores::dealtText(scores.far()), "1 of 1 (100%)");
  EXPECT_EQ(ClassScores::dealtText(ClassScores().far()), "0 of 0 (-)");

  ClassScores back;
  ASSERT_TRUE(ClassScores::fromText(scores.text(), &back));
  EXPECT_EQ(back.lines("replayed"), scores.lines("replayed"));
  EXPECT_FALSE(ClassScores::fromText("1 0 0 0 2 1 1 0 1 1 1 2", &back));
  EXPECT_FALSE(ClassScores::fromText("1 0 0 0 2 1 1 0 1 1 1", &back));
  EXPECT_FALSE(ClassScores::fromText("1 0 0 0 2 1 1 0 1 1 1 1 9", &back));
  EXPECT_EQ(back.lines("replayed"), scores.lines("replayed"));
}

TEST(SweepTest, RowsComeBestTradeOffFirst) {
  auto row = [](const char* name, std::uint64_t honest,
                std::uint64_t laggers) {
    SweepRow result;
    result.values = {name};
    result.outcome.honestSpectated = honest;
    result.outcome.laggersLetThrough = laggers;
    return result;
  };
  std::vector<SweepRow> rows = {row("a", 2, 2), row("b", 0, 3), row("c", 1, 2),
                                row("d", 3, 0), row("e", 0, 3)};
  sortSweepRows(&rows);
  std::string order;
  for (const SweepRow& each : rows) order += each.values[0];
  EXPECT_EQ(order, "becda");
  // As right as another, the row that spectates fewer players first: it
  // spares on purpose what the other spectates.
  rows = {row("harsh", 0, 0), row("fair", 0, 0)};
  rows[0].outcome.spectated = 12;
  rows[1].outcome.spectated = 8;
  sortSweepRows(&rows);
  EXPECT_EQ(rows[0].values[0], "fair");
}

}  // namespace
