// Chat commands typed to the bot. Everybody may ask for checks and see the
// limits; staff (super moderator and above) change the settings in memory.
// Commands a caller may not use, and unknown ones, get no answer at all.
#include <cstdint>
#include <cstring>

#include "spawn/allowance_text.h"
#include "spawn/config_keys.h"
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

// The settings "!lagwatch" changes: the watch's own and the fair ones.
template <auto field>
std::int32_t& watchSetting(botInfo& bot) {
  return bot.watchSettings.*field;
}
template <auto field>
std::int32_t& fairSetting(botInfo& bot) {
  return bot.fair.*field;
}

struct WatchSwitch {
  std::uint8_t letter;
  std::int32_t& (*setting)(botInfo& bot);
  const char* confirmation;
  // When set, the confirmation follows the repair and shows the value in
  // force: "Lag watch stability set: 40 ms".
  const char* unit = nullptr;
  const char* zeroMeans = nullptr;  // what 0 stands for, after the unit
};

// In the order the confirmations are sent, whatever the order typed.
constexpr WatchSwitch kWatchSwitches[] = {
    {'i', &watchSetting<&WatchSettings::autoCheckInterval>,
     "Lag watch interval set"},
    {'s', &watchSetting<&WatchSettings::strikesNeeded>,
     "Lag watch strikes set"},
    {'g', &watchSetting<&WatchSettings::graceSeconds>, "Lag watch grace set"},
    {'l', &watchSetting<&WatchSettings::autoCheckLevel>,
     "Lag watch level set"},
    {'j', &fairSetting<&FairSettings::stabilityJitter>,
     "Lag watch stability set", " ms", " (off)"},
    {'c', &fairSetting<&FairSettings::pingCeiling>,
     "Lag watch ping ceiling set", " ms", " (twice the current ping limit)"},
    {'m', &fairSetting<&FairSettings::minPlayers>, "Lag watch quorum set",
     " players", " (off)"},
};

// A typo ("-i=abc") would otherwise read as 0 and switch the watch off:
// "Lag watch interval not set: give a whole number (in force: 30)".
void refuseWatchValue(botInfo& bot, const Player* caller,
                      const WatchSwitch& entry) {
  String& line = bot.scratchText;
  std::size_t length = std::strlen(entry.confirmation);
  if (length > 4 && std::strcmp(entry.confirmation + length - 4, " set") == 0) {
    length -= 4;
  }
  line = "";
  line.append(entry.confirmation, static_cast<std::uint32_t>(length));
  line += " not set: give a whole number (in force: ";
  line += entry.setting(bot);
  line += ")";
  bot.sendPrivate(caller, line.chars());
}

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

// The allowance in force for the player `name`, or nullptr.
const LagAllowances::Allowance* allowanceOf(const LagAllowances& allowances,
                                            const char* name) {
  for (int slot = 0; slot < LagAllowances::kMostAllowances; ++slot) {
    const LagAllowances::Allowance* allowance = allowances.at(slot);
    if (allowance != nullptr && equalsIgnoreCase(allowance->name, name)) {
      return allowance;
    }
  }
  return nullptr;
}

// " for 1 h 5 min more", " for 4 min 10 s more", " for 9 s more".
void appendTimeLeft(String& line, std::uint32_t seconds) {
  const std::int32_t hours = static_cast<std::int32_t>(seconds / 3600);
  const std::int32_t minutes = static_cast<std::int32_t>(seconds % 3600 / 60);
  const std::int32_t rest = static_cast<std::int32_t>(seconds % 60);
  line += " for ";
  if (hours > 0) {
    line += hours;
    line += " h ";
    line += minutes;
    line += " min";
  } else if (minutes > 0) {
    line += minutes;
    line += " min ";
    line += rest;
    line += " s";
  } else {
    line += rest;
    line += " s";
  }
  line += " more";
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
    watch.showHistory(watchHost_, caller, command->parameterText,
                      watchSettings, fair.stabilityJitter);
    return;
  }
  const bool wasOrdered = watchSettings.ordered();
  bool anyGiven = false;
  bool anySet = false;
  for (const WatchSwitch& entry : kWatchSwitches) {
    const _switch* given = command->findSwitch(entry.letter);
    if (given == nullptr) continue;
    anyGiven = true;
    if (!isNumeric(given->valueText)) {
      refuseWatchValue(*this, caller, entry);
      continue;
    }
    entry.setting(*this) = atoiSaturated(given->valueText);
    if (entry.unit == nullptr) sendPrivate(caller, entry.confirmation);
    anySet = true;
  }
  // A negative value falls back to the default, as in tarvok.ini.
  sanitizeWatchSettings();
  for (const WatchSwitch& entry : kWatchSwitches) {
    const _switch* given = command->findSwitch(entry.letter);
    if (entry.unit == nullptr || given == nullptr ||
        !isNumeric(given->valueText)) {
      continue;
    }
    scratchText = entry.confirmation;
    scratchText += ": ";
    scratchText += entry.setting(*this);
    scratchText += entry.unit;
    if (entry.setting(*this) == 0) scratchText += entry.zeroMeans;
    sendPrivate(caller, scratchText.chars());
  }
  if (!anyGiven) {
    watch.showStatus(watchHost_, caller, watchSettings, fair);
    return;
  }
  if (anySet) orderingSwitched(wasOrdered);
}

void botInfo::onAllowCommand(const Player* caller, const Command* command) {
  const char* parameter = command->parameterText;
  std::uint32_t start = 0;
  while (parameter[start] == ' ' || parameter[start] == '\t') ++start;
  if (parameter[start] == '\0') {
    bool any = false;
    for (int slot = 0; slot < LagAllowances::kMostAllowances; ++slot) {
      const LagAllowances::Allowance* allowance = allowances.at(slot);
      if (allowance == nullptr) continue;
      any = true;
      scratchText = allowance->name;
      scratchText += " +";
      scratchText += allowance->extraMs;
      scratchText += " ms";
      if (allowance->fromFile) {
        scratchText += " (tarvok.ini)";
      } else if (allowance->endsAt == 0) {
        scratchText += " until the bot restarts";
      } else {
        appendTimeLeft(scratchText, allowance->endsAt - allowances.now());
      }
      sendPrivate(caller, scratchText.chars());
    }
    if (!any) sendPrivate(caller, "Lag allowances: none");
    return;
  }
  AllowanceText text;
  const AllowanceFault fault = readAllowanceText(parameter, true, text);
  if (fault != AllowanceFault::None) {
    scratchText = "Usage: !lagallow NAME +MS [HOURS], or NAME 0 to take it "
                  "back (";
    scratchText += allowanceFaultText(fault);
    scratchText += ")";
    sendPrivate(caller, scratchText.chars());
    return;
  }
  if (text.extraMs == 0) {
    scratchText = allowances.takeBack(text.name) ? "Lag allowance taken back: "
                                                 : "No lag allowance to take "
                                                   "back: ";
    scratchText += text.name;
    sendPrivate(caller, scratchText.chars());
    return;
  }
  const std::uint32_t seconds = static_cast<std::uint32_t>(text.hours) * 3600u;
  // A smaller grant silently taking the place of the file's would tighten
  // the player's limits without anyone noticing: the confirmation says so.
  const LagAllowances::Allowance* before = allowanceOf(allowances, text.name);
  const std::int32_t fileMs =
      before != nullptr && before->fromFile ? before->extraMs : 0;
  if (!allowances.grant(text, seconds)) {
    sendPrivate(caller, "Too many lag allowances: take one back first");
    return;
  }
  scratchText = "Lag allowance set: ";
  scratchText += text.name;
  scratchText += " +";
  scratchText += text.extraMs;
  scratchText += " ms";
  if (seconds == 0) {
    scratchText += " until the bot restarts";
  } else {
    scratchText += " for ";
    scratchText += text.hours;
    scratchText += " h";
  }
  if (fileMs > text.extraMs) {
    scratchText += " (replaces the larger +";
    scratchText += fileMs;
    scratchText += " ms of tarvok.ini)";
  }
  sendPrivate(caller, scratchText.chars());
}

void botInfo::orderingSwitched(bool wasOrdered) {
  const bool nowOrdered = watchSettings.ordered();
  if (wasOrdered && !nowOrdered) watch.dropWaiting(watchHost_, watchSettings);
  if (!wasOrdered && nowOrdered) {
    watch.adoptUnorderedChecks(watchHost_, watchSettings);
    checkTarget = "";
    checkRequester = "";
  }
}

void botInfo::onCommand(const Player* caller, const Command* command) {
  if (caller == nullptr || command == nullptr) return;
  const std::uint32_t level = caller->accessLevel;
  if (level > OP_God) return;
  if (level >= OP_SuperModerator && onStaffCommand(caller, command)) return;
  if (watchOn && command->commandIs("lagwhy")) {
    onWhyCommand(caller, command);
    return;
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
    onCheckCommand(caller, command);
    return;
  }
  if (command->commandIs("lagme")) {
    onCheckMeCommand(caller);
    return;
  }
  if (command->commandIs("laglimits")) onLimitsCommand(caller);
}

bool botInfo::onStaffCommand(const Player* caller, const Command* command) {
  if (command->commandIs("version")) {
    scratchText = "[name:tarvok.dll] [maker:Vantrel (";
    scratchText += kMakerAddress;
    scratchText += ")] [build:0.7]";
    sendPrivate(caller, scratchText.chars());
    return true;
  }
  if (command->commandIs("lagdisplay")) {
    setModeFromText(
        *this, caller, command->parameterText, 2,
        "Must specify a number    0:ignore 1:arena 2:pm  recomend:1",
        displayMode);
    return true;
  }
  if (command->commandIs("laggerdeal")) {
    setModeFromText(*this, caller, command->parameterText, 3,
                    "Must specify a number   0:nothing 1:arena "
                    "2:arena/warn 3:arena/warn/spec  recomend:1",
                    dealMode);
    return true;
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
    return true;
  }
  if (command->commandIs("lagtimelimit")) {
    if (!isNumeric(command->parameterText)) return true;
    maxCheckRate = atoiSaturated(command->parameterText);
    sendPrivate(caller, "Set time limit");
    return true;
  }
  if (command->commandIs("lagallow")) {
    onAllowCommand(caller, command);
    return true;
  }
  if (watchOn &&
      (command->commandIs("lagwatch") || command->commandIs("laghistory"))) {
    onWatchCommand(caller, command);
    return true;
  }
  return false;
}

void botInfo::onCheckCommand(const Player* caller, const Command* command) {
  if (caller->accessLevel == OP_Player && lookupTag(caller, 0) >= 0) {
    sendPrivate(caller, "Lag time limit exceeded.");
    return;
  }
  if (displayMode == 0) {
    sendPrivate(caller, kChecksDisabled);
    return;
  }
  // With ordered checks each player of that name gets a request of their
  // own, and the query waits its turn.
  const bool ordered = watchSettings.ordered();
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
      watch.requestCheck(watchHost_, watchSettings, target,
                         command->parameterText,
                         textLength(command->parameterText), caller, true);
    } else {
      sendPrivate(target, "*lag");
      watch.noteUnorderedQuery(target, command->parameterText,
                               textLength(command->parameterText), caller,
                               true);
    }
  }
}

void botInfo::onCheckMeCommand(const Player* caller) {
  if (displayMode == 0) {
    sendPrivate(caller, kChecksDisabled);
    return;
  }
  if (watchSettings.ordered()) {
    if (!watch.hasRoomFor(1)) {
      sendPrivate(caller, kQueueFull);
      return;
    }
    watch.requestCheck(watchHost_, watchSettings, caller, caller->name,
                       caller->nameLength(), caller, false);
  } else {
    checkRequester.assign(caller->name, caller->nameLength());
    checkTarget = checkRequester;
    sendPrivate(caller, "*lag");
    watch.noteUnorderedQuery(caller, caller->name, caller->nameLength(),
                             caller, false);
  }
  sendPrivate(caller, "Checking your lag.");
}

void botInfo::onLimitsCommand(const Player* caller) {
  const bool staff = caller->accessLevel >= OP_SuperModerator;
  // The limits in force now, with the population section's.
  const std::int32_t inShips = population.any() ? countInShips() : 0;
  const PopulationLimitsInForce inForce(*this, inShips);
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
  // A player with an allowance learns their own ping limits, as the next
  // check judges them (a negative limit is repaired then).
  scratchText.assign(caller->name, caller->nameLength());
  const std::int32_t extraMs = allowances.extraFor(scratchText.chars());
  if (extraMs != 0) {
    const auto judged = [](ConfigField field, std::int32_t limit) {
      return repairedValue(configKey(field), limit);
    };
    scratchText = "Your allowance: +";
    scratchText += extraMs;
    scratchText += " ms, so your ping limits are  C: ";
    scratchText += withAllowance(
        judged(ConfigField::currentPingLimit, currentPingLimit), extraMs);
    scratchText += "  AVG: ";
    scratchText += withAllowance(
        judged(ConfigField::averagePingLimit, averagePingLimit), extraMs);
    sendPrivate(caller, scratchText.chars());
  }
  if (arena.sectionsInFile && staff) sendArenaSettings(caller);
  if (population.any() && staff) {
    sendPopulationSettings(caller, inShips, inForce.section());
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
}
