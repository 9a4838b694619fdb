// botInfo: the plug-in's state for one host bot, and everything it does.
//
// `talk` keeps one botInfo per bot handle in `botlist` and hands it every
// event of its bot through onEvent. An instance answers the host's Init with
// the version handshake and reads "tarvok.ini"; counts the per-player check
// countdowns down on every Tick; starts lag checks on chat commands; and
// turns the zone server's "PING ..." lines into reports, lagger
// announcements, warnings and moves to spectator mode. Everything it says
// goes back through the host callback at once, in the order composed.
//
// The member functions are defined by concern: bot_info.cc (construction,
// events, sending), player_tags.cc, config.cc, lag_report.cc, commands.cc
// and help.cc.
#ifndef TARVOK_SPAWN_SPAWN_H_
#define TARVOK_SPAWN_SPAWN_H_

#include <cstdint>

#include "host/bot_event.h"
#include "host/linked_list.h"
#include "spawn/lag_allowances.h"
#include "spawn/lag_log.h"
#include "spawn/lag_notifier.h"
#include "spawn/lag_watch.h"
#include "spawn/message_template.h"
#include "spawn/player_tag_index.h"
#include "spawn/population_limits.h"
#include "util/string.h"

struct Command;
struct Player;

// A (player, slot) -> value entry. Slot 0 holds a player's check countdown in
// seconds; the player must wait while it is 0 or more.
struct PlayerTag {
  const Player* player;  // compared by identity, never read through
  std::int32_t slot;
  std::int32_t secondsLeft;
};

// Arena sections (arena_section.h): the arena the bot is in and what the
// file read last holds for it.
struct ArenaInForce {
  // The arena the bot entered last; empty before the first ArenaEnter that
  // it heard.
  String name;
  std::uint8_t sectionsInFile = 0;  // the file read last has sections
  std::uint8_t sectionFound = 0;    // ... and one of them is name's
};

// The name of the file read at every accepted Init, in the current directory.
constexpr const char* kConfigFileName = "tarvok.ini";

class botInfo;

// The bot as its lag watch sees it: the host's list, private lines and the
// "!lagcheck" countdowns.
class BotWatchHost final : public WatchHost {
 public:
  explicit BotWatchHost(botInfo& bot) : bot_(bot) {}
  const _linkedlist<Player>* listedPlayers() const override;
  void sendPrivate(const Player* player, const char* text) override;
  void giveBackCountdown(const Player* asker) override;

 private:
  botInfo& bot_;
};

class botInfo {
 public:
  explicit botInfo(CALL_HANDLE handle);
  ~botInfo();
  botInfo(const botInfo&) = delete;
  botInfo& operator=(const botInfo&) = delete;

  bool ownsHandle(CALL_HANDLE other) const { return handle == other; }

  // Handles one event of this bot. Never writes the event.
  void onEvent(BotEvent& event);

  // Passes one command record to the host callback; dropped while there is
  // no callback or the handle is 0.
  void sendToHost(BotEvent& record);
  void sendEcho(const char* text);
  void sendPublic(const char* text);
  void sendPrivate(const Player* player, const char* text);

  // Lag lines from the zone server (chat type 0).
  void handleLagReport(const char* text);

  // Chat commands and help requests typed to the bot.
  void onCommand(const Player* caller, const Command* command);
  void onHelp(const Player* caller, const Command* command);

  // Reads kConfigFileName over the current settings: the lines before the
  // first arena section, then those of arena.name's section; then
  // sanitizeLimits.
  void loadConfig();
  // A negative ping limit becomes 300, a negative loss limit 2; the watch's
  // settings are repaired too.
  void sanitizeLimits();
  // Only the watch's and the fair keys' settings: a value below its lowest
  // becomes the default.
  void sanitizeWatchSettings();

  // The field of row `row` of the key table (config_keys.h), wherever its
  // group keeps it: configNumber of a number row, configText of the others.
  const std::int32_t* configNumber(std::size_t row) const;
  const String* configText(std::size_t row) const;

  // Per-player countdowns in `checkTimers`.
  void storeTag(const Player* player, std::int32_t slot, std::int32_t value);
  std::int32_t lookupTag(const Player* player, std::int32_t slot) const;
  void removeTagsOf(const Player* player);
  void clearTags();

  std::uint8_t dead;
  _linkedlist<PlayerTag> checkTimers;
  PlayerTagIndex tagIndex;  // finds the nodes of checkTimers
  CALL_HANDLE handle;
  CALL_COMMAND hostCallback;
  CALL_PLIST playerList;
  std::uintptr_t hostF;
  std::uintptr_t hostMap;
  std::uintptr_t hostB;

  // The pending check: whose report is awaited and who asked.
  String checkTarget;
  String checkRequester;

  // The figures of the last lag line, as cut.
  String currentPingText;
  String averagePingText;
  String lowPingText;
  String highPingText;
  String s2cLossText;
  String c2sLossText;
  String s2cWeaponsLossText;

  std::int32_t currentPingLimit;
  std::int32_t averagePingLimit;
  std::int32_t s2cLossLimit;
  std::int32_t c2sLossLimit;
  std::int32_t s2cWeaponsLossLimit;

  // The figures of the last lag line, as numbers.
  std::int32_t currentPing;
  std::int32_t averagePing;
  std::int32_t lowPing;
  std::int32_t highPing;
  std::int32_t s2cLoss;
  std::int32_t c2sLoss;
  std::int32_t s2cWeaponsLoss;

  String scratchText;        // the message under composition
  std::int32_t displayMode;  // 0 checks off, 1 arena, 2 private to the asker
  std::int32_t dealMode;     // 0 nothing, 1 arena, 2 +warning, 3 +spectator
  std::uint8_t laggerFound;
  String warnMessage;
  String lockMessage;
  std::int32_t maxCheckRate;  // seconds between checks for OP_Player
  MessageSettings messages;   // message_template.h

  // The lag watch's settings (see config_keys.h) and its state. The watch is
  // on from the first file that holds one of its keys for as long as the
  // bot lives (with arena sections: until the bot enters another arena):
  // like every setting, its values stay through a reload of a file without
  // them. While it is on, its commands answer and its strikes,
  // history and hourly counts follow the values in force.
  WatchSettings watchSettings;
  std::uint8_t watchOn;
  LagWatch watch;

  // Fair limits (config_keys.h, check_judgement.h, lag_allowances.h).
  // Each is off at its default: no quorum, no verdict on stability, no
  // allowances.
  FairSettings fair;
  LagAllowances allowances;
  std::uint8_t fairKeysRead;  // a file held a fair key or an allowance

  // The lag log, and disputes (lag_notifier.h, lag_why.cc): staff told of
  // every warning and move, and a check over a limit that the quorum holds
  // said aloud.
  LogSettings logSettings;
  LagNotifier notifier;
  LagLog lagLog;

  ArenaInForce arena;
  // Population sections (population_section.h) of the file read last.
  PopulationLimits population;

 private:
  BotWatchHost watchHost_{*this};

  // The texts of the last lag line's figures, for the watch's history.
  FigureTexts figureTexts() const;

  // What judging one lag line came to before anyone is dealt with.
  struct Judgement {
    std::uint8_t reached = 0;  // the limits reached, with the allowance
    std::uint8_t counted = 0;  // those that count: a steady player's ping not
    std::int32_t extraMs = 0;  // the allowance added to the ping limits
    std::uint8_t verdicts = 0;  // VerdictBit
  };

  void handshake(std::uint32_t version);
  void tick();
  // ArenaEnter: the bot is now in arena `name`. With arena sections in the
  // file it starts from the defaults and reads the file for that arena.
  void enterArena(const char* name);
  // Every setting of the key table at its default, messages empty.
  void resetSettings();
  // Tells staff which population section is in force, with `inForce`.
  void sendPopulationSettings(const Player* caller, std::int32_t inShips,
                              std::int32_t section);
  // Tells staff which arena section of the file is in force.
  void sendArenaSettings(const Player* caller);
  // Every setting that the original ones do not include, at its default.
  void setExtraDefaults();
  // Cuts the seven figures of a lag line (one that starts with its
  // keyword) into their texts.
  void cutFigures(const char* text);
  // The figures of the last lag line about `target`: to the arena
  // (display=1), or privately to every listed player named `requester`.
  void reportFigures(const String& target, const String& requester);
  // The judging and dealing of one answered lag line: the request it
  // answers with ordered checks, otherwise nullptr (the pending check).
  // `target` is the name the report shows.
  void judgeLagReport(const CheckRequest* request, const String& target,
                      const String& requester, LagLogEntry& entry);
  // The arena lines about `lagger` for each limit in `limits`; the ping
  // limits with `extraMs` added.
  void announceLimits(const String& lagger, std::uint8_t limits,
                      std::int32_t extraMs);
  // Counts a strike against one judged player and deals with them when
  // their strikes are complete; `laggerName` is the name the report shows.
  void dealWith(const Player* lagger, const String& laggerName, bool automatic,
                const Judgement& judgement, LagLogEntry& entry);
  // The listed player a check of `target` judges: the query's player, or
  // the first of that name for a check without the queue; nullptr when
  // none is listed.
  const Player* judgedPlayer(const CheckRequest* request,
                             const String& target) const;
  // True when a listed player of staff's access levels bears `name`.
  bool isStaffName(const String& name) const;
  // A manual check's arena line on a glitch or a steady connection.
  void sayVerdict(const String& target, const CheckVerdict& verdict);
  // The facts of this check for the placeholders of a message: the
  // lagger's name and figures, the first limit that counted (its text kept
  // in `limit`, which must outlive `facts`), the strikes, the action and
  // the allowance.
  void factsOfCheck(const String& laggerName, const Judgement& judgement,
                    std::int32_t strikes, std::int32_t needed,
                    DealAction action, MessageFacts& facts,
                    String& limit) const;
  // Sends `text` to `lagger`, with its placeholders replaced by the facts
  // of the check when placeholders are on.
  void sendToLagger(const Player* lagger, const String& laggerName,
                    const char* text, const Judgement& judgement,
                    std::int32_t strikes, std::int32_t needed,
                    DealAction action);
  // The ping limit `limit` with `extraMs` added, without overflow.
  static std::int32_t withAllowance(std::int32_t limit, std::int32_t extraMs);
  // Listed players in a ship.
  std::int32_t countInShips() const;
  // The commands of staff only; false when `command` is none of them.
  bool onStaffCommand(const Player* caller, const Command* command);
  // "!lagcheck NAME": every listed player of that name is asked, at once
  // or in the queue's turn.
  void onCheckCommand(const Player* caller, const Command* command);
  // "!lagme": the caller checks themselves.
  void onCheckMeCommand(const Player* caller);
  // "!laglimits": the limits in force, the caller's allowance and
  // countdown; for staff the arena and population sections in force.
  void onLimitsCommand(const Player* caller);
  // "!lagallow": list, grant or take back an allowance.
  void onAllowCommand(const Player* caller, const Command* command);
  // After a setting may have switched ordered checks on or off: the checks
  // waiting are dropped with a notice, or the checks without the queue
  // still out are awaited by the watch.
  void orderingSwitched(bool wasOrdered);
  // "!lagwatch" and "!laghistory", for staff.
  void onWatchCommand(const Player* caller, const Command* command);
  // "!lagwhy [NAME]": a player about themselves, staff about anyone.
  void onWhyCommand(const Player* caller, const Command* command);
  // A manual check of `target` over a limit that the quorum holds: the
  // arena hears why nobody is dealt with ("sayholds=1").
  void sayQuorumHold(const String& target);
  // How many listed players have this name, letter case ignored.
  std::size_t countListed(const char* name) const;
};

// The texts of the seven figures of the last lag line, in the line's order.
inline constexpr String botInfo::*kFigureTexts[] = {
    &botInfo::currentPingText,   &botInfo::averagePingText,
    &botInfo::lowPingText,       &botInfo::highPingText,
    &botInfo::s2cLossText,       &botInfo::c2sLossText,
    &botInfo::s2cWeaponsLossText};

#endif  // TARVOK_SPAWN_SPAWN_H_
