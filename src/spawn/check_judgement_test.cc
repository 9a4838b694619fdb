#include "spawn/check_judgement.h"

#include <gtest/gtest.h>

#include "spawn/test_bot.h"

namespace {

LimitsInForce defaultLimits() {
  LimitsInForce limits;
  limits.currentPing = 300;
  limits.averagePing = 300;
  limits.s2cLoss = 2;
  limits.c2sLoss = 2;
  limits.s2cWeaponsLoss = 2;
  return limits;
}

CheckFigures ping(std::int32_t current, std::int32_t average = 100) {
  CheckFigures figures;
  figures.currentPing = current;
  figures.averagePing = average;
  return figures;
}

CheckHistory pastPings(std::initializer_list<std::int32_t> pings) {
  CheckHistory history;
  for (std::int32_t value : pings) {
    history.checks[history.count++] = {value, kCurrentPingReached, 0};
  }
  return history;
}

// A far player on a steady 360 ms link, an allowance of 50 ms, and the
// arena's quorum: which of their checks count against them.
TEST(CheckJudgement, AFarPlayersEvening) {
  LimitsInForce limits = defaultLimits();
  const CheckCircumstances crowded{10, false};
  // Without an allowance 360 ms is over; with 50 ms it is still over, 350
  // is not.
  EXPECT_EQ(judgeCheck(ping(360), limits, nullptr, crowded).counted,
            kCurrentPingReached);
  limits.allowanceMs = 50;
  CheckVerdict verdict = judgeCheck(ping(349), limits, nullptr, crowded);
  EXPECT_EQ(verdict.reached, 0);
  EXPECT_EQ(verdict.verdicts, kVerdictAllowance);
  EXPECT_EQ(judgeCheck(ping(350), limits, nullptr, crowded).reached,
            kCurrentPingReached);

  // Steady over three checks within 40 ms: forgiven, below the ceiling
  // (twice the limit, raised by the allowance: 650).
  limits.stabilityJitter = 40;
  const CheckHistory steady = pastPings({365, 355});
  verdict = judgeCheck(ping(360), limits, &steady, crowded);
  EXPECT_EQ(verdict.reached, kCurrentPingReached);
  EXPECT_EQ(verdict.counted, 0);
  EXPECT_EQ(verdict.verdicts, kVerdictAllowance | kVerdictSteady);
  EXPECT_EQ(verdict.stability.median, 360);
  EXPECT_EQ(verdict.stability.spread, 5);
  // Two checks are too few; a loss limit reached is no steady link; a
  // player the bot does not know is not steady either.
  const CheckHistory young = pastPings({365});
  EXPECT_EQ(judgeCheck(ping(360), limits, &young, crowded).counted,
            kCurrentPingReached);
  CheckFigures lossy = ping(360);
  lossy.s2cLoss = 3;
  EXPECT_EQ(judgeCheck(lossy, limits, &steady, crowded).counted,
            kCurrentPingReached | kS2cLossReached);
  EXPECT_EQ(judgeCheck(ping(360), limits, nullptr, crowded).counted,
            kCurrentPingReached);
  // At the ceiling the ping counts however steady.
  const CheckHistory high = pastPings({650, 650});
  EXPECT_EQ(judgeCheck(ping(650), limits, &high, crowded).verdicts &
                kVerdictSteady,
            0);
  limits.stabilityJitter = 0;

  // Below the quorum a check that counts is held, unless staff asked.
  limits.minPlayers = 4;
  const CheckCircumstances empty{3, false};
  EXPECT_EQ(judgeCheck(ping(400), limits, nullptr, empty).verdicts,
            kVerdictAllowance | kVerdictNoQuorum);
  EXPECT_EQ(judgeCheck(ping(400), limits, nullptr, {3, true}).verdicts,
            kVerdictAllowance);
  EXPECT_EQ(judgeCheck(ping(100), limits, nullptr, empty).verdicts,
            kVerdictAllowance);
}

// Glitches and tampered losses: a ping above ignoreabove counts nothing
// and is judged neither steady nor held by the quorum; a loss below -2 %
// counts as its own limit.
TEST(CheckJudgement, GlitchesAndTamperedLosses) {
  LimitsInForce limits = defaultLimits();
  limits.ignoreAbove = 5000;
  limits.minPlayers = 4;
  limits.stabilityJitter = 40;
  const CheckHistory steady = pastPings({6000, 6000});
  const CheckVerdict glitch =
      judgeCheck(ping(6000, 6000), limits, &steady, {1, false});
  EXPECT_EQ(glitch.reached, kCurrentPingReached | kAveragePingReached);
  EXPECT_EQ(glitch.counted, 0);
  EXPECT_EQ(glitch.verdicts, kVerdictGlitch);
  EXPECT_EQ(judgeCheck(ping(100, 5001), limits, nullptr, {9, false}).verdicts,
            kVerdictGlitch);

  CheckFigures tampered = ping(100);
  tampered.c2sLoss = -3;
  tampered.s2cWeaponsLoss = -2;
  EXPECT_EQ(judgeCheck(tampered, limits, nullptr, {9, false}).counted,
            kC2sLossNegative);
  // Glitches in the history are no measurement of the link.
  CheckHistory mixed = pastPings({100, 104});
  mixed.checks[mixed.count++] = {9000, 0, kVerdictGlitch};
  mixed.checks[mixed.count++] = {98, 0, 0};
  const std::int32_t present = 102;
  const StabilityEstimate estimate = estimateStability(mixed, &present);
  EXPECT_EQ(estimate.samples, 4);
  EXPECT_EQ(estimate.median, 101);
  // The limits saturate rather than wrap.
  EXPECT_EQ(LimitsInForce::withAllowance(INT32_MAX - 1, 5), INT32_MAX);
}

// Three strikes, at least a minute apart: a burst counts once, a good check
// clears the run, the third strike completes it and starts anew.
TEST(CheckJudgement, StrikesAMinuteApart) {
  StrikeCount count;
  std::int32_t strikes = -1;
  EXPECT_EQ(countStrike(count, true, 3, 60, 100, &strikes), StrikeStep::Struck);
  EXPECT_EQ(strikes, 1);
  EXPECT_EQ(countStrike(count, true, 3, 60, 130, &strikes),
            StrikeStep::TooSoon);
  EXPECT_EQ(strikes, 1);
  EXPECT_EQ(countStrike(count, true, 3, 60, 160, &strikes), StrikeStep::Struck);
  EXPECT_EQ(strikes, 2);
  EXPECT_EQ(countStrike(count, false, 3, 60, 170, &strikes),
            StrikeStep::Cleared);
  EXPECT_EQ(strikes, 0);
  for (std::uint32_t at : {200u, 260u, 320u}) {
    countStrike(count, true, 3, 60, at, &strikes);
  }
  EXPECT_EQ(strikes, 3);
  EXPECT_EQ(count.strikes, 0);
  // After a completed run the next bad check is a strike at once.
  EXPECT_EQ(countStrike(count, true, 3, 60, 330, &strikes), StrikeStep::Struck);
  EXPECT_EQ(strikes, 1);
}

// The limits a bot judges by are its file's; the steady rule comes only
// with the watch, which keeps the checks it reads.
TEST(CheckJudgement, LimitsInForceFromTheBotsFile) {
  TestBot test;
  test.writeConfig("current=250\r\ns2cploss=4\r\nstability=40\r\n"
                   "minplayers=3\r\nignoreabove=900\r\n");
  test.connect();
  LimitsInForce limits = limitsInForce(test.bot, test.bot.watchOn != 0);
  EXPECT_EQ(limits.currentPing, 250);
  EXPECT_EQ(limits.averagePing, 300);
  EXPECT_EQ(limits.s2cLoss, 4);
  EXPECT_EQ(limits.minPlayers, 3);
  EXPECT_EQ(limits.ignoreAbove, 900);
  EXPECT_EQ(limits.stabilityJitter, 0);
  EXPECT_EQ(limits.allowanceMs, 0);

  test.writeConfig("queue=1\r\nstability=40\r\n");
  test.connect();
  limits = limitsInForce(test.bot, test.bot.watchOn != 0);
  EXPECT_EQ(limits.stabilityJitter, 40);
  EXPECT_EQ(limits.currentPing, 250);  // kept through the reload
}

}  // namespace
