// The judgement of one lag check: what the plug-in decides about a player
// from the figures of one answer, the limits in force and the player's
// recent judged checks. It is the one place where figures meet limits: the
// plug-in's check, the sweep's yardstick and the synthetic arena's log all
// call it, so that the evidence tools judge exactly as the plug-in does.
//
// Contract:
// - The limits are those in force for the player: the bot's arena section
//   and population section already applied; the player's allowance is
//   given apart and raised onto both ping limits (saturating), as it is on
//   the ping ceiling.
// - A figure reaches its limit when it is equal or above it; a loss below
//   -2 % is a tampered client and counts as reached too.
// - A ping above `ignoreAbove` (when set) is a measurement glitch: nothing
//   counts, and neither steadiness nor the quorum is judged.
// - A check whose only limits reached are the ping limits, below the ping
//   ceiling, is forgiven as steady when the steady rule is on and the
//   player's current pings (this one and their last judged ones, glitches
//   left out) lie within `stabilityJitter` ms of their median, all but the
//   farthest, over at least three checks with no loss limit reached.
// - Below the quorum (`minPlayers` in ships) a check that counts is marked
//   no-quorum unless staff asked for it: reported, but nobody dealt with.
// - Strikes: a check at a limit is a strike unless it comes less than
//   `strikeGap` seconds after the player's last strike; a check under every
//   limit clears them; the strikes needed complete a run and start it anew.
// Pure functions on values: no heap, no host, no clock of their own.
#ifndef TARVOK_SPAWN_CHECK_JUDGEMENT_H_
#define TARVOK_SPAWN_CHECK_JUDGEMENT_H_

#include <cstdint>
#include <type_traits>

#include "spawn/config_keys.h"

// The limits a judged check reached, as bits in the order of the lagger
// lines.
enum LimitBit : std::uint8_t {
  kCurrentPingReached = 1 << 0,
  kAveragePingReached = 1 << 1,
  kS2cLossReached = 1 << 2,
  kC2sLossReached = 1 << 3,
  kS2cWeaponsLossReached = 1 << 4,
  kS2cLossNegative = 1 << 5,
  kC2sLossNegative = 1 << 6,
  kS2cWeaponsLossNegative = 1 << 7,
};

// Why a judged check was dealt with more mildly than its figures and the
// plain limits say, as bits.
enum VerdictBit : std::uint8_t {
  kVerdictAllowance = 1 << 0,  // the player's ping limits hold an allowance
  kVerdictNoQuorum = 1 << 1,   // too few players in ships: nobody is dealt with
  kVerdictSteady = 1 << 2,     // a steady connection: its ping is forgiven
  kVerdictGlitch = 1 << 3,     // a ping above ignoreabove: not judged
};

// The limits a steady connection may be over: the two ping limits.
constexpr std::uint8_t kPingLimitBits = kCurrentPingReached | kAveragePingReached;

// A loss below this is no measurement but a sign of a tampered client.
constexpr std::int32_t kLowestPlausibleLoss = -2;

// The judged checks a player's steadiness is estimated from, the one being
// judged included, and the fewest that can show a steady connection.
constexpr int kJudgedHistoryLength = 5;
constexpr int kLeastSteadySamples = 3;

// How steady a player's connection has been: the current pings of their
// last checks (kJudgedHistoryLength at most), their median, and the spread:
// the distance from the median within which all of them but the farthest
// lie (one spike in five is no unsteadiness).
struct StabilityEstimate {
  int samples = 0;
  std::int32_t median = 0;
  std::int32_t spread = 0;
  bool lossFree = true;  // no loss limit reached in any of those checks
  // Steady: enough checks, all within `jitter` ms of the median, no loss.
  bool steadyWithin(std::int32_t jitter) const;
};

// The five judged figures of a check, or the five limits they meet: whole
// numbers, losses in whole percent ("1.9" is 1), in the order of LimitBit.
struct JudgedFigures {
  std::int32_t currentPing = 0;
  std::int32_t averagePing = 0;
  std::int32_t s2cLoss = 0;
  std::int32_t c2sLoss = 0;
  std::int32_t s2cWeaponsLoss = 0;

  // The figure of LimitBit `index` (0 to 4).
  std::int32_t at(int index) const;
};

// What one answer measured.
using CheckFigures = JudgedFigures;

// The fair settings of "tarvok.ini", each off at its default.
struct FairSettings {
  // Players in ships before anyone is dealt with; 0: no quorum.
  std::int32_t minPlayers = configDefault(ConfigField::minPlayers);
  // Ms around a steady player's median; 0: the steady rule is off.
  std::int32_t stabilityJitter = configDefault(ConfigField::stabilityJitter);
  // Ms a steady player stays under; 0: twice the current ping limit.
  std::int32_t pingCeiling = configDefault(ConfigField::pingCeiling);
  // Ms: a ping above it is a measurement glitch, never judged; 0: off.
  std::int32_t ignoreAbove = configDefault(ConfigField::ignoreAbove);
};

// The settings that judge a check of one player: the five limits, the fair
// settings (the steady rule off, at 0, also while the watch, which keeps
// the player's checks, is off) and the player's allowance.
struct LimitsInForce : JudgedFigures, FairSettings {
  std::int32_t allowanceMs = 0;  // the player's, 0 for none

  // `limit` raised by `allowanceMs`, saturating.
  static std::int32_t withAllowance(std::int32_t limit,
                                    std::int32_t allowanceMs);
  // The limit of LimitBit `index` (0 to 4) as it judges: the ping limits
  // with the allowance.
  std::int32_t judging(int index) const;
};

// The fair settings of `settings`: kept apart in its `fair` (the bot's), or
// among the others (check-ini's reading of a file).
template <class Settings, class = void>
struct FairSettingsOf {
  static FairSettings of(const Settings& settings) {
    FairSettings fair;
    fair.minPlayers = settings.minPlayers;
    fair.stabilityJitter = settings.stabilityJitter;
    fair.pingCeiling = settings.pingCeiling;
    fair.ignoreAbove = settings.ignoreAbove;
    return fair;
  }
};
template <class Settings>
struct FairSettingsOf<Settings, std::void_t<decltype(&Settings::fair)>> {
  static const FairSettings& of(const Settings& settings) {
    return settings.fair;
  }
};

// The limits in force from settings as "tarvok.ini" and staff leave them
// (the plug-in's own, or check-ini's reading of a file: both name the
// settings by the key table's fields), without the player's allowance. The
// steady rule reads the player's judged checks, which only the lag watch
// keeps: it is off while `watchOn` is false.
template <class Settings>
LimitsInForce limitsInForce(const Settings& settings, bool watchOn) {
  LimitsInForce limits;
  limits.currentPing = settings.currentPingLimit;
  limits.averagePing = settings.averagePingLimit;
  limits.s2cLoss = settings.s2cLossLimit;
  limits.c2sLoss = settings.c2sLossLimit;
  limits.s2cWeaponsLoss = settings.s2cWeaponsLossLimit;
  static_cast<FairSettings&>(limits) = FairSettingsOf<Settings>::of(settings);
  if (!watchOn) limits.stabilityJitter = 0;
  return limits;
}

// One of the player's earlier judged checks, as the steady rule reads it.
struct PastCheck {
  std::int32_t currentPing = 0;
  std::uint8_t limits = 0;    // reached (LimitBit)
  std::uint8_t verdicts = 0;  // VerdictBit
};

// The player's judged checks before this one, newest first.
struct CheckHistory {
  int count = 0;
  PastCheck checks[kJudgedHistoryLength];
};

// Who stands around the check, for the quorum.
struct CheckCircumstances {
  std::int32_t playersInShips = 0;
  bool askedByStaff = false;
};

// What the plug-in decides about the check.
struct CheckVerdict {
  std::uint8_t reached = 0;   // limits the figures reached
  std::uint8_t counted = 0;   // of those, the ones held against the player
  std::uint8_t verdicts = 0;  // VerdictBit
  StabilityEstimate stability;  // of a steady verdict
};

// The steadiness of the pings of `history` and, when given, `present`.
StabilityEstimate estimateStability(const CheckHistory& history,
                                    const std::int32_t* present);

// Judges one check. `history` is nullptr when the player is not known (no
// steady verdict then).
CheckVerdict judgeCheck(const CheckFigures& figures,
                        const LimitsInForce& limits,
                        const CheckHistory* history,
                        const CheckCircumstances& circumstances);

// A player's strikes between checks.
struct StrikeCount {
  std::int32_t strikes = 0;
  std::uint32_t lastStrikeAt = 0;  // second of the last strike counted
};

// What one judged check did to the strikes.
enum class StrikeStep : std::uint8_t { Cleared, Struck, TooSoon };

// Counts a check at second `now` that reached a counted limit or not, under
// `strikesNeeded` and `strikeGap` (0: none). Returns the step and leaves in
// `count` the state after it; `*strikesAfter` gets the strikes the check
// stands at (the run's length when it completes, after which `count` starts
// anew).
StrikeStep countStrike(StrikeCount& count, bool reachedLimit,
                       std::int32_t strikesNeeded, std::int32_t strikeGap,
                       std::uint32_t now, std::int32_t* strikesAfter);

#endif  // TARVOK_SPAWN_CHECK_JUDGEMENT_H_
