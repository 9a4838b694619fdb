// The zone server's answer to "*lag": a chat line such as
//   PING Current:120 ms  Average:95 ms  Low:80 ms  High:300 ms
//        S2C: 0.5%  C2S: 1.9%  S2CWeapons: 0.0%
// Labels and units are never looked at; only the keyword is checked. Every
// lag line is taken as the answer to the pending check, whoever it
// describes: the server's line does not carry the player's name.
#include <cstdint>

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
};

constexpr LimitCheck kLimitChecks[] = {
    {&botInfo::currentPing, &botInfo::currentPingLimit, "+ PING Current"},
    {&botInfo::averagePing, &botInfo::averagePingLimit, "+ PING Average"},
    {&botInfo::s2cLoss, &botInfo::s2cLossLimit, "%+ S2CPloss"},
    {&botInfo::c2sLoss, &botInfo::c2sLossLimit, "%+ C2SPloss"},
    {&botInfo::s2cWeaponsLoss, &botInfo::s2cWeaponsLossLimit, "%+ S2CWeapons"},
};

// A loss below this is no measurement but a sign of a tampered client.
constexpr std::int32_t kLowestPlausibleLoss = -2;

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

  String line(text);
  line.split(' ');  // the keyword
  for (const Figure& figure : kFigures) {
    line.split(':');  // the label
    this->*figure.text = line.split(figure.end);
    if (figure.end == ' ') line.split(' ');  // the unit
  }

  if (displayMode != 1 && displayMode != 2) return;

  scratchText = displayMode == 1 ? "*arena [" : "[";
  scratchText += checkTarget;
  for (const Figure& figure : kFigures) {
    scratchText += figure.label;
    scratchText += this->*figure.text;
  }
  if (displayMode == 1) {
    sendPublic(scratchText.chars());
  } else if (playerList != nullptr) {
    for (const _listnode<Player>* node = playerList->head; node != nullptr;
         node = node->next) {
      if (node->item->nameEqualsIgnoreCase(checkRequester.chars())) {
        sendPrivate(node->item, scratchText.chars());
      }
    }
  }

  // Losses count in whole percent: "1.9" is 1.
  for (const Figure& figure : kFigures) {
    this->*figure.value = atoiSaturated((this->*figure.text).chars());
  }

  // Limits changed by chat command may be negative until now.
  sanitizeLimits();

  if (dealMode != 0) {
    for (const LimitCheck& check : kLimitChecks) {
      if (this->*check.figure < this->*check.limit) continue;
      startLaggerLine(scratchText, checkTarget);
      scratchText += this->*check.limit;
      scratchText += check.tail;
      sendPublic(scratchText.chars());
      laggerFound = 1;
    }
    for (const NegativeLossCheck& check : kNegativeLossChecks) {
      if (this->*check.figure >= kLowestPlausibleLoss) continue;
      startLaggerLine(scratchText, checkTarget);
      scratchText += check.tail;
      sendPublic(scratchText.chars());
      laggerFound = 1;
    }
  }

  if ((dealMode == 2 || dealMode == 3) && laggerFound &&
      playerList != nullptr) {
    for (const _listnode<Player>* node = playerList->head; node != nullptr;
         node = node->next) {
      const Player* lagger = node->item;
      if (!lagger->nameEqualsIgnoreCase(checkTarget.chars())) continue;
      if (dealMode == 2) {
        sendPrivate(lagger, warnMessage.chars());
      } else {
        sendPrivate(lagger, lockMessage.chars());
        if (lagger->ship != kSpectatorShip) sendPrivate(lagger, "*spec");
      }
    }
  }

  laggerFound = 0;
  checkRequester = "";
  checkTarget = "";
}
