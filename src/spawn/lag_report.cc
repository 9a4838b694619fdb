// The zone server's answer to "*lag": a chat line such as
//   PING Current:120 ms  Average:95 ms  Low:80 ms  High:300 ms
//        S2C: 0.5%  C2S: 1.9%  S2CWeapons: 0.0%
// Labels and units are never looked at; only the keyword is checked. Every
// lag line is taken as the answer to the pending check, whoever it
// describes: the server's line does not carry the player's name.
#include <cstdint>
#include <iterator>

#include "spawn/message_template.h"
#include "spawn/spawn.h"
#include "util/player.h"
#include "util/text.h"

namespace {

// One figure of the lag line, in the order of the line: where its text and
// number go, how it ends, and what stands before it in the report (the
// first closes the bracket around the name). Pings stand as
// "label:figure unit", losses as "label: figure%".
struct Figure {
  String botInfo::*text;
  std::int32_t botInfo::*value;
  char end;
  const char* label;
};

const Figure kFigures[] = {
    {&botInfo::currentPingText, &botInfo::currentPing, ' ', "]  C: "},
    {&botInfo::averagePingText, &botInfo::averagePing, ' ', "  Avg: "},
    {&botInfo::lowPingText, &botInfo::lowPing, ' ', "  L: "},
    {&botInfo::highPingText, &botInfo::highPing, ' ', "  H: "},
    {&botInfo::s2cLossText, &botInfo::s2cLoss, '%', "  S2C: "},
    {&botInfo::c2sLossText, &botInfo::c2sLoss, '%', "  C2S: "},
    {&botInfo::s2cWeaponsLossText, &botInfo::s2cWeaponsLoss, '%', "  S2CW: "},
};

// A limit that a figure reaches when it is equal or above it.
struct LimitCheck {
  std::int32_t botInfo::*figure;
  std::int32_t botInfo::*limit;
  const char* tail;  // follows the limit in the lagger line
  const char* name;  // the tail's words, for a message's "{limitname}"
};

constexpr LimitCheck kLimitChecks[] = {
    {&botInfo::currentPing, &botInfo::currentPingLimit, "+ PING Current",
     "PING Current"},
    {&botInfo::averagePing, &botInfo::averagePingLimit, "+ PING Average",
     "PING Average"},
    {&botInfo::s2cLoss, &botInfo::s2cLossLimit, "%+ S2CPloss", "S2CPloss"},
    {&botInfo::c2sLoss, &botInfo::c2sLossLimit, "%+ C2SPloss", "C2SPloss"},
    {&botInfo::s2cWeaponsLoss, &botInfo::s2cWeaponsLossLimit, "%+ S2CWeapons",
     "S2CWeapons"},
};

struct NegativeLossCheck {
  std::int32_t botInfo::*figure;
  const char* tail;
};

constexpr NegativeLossCheck kNegativeLossChecks[] = {
    {&botInfo::s2cLoss, "negative S2CPloss"},
    {&botInfo::c2sLoss, "negative C2SPloss"},
    {&botInfo::s2cWeaponsLoss, "negative S2CWeapons ploss"},
};

// True when the first blank-delimited word of `text` is "PING" in any case.
// Decided without copying, since most chat lines of type 0 are not lag lines.
bool isLagLine(const char* text) {
  if (text == nullptr) return false;
  const char* keyword = "ping";
  for (int i = 0; keyword[i] != '\0'; ++i) {
    if (toLowerChar(text[i]) != keyword[i]) return false;
  }
  return text[4] == ' ' || text[4] == '\0';
}

// The start of an arena line about a lagger. No blank stands between the
// server command and the name: zone servers read it that way.
void startLaggerLine(String& line, const String& lagger) {
  line = "*arena";
  line += lagger;
  line += " is lagging with ";
}

}  // namespace

void botInfo::handleLagReport(const char* text) {
  if (!isLagLine(text)) return;
  cutFigures(text);

  // An answer belongs to the watch's query when one is out, even after
  // ordered checks were switched off live; with ordered checks a lag line
  // that nobody asked for is neither reported nor judged. Otherwise it is
  // the pending check's. The answer to a query of the arena the bot left is
  // discarded, and not logged either: a replay of the log, which knows of
  // no query out at the move, would take it for a line of this arena.
  const CheckRequest* request = watch.takeAnswered();
  if (request == nullptr && watch.isDiscarding()) {
    if (watchOn) watch.answerHandled(watchHost_, watchSettings);
    return;
  }
  // No query's answer: it takes the oldest check without the queue still
  // out, which ordered checks can no longer adopt.
  if (request == nullptr) watch.unorderedAnswered();
  LagLogEntry entry;
  if (request == nullptr && watchSettings.ordered()) {
    lagLog.append(*this, entry);
    return;
  }
  const String& target = request != nullptr ? request->targetName : checkTarget;
  const String& requester =
      request != nullptr ? request->requesterName : checkRequester;
  const bool automatic = request != nullptr && request->automatic;
  entry.playerName = target.chars();
  entry.requesterName = requester.chars();
  entry.automatic = automatic;

  // Automatic checks are silent; with checks off a manual one is neither
  // reported nor judged.
  if (!automatic) {
    if (displayMode != 1 && displayMode != 2) {
      lagLog.append(*this, entry);
      if (request != nullptr) {
        watch.answerHandled(watchHost_, watchSettings);
      }
      return;
    }
    reportFigures(target, requester);
  }

  {
    // The population section of the players in ships now judges the line;
    // the bot's own limits come back afterwards.
    const PopulationLimitsInForce inForce(
        *this, population.any() ? countInShips() : 0);
    if (population.any()) lagLog.appendSection(*this, inForce.section());
    judgeLagReport(request, target, requester, entry);
  }
  lagLog.append(*this, entry);

  laggerFound = 0;
  if (request != nullptr) {
    watch.answerHandled(watchHost_, watchSettings);
  } else {
    checkRequester = "";
    checkTarget = "";
  }
}

void botInfo::cutFigures(const char* text) {
  // Cut where the host's text lies: only the figures are copied out.
  TextSpan line{text, textLength(text)};
  // The keyword: the line starts with it, so that what is left has no
  // blank at either end, whether a blank follows it or nothing.
  cutToken(line, ' ');
  for (const Figure& figure : kFigures) {
    cutTrimmedToken(line, ':');  // the label
    const TextSpan token = cutTrimmedToken(line, figure.end);
    (this->*figure.text).assign(token.bytes, token.size);
    if (figure.end == ' ') cutTrimmedToken(line, ' ');  // the unit
  }
}

void botInfo::reportFigures(const String& target, const String& requester) {
  scratchText = displayMode == 1 ? "*arena [" : "[";
  scratchText += target;
  for (const Figure& figure : kFigures) {
    scratchText += figure.label;
    scratchText += this->*figure.text;
  }
  if (displayMode == 1) {
    sendPublic(scratchText.chars());
    return;
  }
  if (playerList == nullptr) return;
  for (const _listnode<Player>* node = playerList->head; node != nullptr;
       node = node->next) {
    if (node->item->nameEqualsIgnoreCase(requester.chars())) {
      sendPrivate(node->item, scratchText.chars());
    }
  }
}

void botInfo::judgeLagReport(const CheckRequest* request, const String& target,
                             const String& requester, LagLogEntry& entry) {
  // Losses count in whole percent: "1.9" is 1.
  for (const Figure& figure : kFigures) {
    this->*figure.value = atoiSaturated((this->*figure.text).chars());
  }

  // Limits changed by chat command may be negative until now.
  sanitizeLimits();

  // An allowance belongs to the name: every player of the name judged
  // here has it.
  LimitsInForce limits = limitsInForce(*this, watchOn != 0);
  limits.allowanceMs = allowances.extraFor(target.chars());
  CheckFigures figures;
  figures.currentPing = currentPing;
  figures.averagePing = averagePing;
  figures.s2cLoss = s2cLoss;
  figures.c2sLoss = c2sLoss;
  figures.s2cWeaponsLoss = s2cWeaponsLoss;
  const bool automatic = request != nullptr && request->automatic;
  CheckHistory history;
  const Player* judged = nullptr;
  if (limits.stabilityJitter > 0) {
    judged = judgedPlayer(request, target);
    if (judged != nullptr) history = watch.historyOf(judged);
  }
  CheckCircumstances circumstances;
  if (fair.minPlayers > 0) {
    circumstances.playersInShips = countInShips();
    circumstances.askedByStaff = !automatic && isStaffName(requester);
  }
  const CheckVerdict verdict = judgeCheck(
      figures, limits, judged != nullptr ? &history : nullptr, circumstances);
  Judgement judgement;
  judgement.reached = verdict.reached;
  judgement.counted = verdict.counted;
  judgement.extraMs = limits.allowanceMs;
  judgement.verdicts = verdict.verdicts;
  entry.limits = judgement.reached;
  if (!automatic) sayVerdict(target, verdict);
  entry.verdicts = judgement.verdicts;
  entry.allowanceMs = judgement.extraMs;

  // A manual check announces every limit that counts at once; an automatic
  // one only when it completes a player's strikes.
  if (!automatic) announceLimits(target, judgement.counted, judgement.extraMs);
  if (!automatic && logSettings.sayHolds != 0 && judgement.counted != 0 &&
      (judgement.verdicts & kVerdictNoQuorum) != 0) {
    sayQuorumHold(target);
  }

  // The player of a query who left meanwhile is judged by nobody.
  if (request != nullptr) {
    if (LagWatch::isListed(watchHost_, request->target)) {
      dealWith(request->target, target, automatic, judgement, entry);
    }
    return;
  }
  if (playerList == nullptr) return;
  for (const _listnode<Player>* node = playerList->head; node != nullptr;
       node = node->next) {
    if (node->item->nameEqualsIgnoreCase(target.chars())) {
      dealWith(node->item, target, automatic, judgement, entry);
    }
  }
}

const Player* botInfo::judgedPlayer(const CheckRequest* request,
                                   const String& target) const {
  if (request != nullptr) {
    return LagWatch::isListed(watchHost_, request->target) ? request->target
                                                           : nullptr;
  }
  if (playerList == nullptr) return nullptr;
  for (const _listnode<Player>* node = playerList->head; node != nullptr;
       node = node->next) {
    if (node->item->nameEqualsIgnoreCase(target.chars())) return node->item;
  }
  return nullptr;
}

bool botInfo::isStaffName(const String& name) const {
  if (playerList == nullptr) return false;
  for (const _listnode<Player>* node = playerList->head; node != nullptr;
       node = node->next) {
    const std::uint32_t level = node->item->accessLevel;
    if (level >= OP_SuperModerator && level <= OP_God &&
        node->item->nameEqualsIgnoreCase(name.chars())) {
      return true;
    }
  }
  return false;
}

void botInfo::sayVerdict(const String& target, const CheckVerdict& verdict) {
  if (dealMode == 0) return;
  if (verdict.verdicts & kVerdictGlitch) {
    scratchText = "*arena";
    scratchText += target;
    scratchText += "'s ping is above ";
    scratchText += fair.ignoreAbove;
    scratchText += " ms: taken for a measurement glitch, not judged";
    sendPublic(scratchText.chars());
  } else if (verdict.verdicts & kVerdictSteady) {
    scratchText = "*arena";
    scratchText += target;
    scratchText += " is over the ping limit but steady (median ";
    scratchText += verdict.stability.median;
    scratchText += " ms, spread ";
    scratchText += verdict.stability.spread;
    scratchText += " ms): no strike";
    sendPublic(scratchText.chars());
  }
}

std::int32_t botInfo::withAllowance(std::int32_t limit, std::int32_t extraMs) {
  return LimitsInForce::withAllowance(limit, extraMs);
}
std::int32_t botInfo::countInShips() const {
  std::int32_t count = 0;
  if (playerList == nullptr) return count;
  for (const _listnode<Player>* node = playerList->head; node != nullptr;
       node = node->next) {
    if (node->item->ship != kSpectatorShip) ++count;
  }
  return count;
}

void botInfo::announceLimits(const String& lagger, std::uint8_t limits,
                             std::int32_t extraMs) {
  if (dealMode == 0) return;
  std::uint8_t bit = 1;
  for (const LimitCheck& check : kLimitChecks) {
    if (limits & bit) {
      startLaggerLine(scratchText, lagger);
      scratchText += (bit & kPingLimitBits)
                         ? withAllowance(this->*check.limit, extraMs)
                         : this->*check.limit;
      scratchText += check.tail;
      sendPublic(scratchText.chars());
      laggerFound = 1;
    }
    bit <<= 1;
  }
  for (const NegativeLossCheck& check : kNegativeLossChecks) {
    if (limits & bit) {
      startLaggerLine(scratchText, lagger);
      scratchText += check.tail;
      sendPublic(scratchText.chars());
      laggerFound = 1;
    }
    bit <<= 1;
  }
}

void botInfo::factsOfCheck(const String& laggerName,
                           const Judgement& judgement, std::int32_t strikes,
                           std::int32_t needed, DealAction action,
                           MessageFacts& facts, String& limit) const {
  facts.name = laggerName.chars();
  for (std::size_t i = 0; i < std::size(kFigureTexts); ++i) {
    facts.figures[i] = (this->*kFigureTexts[i]).chars();
  }
  // The first limit that counted, as its lagger line says it.
  limit = "";
  std::uint8_t bit = 1;
  for (const LimitCheck& check : kLimitChecks) {
    if (judgement.counted & bit) {
      limit = (bit & kPingLimitBits)
                  ? withAllowance(this->*check.limit, judgement.extraMs)
                  : this->*check.limit;
      limit += (bit & kPingLimitBits) ? " ms" : "%";
      facts.limitName = check.name;
      break;
    }
    bit <<= 1;
  }
  for (const NegativeLossCheck& check : kNegativeLossChecks) {
    if (limit.size() != 0) break;
    if (judgement.counted & bit) {
      limit = kLowestPlausibleLoss;
      limit += "%";
      facts.limitName = check.tail;
    }
    bit <<= 1;
  }
  facts.limit = limit.chars();
  facts.strikes = strikes;
  facts.maxStrikes = needed;
  facts.action = dealActionName(action);
  facts.allowanceMs = judgement.extraMs;
}

void botInfo::sendToLagger(const Player* lagger, const String& laggerName,
                           const char* text, const Judgement& judgement,
                           std::int32_t strikes, std::int32_t needed,
                           DealAction action) {
  if (messages.placeholders == 0) {
    sendPrivate(lagger, text);
    return;
  }
  MessageFacts facts;
  String limit;
  factsOfCheck(laggerName, judgement, strikes, needed, action, facts, limit);
  MessageTemplate::expand(text, facts, scratchText);
  sendPrivate(lagger, scratchText.chars());
}

void botInfo::dealWith(const Player* lagger, const String& laggerName,
                       bool automatic, const Judgement& judgement,
                       LagLogEntry& entry) {
  const std::uint8_t limits = judgement.counted;
  // A glitch, like a check without the quorum, leaves the strikes as they
  // were.
  const bool noQuorum =
      (judgement.verdicts & (kVerdictNoQuorum | kVerdictGlitch)) != 0;
  // Until the watch is on, every check at a limit completes the strikes, as
  // one strike always has. Without the quorum a check at a limit adds no
  // strike and deals with nobody.
  const bool counting = watchOn != 0;
  const std::int32_t needed = counting ? watchSettings.strikesNeeded : 1;
  std::int32_t strikes = 0;
  if (noQuorum) {
    strikes = counting ? watch.strikesOf(lagger) : 0;
  } else if (counting) {
    strikes =
        watch.recordStrike(lagger, limits != 0, needed,
                                 watchSettings.strikeGapSeconds);
  } else {
    strikes = limits != 0 ? 1 : 0;
  }
  const bool complete = !noQuorum && limits != 0 && strikes >= needed;

  DealAction action = DealAction::None;
  if (limits != 0 && dealMode != 0 && !automatic)
    action = DealAction::Announced;
  if (complete && dealMode != 0) {
    if (automatic) {
      announceLimits(laggerName, limits, judgement.extraMs);
      action = DealAction::Announced;
    }
    if (dealMode == 2) {
      action = DealAction::Warned;
      sendToLagger(lagger, laggerName, warnMessage.chars(), judgement, strikes,
                   needed, action);
    } else if (dealMode == 3) {
      const bool inShip = lagger->ship != kSpectatorShip;
      action = inShip ? DealAction::Spectated : DealAction::Warned;
      sendToLagger(lagger, laggerName, lockMessage.chars(), judgement, strikes,
                   needed, action);
      if (inShip) sendPrivate(lagger, "*spec");
    }
  } else if (!noQuorum && limits != 0 && dealMode != 0 && needed > 1 &&
             !watch.strikeCameTooSoon(lagger)) {
    if (messages.strikeMessage.size() != 0) {
      sendToLagger(lagger, laggerName, messages.strikeMessage.chars(),
                   judgement, strikes, needed, DealAction::None);
    } else {
      scratchText = "Lag strike ";
      scratchText += strikes;
      scratchText += " of ";
      scratchText += needed;
      scratchText += ": your connection is over the arena's lag limits";
      sendPrivate(lagger, scratchText.chars());
    }
  }
  CheckEvidence evidence;
  for (int i = 0; i < 5; ++i) {
    const std::int32_t limit = this->*kLimitChecks[i].limit;
    evidence.limits[i] =
        i < 2 ? withAllowance(limit, judgement.extraMs) : limit;
  }
  evidence.allowanceMs = judgement.extraMs;
  evidence.strikes = strikes;
  evidence.strikesNeeded = needed;
  std::uint32_t streakSeconds = 0;
  if (counting) {
    watch.recordJudged(figureTexts(), lagger, judgement.reached, action,
                       judgement.verdicts, currentPing);
    streakSeconds = watch.recordEvidence(lagger, evidence);
  }
  if (action == DealAction::Warned || action == DealAction::Spectated) {
    MessageFacts facts;
    String limitText;
    if (messages.notifyMessage.size() != 0 && messages.placeholders != 0) {
      factsOfCheck(laggerName, judgement, strikes, needed, action, facts,
                   limitText);
      facts.streakSeconds = static_cast<std::int32_t>(streakSeconds);
    }
    notifier.tellStaff(*this, lagger, action, limits, evidence, streakSeconds,
                       facts);
  }
  if (entry.player == nullptr) {
    entry.player = lagger;
    entry.strikes = strikes;
    entry.strikesNeeded = needed;
    entry.action = action;
  }
}
