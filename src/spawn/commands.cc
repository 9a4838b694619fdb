// Chat commands typed to the bot. Everybody may ask for checks and see the
// limits; staff (super moderator and above) change the settings in memory.
// Commands a caller may not use, and unknown ones, get no answer at all.
#include <cstdint>

#include "spawn/spawn.h"
#include "util/command.h"
#include "util/player.h"
#include "util/text.h"

namespace {

constexpr const char* kMakerAddress = "vantrel@tarvok.example";

struct LimitSwitch {
  std::uint8_t letter;
  std::int32_t botInfo::*limit;
  const char* confirmation;
};

// In the order the confirmations are sent, whatever the order typed.
constexpr LimitSwitch kLimitSwitches[] = {
    {'p', &botInfo::currentPingLimit, "Current Ping limit set"},
    {'a', &botInfo::averagePingLimit, "Average Ping limit set"},
    {'s', &botInfo::s2cLossLimit, "S2C Ploss limit set"},
    {'c', &botInfo::c2sLossLimit, "C2S Ploss limit set"},
    {'w', &botInfo::s2cWeaponsLossLimit, "Weapons Ploss limit set"},
};

constexpr const char* kChecksDisabled =
    "Staff has disabled this function for now";
constexpr const char* kQueueFull =
    "Too many lag checks are waiting: try again shortly";

struct WatchSwitch {
  std::uint8_t letter;
  std::int32_t botInfo::*setting;
  const char* confirmation;
};

// In the order the confirmations are sent, whatever the order typed.
constexpr WatchSwitch kWatchSwitches[] = {
    {'i', &botInfo::autoCheckInterval, "Lag watch interval set"},
    {'s', &botInfo::strikesNeeded, "Lag watch strikes set"},
    {'g', &botInfo::graceSeconds, "Lag watch grace set"},
    {'l', &botInfo::autoCheckLevel, "Lag watch level set"},
};

// Sets `mode` to the number in `parameter` when it lies in 0..`highest`;
// otherwise tells `caller` what is wrong. No reply on success.
void setModeFromText(botInfo& bot, const Player* caller, const char* parameter,
                     std::int32_t highest, const char* usage,
                     std::int32_t& mode) {
  if (!isNumeric(parameter)) {
    bot.sendPrivate(caller, usage);
    return;
  }
  const std::int32_t value = atoiSaturated(parameter);
  if (value < 0 || value > highest) {
    bot.sendPrivate(caller, "Invalid number");
    return;
  }
  mode = value;
}

}  // namespace

std::size_t botInfo::countListed(const char* name) const {
  std::size_t count = 0;
  if (playerList == nullptr) return count;
  for (const _listnode<Player>* node = playerList->head; node != nullptr;
       node = node->next) {
    if (node->item->nameEqualsIgnoreCase(name)) ++count;
  }
  return count;
}

void botInfo::onWatchCommand(const Player* caller, const Command* command) {
  if (command->commandIs("laghistory")) {
    watch.showHistory(*this, caller, command->parameterText);
    return;
  }
  const bool wasOrdered = LagWatch::ordered(*this);
  bool anySet = false;
  for (const WatchSwitch& entry : kWatchSwitches) {
    const _switch* given = command->findSwitch(entry.letter);
    if (given == nullptr) continue;
    this->*entry.setting = atoiSaturated(given->valueText);
    sendPrivate(caller, entry.confirmation);
    anySet = true;
  }
  // A negative value falls back to the default, as in tarvok.ini.
  sanitizeWatchSettings();
  if (!anySet) {
    watch.showStatus(*this, caller);
    return;
  }
  orderingSwitched(wasOrdered);
}

void botInfo::orderingSwitched(bool wasOrdered) {
  const bool nowOrdered = LagWatch::ordered(*this);
  if (wasOrdered && !nowOrdered) watch.dropWaiting(*this);
  if (!wasOrdered && nowOrdered) {
    watch.adoptUnorderedCheck(*this, checkTarget, checkRequester);
    checkTarget = "";
    checkRequester = "";
  }
}

void botInfo::onCommand(const Player* caller, const Command* command) {
  if (caller == nullptr || command == nullptr) return;
  const std::uint32_t level = caller->accessLevel;
  if (level > OP_God) return;

  if (level >= OP_SuperModerator) {
    if (command->commandIs("version")) {
      scratchText = "[name:tarvok.dll] [maker:Vantrel (";
      scratchText += kMakerAddress;
      scratchText += ")] [build:0.7]";
      sendPrivate(caller, scratchText.chars());
      return;
    }
    if (command->commandIs("lagdisplay")) {
      setModeFromText(
          *this, caller, command->parameterText, 2,
          "Must specify a number    0:ignore 1:arena 2:pm  recomend:1",
          displayMode);
      return;
    }
    if (command->commandIs("laggerdeal")) {
      setModeFromText(*this, caller, command->parameterText, 3,
                      "Must specify a number   0:nothing 1:arena "
                      "2:arena/warn 3:arena/warn/spec  recomend:1",
                      dealMode);
      return;
    }
    if (command->commandIs("laglimitset")) {
      // Not validated here: a negative limit is repaired before the next
      // report is judged.
      for (const LimitSwitch& entry : kLimitSwitches) {
        const _switch* given = command->findSwitch(entry.letter);
        if (given == nullptr) continue;
        this->*entry.limit = atoiSaturated(given->valueText);
        sendPrivate(caller, entry.confirmation);
      }
      return;
    }
    if (command->commandIs("lagtimelimit")) {
      if (!isNumeric(command->parameterText)) return;
      maxCheckRate = atoiSaturated(command->parameterText);
      sendPrivate(caller, "Set time limit");
      return;
    }
    if (watchOn &&
        (command->commandIs("lagwatch") || command->commandIs("laghistory"))) {
      onWatchCommand(caller, command);
      return;
    }
  }

  if (command->commandIs("about")) {
    scratchText = "Lag check plugin version 0.7 by Vantrel (";
    scratchText += kMakerAddress;
    scratchText += ")";
    sendPrivate(caller, scratchText.chars());
    return;
  }
  if (command->commandIs("absoluteversion")) {
    sendPrivate(caller, "tarvok: 000710");
    return;
  }
  if (command->commandIs("lagcheck")) {
    if (level == OP_Player && lookupTag(caller, 0) >= 0) {
      sendPrivate(caller, "Lag time limit exceeded.");
      return;
    }
    if (displayMode == 0) {
      sendPrivate(caller, kChecksDisabled);
      return;
    }
    // With ordered checks each player of that name gets a request of their
    // own, and the query waits its turn.
    const bool ordered = LagWatch::ordered(*this);
    if (ordered && !watch.hasRoomFor(countListed(command->parameterText))) {
      sendPrivate(caller, kQueueFull);
      return;
    }
    // Staff are never refused, but their countdown runs too: "!laglimits"
    // shows it.
    storeTag(caller, 0, maxCheckRate);
    sendPrivate(caller, "Checking player's lag");
    if (!ordered) {
      checkTarget = command->parameterText;
      checkRequester.assign(caller->name, caller->nameLength());
    }
    if (playerList == nullptr) return;
    for (const _listnode<Player>* node = playerList->head; node != nullptr;
         node = node->next) {
      const Player* target = node->item;
      if (!target->nameEqualsIgnoreCase(command->parameterText)) continue;
      scratchText.assign(caller->name, caller->nameLength());
      scratchText += " has requested to check your lag";
      sendPrivate(target, scratchText.chars());
      if (ordered) {
        watch.requestCheck(*this, target, command->parameterText,
                           textLength(command->parameterText), caller);
      } else {
        sendPrivate(target, "*lag");
      }
    }
    return;
  }
  if (command->commandIs("lagme")) {
    if (displayMode == 0) {
      sendPrivate(caller, kChecksDisabled);
      return;
    }
    if (LagWatch::ordered(*this)) {
      if (!watch.hasRoomFor(1)) {
        sendPrivate(caller, kQueueFull);
        return;
      }
      watch.requestCheck(*this, caller, caller->name, caller->nameLength(),
                         caller);
    } else {
      checkRequester.assign(caller->name, caller->nameLength());
      checkTarget = checkRequester;
      sendPrivate(caller, "*lag");
    }
    sendPrivate(caller, "Checking your lag.");
    return;
  }
  if (command->commandIs("laglimits")) {
    scratchText = "limits  C: ";
    scratchText += currentPingLimit;
    scratchText += "  AVG: ";
    scratchText += averagePingLimit;
    scratchText += "  S2C: ";
    scratchText += s2cLossLimit;
    scratchText += "  C2S: ";
    scratchText += c2sLossLimit;
    scratchText += "  S2CWeapons: ";
    scratchText += s2cWeaponsLossLimit;
    sendPrivate(caller, scratchText.chars());
    if (arenaSectionsInFile && level >= OP_SuperModerator) {
      sendArenaSettings(caller);
    }
    const std::int32_t secondsLeft = lookupTag(caller, 0);
    if (secondsLeft < 1) return;
    scratchText =
        "You are currently over the set time limits.  Time until next check: ";
    scratchText += secondsLeft / 60;
    scratchText += " minutes and ";
    scratchText += secondsLeft % 60;
    scratchText += " seconds.";
    sendPrivate(caller, scratchText.chars());
    return;
  }
}
