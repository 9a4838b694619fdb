// Help requests: without a topic, the commands the caller's level may use;
// with a topic, that command's detailed help. Unknown topics, and staff
// topics asked by a caller below staff level, get no answer.
#include <cstdint>

#include "spawn/spawn.h"
#include "util/command.h"
#include "util/player.h"

namespace {

constexpr int kMostHelpLines = 6;

struct HelpTopic {
  const char* topic;  // lower case
  bool staffOnly;
  const char* lines[kMostHelpLines];  // unused entries are nullptr
  bool watchOnly = false;             // listed only while the lag watch is on
};

// The switch lines are padded to one width for the clients' fixed font.
constexpr HelpTopic kHelpTopics[] = {
    {"laglimitset",
     true,
     {"!laglimitset [switches]  (set lag limits on various settings)",
      "-p=[#]  (set Current PING limit)           ",
      "-a=[#]  (set Average PING limit)           ",
      "-s=[#]  (set ServerToClient Ploss limit)   ",
      "-c=[#]  (set ClientToServer Ploss limit)   ",
      "-w=[#]  (set Weapons Ploss limit)          "}},
    {"lagdisplay",
     true,
     {"!lagdisplay [#] (set how to display returns of !lagcheck and !lagme.  "
      "0:dont check  1:arena  2:pm)"}},
    {"laggerdeal",
     true,
     {"!laggerdeal [#] (set how to deal with a lagger.  0:nothing 1:arena "
      "2:arena/warn 3:arena/warn/spec)"}},
    {"lagtimelimit",
     true,
     {"!lagtimelimit [#] (set the rate limit at which someone can do "
      "!lagcheck)"}},
    {"about", false, {"!about (query me about my function)"}},
    {"lagme", false, {"!lagme (check yourself for lag.)"}},
    {"lagcheck", false, {"!lagcheck [name] (check [name] for lag.)"}},
    {"laglimits",
     false,
     {"!laglimits  (displays current lag limits in effect)"}},
    {"lagwatch",
     true,
     {"!lagwatch [switches]  (show the lag watch, or set it with switches)",
      "-i=[#]  (seconds between automatic checks, 0: none)",
      "-s=[#]  (checks over the limits in a row before dealing)",
      "-g=[#]  (seconds before a newcomer is checked)",
      "-l=[#]  (highest access level checked automatically)"},
     true},
    {"lagallow",
     true,
     {"!lagallow [name] +[ms] [hours]  (add [ms] to [name]'s ping limits for "
      "[hours], or until the bot restarts)",
      "!lagallow [name] 0  (take it back)    !lagallow  (list them)"}},
    {"lagwhy",
     false,
     {"!lagwhy [name]  (why you were last warned or moved to spectator mode: "
      "the checks behind it; staff may name anyone)"},
     true},
    {"laghistory",
     true,
     {"!laghistory [name]  (the last five judged checks of [name] and their "
      "strikes)"},
     true},
};

}  // namespace

void botInfo::onHelp(const Player* caller, const Command* command) {
  if (caller == nullptr || command == nullptr) return;
  const std::uint32_t level = caller->accessLevel;
  if (level > OP_God) return;
  const bool isStaff = level >= OP_SuperModerator;

  if (command->parameterText[0] == '\0') {
    sendPrivate(caller, isStaff
                            ? "Ext: !laglimitset [params]  !laggerdeal [#]  "
                              "!lagdisplay [#]  !version  !lagtimelimit"
                            : "!about  !lagme  !lagcheck [name]  !laglimits");
    if (isStaff && watchOn) {
      sendPrivate(caller, "Watch: !lagwatch [switches]  !laghistory [name]");
    }
    // Staff who are told of dealings learn where to ask why.
    if (watchOn && (!isStaff || logSettings.notifyLevel > 0)) {
      sendPrivate(caller, isStaff ? "Disputes: !lagwhy [name]"
                                  : "Watch: !lagwhy");
    }
    if (isStaff && fairKeysRead) {
      sendPrivate(caller, "Fair: !lagallow [name +ms [hours]]");
    }
    return;
  }

  for (const HelpTopic& entry : kHelpTopics) {
    if (entry.watchOnly && !watchOn) continue;
    if (!command->parameterIs(entry.topic)) continue;
    if (entry.staffOnly && !isStaff) return;
    for (const char* line : entry.lines) {
      if (line == nullptr) break;
      sendPrivate(caller, line);
    }
    return;
  }
}
