#include "spawn/lag_notifier.h"

#include "spawn/spawn.h"
#include "util/player.h"

namespace {

// The figure of each limit bit (LimitBit order) and its label in the line.
struct NotedFigure {
  String botInfo::*text;
  const char* label;
  bool loss;
};

constexpr NotedFigure kNotedFigures[] = {
    {&botInfo::currentPingText, "current ", false},
    {&botInfo::averagePingText, "average ", false},
    {&botInfo::s2cLossText, "S2C ", true},
    {&botInfo::c2sLossText, "C2S ", true},
    {&botInfo::s2cWeaponsLossText, "S2CW ", true},
};

// ", current 420 (limit 300)", then ", average 390 (300)" and so on for each
// limit reached; a negative loss as ", S2C -5.0 % (negative)".
void appendReachedLimits(String& line, const botInfo& bot, std::uint8_t limits,
                         const CheckEvidence& evidence) {
  bool first = true;
  for (int bit = 0; bit < 8; ++bit) {
    if ((limits >> bit & 1u) == 0) continue;
    const int figure = bit < 5 ? bit : bit - 3;  // the negative ones: S2C..
    const NotedFigure& noted = kNotedFigures[figure];
    line += ", ";
    line += noted.label;
    line += bot.*noted.text;
    if (noted.loss) line += " %";
    if (bit >= 5) {
      line += " (negative)";
    } else {
      line += first ? " (limit " : " (";
      line += evidence.limits[bit];
      line += ")";
      first = false;
    }
  }
}

}  // namespace

void LagNotifier::tellStaff(botInfo& bot, const Player* lagger,
                            DealAction action, std::uint8_t limits,
                            const CheckEvidence& evidence,
                            std::uint32_t streakSeconds,
                            const MessageFacts& facts) {
  if (bot.logSettings.notifyLevel <= 0 || lagger == nullptr) return;
  if (toldThisMinute_ >= kMostPerMinute) {
    ++untold_;
    return;
  }
  ++toldThisMinute_;
  String& line = bot.scratchText;
  line = "tarvok: ";
  if (bot.messages.notifyMessage.size() != 0) {
    if (bot.messages.placeholders != 0) {
      String expanded;
      MessageTemplate::expand(bot.messages.notifyMessage.chars(), facts, expanded);
      line += expanded;
    } else {
      line += bot.messages.notifyMessage;
    }
    sendToStaff(bot, line.chars(), lagger);
    return;
  }
  line.append(lagger->name, lagger->nameLength());
  line += action == DealAction::Spectated ? " moved to spectator mode: "
                                          : " warned: ";
  line += evidence.strikes;
  line += evidence.strikes == 1 ? " strike" : " strikes";
  if (evidence.strikes > 1) {
    line += " in ";
    line += static_cast<std::int32_t>(streakSeconds);
    line += " s";
  }
  appendReachedLimits(line, bot, limits, evidence);
  if (evidence.allowanceMs != 0) {
    line += ", allowance +";
    line += evidence.allowanceMs;
    line += " ms";
  }
  sendToStaff(bot, line.chars(), lagger);
}

void LagNotifier::tick(botInfo& bot) {
  if (++secondsInMinute_ < kMinute) return;
  if (untold_ > 0 && bot.logSettings.notifyLevel > 0) {
    String& line = bot.scratchText;
    line = "tarvok: ";
    line += static_cast<std::int32_t>(untold_);
    line += untold_ == 1 ? " more dealing" : " more dealings";
    line += " in the last minute not told one by one: see !laghistory or "
            "the lag log";
    sendToStaff(bot, line.chars(), nullptr);
  }
  clear();
}

void LagNotifier::clear() {
  secondsInMinute_ = 0;
  toldThisMinute_ = 0;
  untold_ = 0;
}

void LagNotifier::sendToStaff(botInfo& bot, const char* text,
                              const Player* except) {
  if (bot.playerList == nullptr) return;
  // Above the highest level nobody would be told: it works as that level.
  const std::uint32_t lowest =
      bot.logSettings.notifyLevel > static_cast<std::int32_t>(OP_God)
          ? OP_God
          : static_cast<std::uint32_t>(bot.logSettings.notifyLevel);
  for (const _listnode<Player>* node = bot.playerList->head; node != nullptr;
       node = node->next) {
    const Player* player = node->item;
    if (player == except) continue;
    if (player->accessLevel >= lowest && player->accessLevel <= OP_God) {
      bot.sendPrivate(player, text);
    }
  }
}
