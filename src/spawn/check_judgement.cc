#include "spawn/check_judgement.h"

namespace {

std::int32_t saturated(std::int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

// The ping under which a steady connection may be forgiven.
std::int32_t pingCeilingOf(const LimitsInForce& limits) {
  const std::int32_t ceiling =
      limits.pingCeiling > 0
          ? limits.pingCeiling
          : saturated(static_cast<std::int64_t>(limits.currentPing) * 2);
  return LimitsInForce::withAllowance(ceiling, limits.allowanceMs);
}

}  // namespace

bool StabilityEstimate::steadyWithin(std::int32_t jitter) const {
  return samples >= kLeastSteadySamples && lossFree && spread <= jitter;
}

std::int32_t JudgedFigures::at(int index) const {
  switch (index) {
    case 0:
      return currentPing;
    case 1:
      return averagePing;
    case 2:
      return s2cLoss;
    case 3:
      return c2sLoss;
    default:
      return s2cWeaponsLoss;
  }
}

std::int32_t LimitsInForce::withAllowance(std::int32_t limit,
                                          std::int32_t allowanceMs) {
  const std::int64_t sum = static_cast<std::int64_t>(limit) + allowanceMs;
  return sum > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(sum);
}

std::int32_t LimitsInForce::judging(int index) const {
  return index < 2 ? withAllowance(at(index), allowanceMs) : at(index);
}

StabilityEstimate estimateStability(const CheckHistory& history,
                                    const std::int32_t* present) {
  StabilityEstimate estimate;
  std::int32_t pings[kJudgedHistoryLength];
  int count = 0;
  if (present != nullptr) pings[count++] = *present;
  for (int i = 0; i < history.count && count < kJudgedHistoryLength; ++i) {
    const PastCheck& check = history.checks[i];
    if (check.verdicts & kVerdictGlitch) continue;  // no measurement
    pings[count++] = check.currentPing;
    if (check.limits & ~kPingLimitBits) estimate.lossFree = false;
  }
  estimate.samples = count;
  if (count == 0) return estimate;
  // The median is robust to a spike.
  for (int i = 1; i < count; ++i) {
    for (int j = i; j > 0 && pings[j - 1] > pings[j]; --j) {
      const std::int32_t swapped = pings[j];
      pings[j] = pings[j - 1];
      pings[j - 1] = swapped;
    }
  }
  const std::int64_t middle =
      count % 2 == 1 ? pings[count / 2]
                     : (static_cast<std::int64_t>(pings[count / 2 - 1]) +
                        pings[count / 2]) /
                           2;
  estimate.median = static_cast<std::int32_t>(middle);
  // The spread leaves out the one ping farthest from the median: a single
  // spike among five does not make a steady connection unsteady, two do.
  std::int64_t farthest = 0;
  std::int64_t spread = 0;
  for (int i = 0; i < count; ++i) {
    const std::int64_t distance =
        pings[i] > middle ? pings[i] - middle : middle - pings[i];
    if (distance > farthest) {
      spread = farthest;
      farthest = distance;
    } else if (distance > spread) {
      spread = distance;
    }
  }
  estimate.spread = saturated(spread);
  return estimate;
}

CheckVerdict judgeCheck(const CheckFigures& figures,
                        const LimitsInForce& limits,
                        const CheckHistory* history,
                        const CheckCircumstances& circumstances) {
  CheckVerdict verdict;
  if (limits.allowanceMs != 0) verdict.verdicts |= kVerdictAllowance;
  for (int i = 0; i < 5; ++i) {
    if (figures.at(i) >= limits.judging(i)) verdict.reached |= 1u << i;
  }
  for (int i = 2; i < 5; ++i) {
    if (figures.at(i) < kLowestPlausibleLoss) verdict.reached |= 1u << (i + 3);
  }
  verdict.counted = verdict.reached;

  if (limits.ignoreAbove > 0 && (figures.currentPing > limits.ignoreAbove ||
                                 figures.averagePing > limits.ignoreAbove)) {
    verdict.counted = 0;
    verdict.verdicts |= kVerdictGlitch;
    return verdict;
  }

  // Steady: only a ping over its limit is forgiven, and only below the
  // ceiling.
  if (limits.stabilityJitter > 0 && history != nullptr &&
      verdict.reached != 0 &&
      (verdict.reached & ~kPingLimitBits) == 0 &&
      figures.currentPing < pingCeilingOf(limits)) {
    const StabilityEstimate estimate =
        estimateStability(*history, &figures.currentPing);
    if (estimate.steadyWithin(limits.stabilityJitter)) {
      verdict.counted = 0;
      verdict.verdicts |= kVerdictSteady;
      verdict.stability = estimate;
    }
  }

  if (limits.minPlayers > 0 && verdict.counted != 0 &&
      circumstances.playersInShips < limits.minPlayers &&
      !circumstances.askedByStaff) {
    verdict.verdicts |= kVerdictNoQuorum;
  }
  return verdict;
}

StrikeStep countStrike(StrikeCount& count, bool reachedLimit,
                       std::int32_t strikesNeeded, std::int32_t strikeGap,
                       std::uint32_t now, std::int32_t* strikesAfter) {
  if (!reachedLimit) {
    count.strikes = 0;
    *strikesAfter = 0;
    return StrikeStep::Cleared;
  }
  if (strikeGap > 0 && count.strikes > 0 &&
      now - count.lastStrikeAt < static_cast<std::uint32_t>(strikeGap)) {
    *strikesAfter = count.strikes;
    return StrikeStep::TooSoon;
  }
  count.lastStrikeAt = now;
  ++count.strikes;
  *strikesAfter = count.strikes;
  if (count.strikes >= strikesNeeded) count.strikes = 0;
  return StrikeStep::Struck;
}
