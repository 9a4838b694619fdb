// Construction of a bot instance and the routing of its events.
#include <cstdint>
#include <iterator>

#include "spawn/config_keys.h"
#include "spawn/handled_events.h"
#include "spawn/spawn.h"
#include "util/player.h"

botInfo::botInfo(CALL_HANDLE handle)
    : dead(0),
      handle(handle),
      hostCallback(nullptr),
      playerList(nullptr),
      hostF(0),
      hostMap(0),
      hostB(0),
      currentPingLimit(configDefault(ConfigField::currentPingLimit)),
      averagePingLimit(configDefault(ConfigField::averagePingLimit)),
      s2cLossLimit(configDefault(ConfigField::s2cLossLimit)),
      c2sLossLimit(configDefault(ConfigField::c2sLossLimit)),
      s2cWeaponsLossLimit(configDefault(ConfigField::s2cWeaponsLossLimit)),
      currentPing(0),
      averagePing(0),
      lowPing(0),
      highPing(0),
      s2cLoss(0),
      c2sLoss(0),
      s2cWeaponsLoss(0),
      displayMode(configDefault(ConfigField::displayMode)),
      dealMode(configDefault(ConfigField::dealMode)),
      laggerFound(0),
      maxCheckRate(configDefault(ConfigField::maxCheckRate)),
      watchOn(0),
      fairKeysRead(0) {
  setExtraDefaults();
}

const _linkedlist<Player>* BotWatchHost::listedPlayers() const {
  return bot_.playerList;
}

void BotWatchHost::sendPrivate(const Player* player, const char* text) {
  bot_.sendPrivate(player, text);
}

void BotWatchHost::giveBackCountdown(const Player* asker) {
  if (bot_.lookupTag(asker, 0) >= 0) bot_.storeTag(asker, 0, -1);
}

FigureTexts botInfo::figureTexts() const {
  FigureTexts figures;
  for (std::size_t i = 0; i < std::size(kFigureTexts); ++i) {
    figures.texts[i] = &(this->*kFigureTexts[i]);
  }
  return figures;
}

botInfo::~botInfo() {
  countArenaSectionReader(arena.sectionsInFile != 0, false);
}

void botInfo::onEvent(BotEvent& event) {
  if (dead) return;
  const std::uint32_t code = unsignedOf(event.code);
  if (!isHandledEvent(code)) return;
  switch (code) {
    case EVENT_Init:
      hostCallback = reinterpret_cast<CALL_COMMAND>(event.p[1]);
      playerList = pointerOf<_linkedlist<Player>>(event.p[2]);
      hostF = event.p[3];
      hostMap = event.p[4];
      hostB = event.p[5];
      handshake(unsignedOf(event.p[0]));
      return;
    case EVENT_Term:
      sendEcho("DLL plugin disconnected.");
      lagLog.disconnected();
      return;
    case EVENT_Tick:
      tick();
      return;
    case EVENT_ArenaEnter:
      enterArena(pointerOf<const char>(event.p[0]));
      return;
    case EVENT_ArenaLeave:
      clearTags();
      watch.leaveArena();
      lagLog.appendPresence(*this, Presence::ArenaLeft, nullptr);
      return;
    // Arrivals and ship changes matter only to the lag log.
    case EVENT_PlayerEntering:
      lagLog.appendPresence(*this, Presence::Arrived,
                            pointerOf<const Player>(event.p[0]));
      return;
    case EVENT_PlayerShip:
      lagLog.appendPresence(*this, Presence::Ship,
                            pointerOf<const Player>(event.p[0]));
      return;
    case EVENT_PlayerLeaving:
      removeTagsOf(pointerOf<const Player>(event.p[0]));
      watch.forget(pointerOf<const Player>(event.p[0]),
                   watchSettings.memorySeconds);
      lagLog.appendPresence(*this, Presence::Left,
                            pointerOf<const Player>(event.p[0]));
      return;
    case EVENT_Chat:
      // Lag lines come from the server as chat type 0.
      if (unsignedOf(event.p[0]) == 0) {
        handleLagReport(pointerOf<const char>(event.p[3]));
      }
      return;
    case EVENT_LocalCommand:
      onCommand(pointerOf<const Player>(event.p[0]),
                pointerOf<const Command>(event.p[1]));
      return;
    case EVENT_LocalHelp:
      onHelp(pointerOf<const Player>(event.p[0]),
             pointerOf<const Command>(event.p[1]));
      return;
  }
}

void botInfo::handshake(std::uint32_t version) {
  const std::uint32_t major = version >> 16;
  const std::uint32_t minor = version & 0xFFFFu;
  if (major > 6) {
    sendEcho("DLL plugin cannot connect.  This plugin is out of date.");
    dead = 1;
    return;
  }
  if (major < 6 || minor < 5) {
    sendEcho(
        "DLL plugin cannot connect.  This plugin requires the latest version "
        "of Corvane.");
    dead = 1;
    return;
  }
  sendEcho("DLL plugin connected.");
  // A new connection may bring a new player list: nothing the watch knew of
  // the old one carries over.
  watch.clear();
  notifier.clear();
  lagLog.connected();
  const bool wasOrdered = watchSettings.ordered();
  loadConfig();
  orderingSwitched(wasOrdered);
  lagLog.appendPresence(*this, Presence::Connected, nullptr);
}

// One second passes: every listed player's countdown goes down by one, and a
// player without one gets -1; timed allowances come nearer their end. A countdown stops at the lowest value instead
// of wrapping round to a wait of 68 years.
void botInfo::tick() {
  lagLog.tick();
  allowances.tick();
  notifier.tick(*this);
  if (playerList == nullptr) return;
  // Every listed player's countdown goes down by one; a player without one
  // had 0.
  std::size_t position = 0;
  for (_listnode<Player>* node = playerList->head; node != nullptr;
       node = node->next, ++position) {
    PlayerTag* tag = tagIndex.findInWalk(position, node->item);
    if (tag == nullptr) {
      storeTag(node->item, 0, -1);
    } else if (tag->secondsLeft != INT32_MIN) {
      --tag->secondsLeft;
    }
  }
  // A query out when the bot entered an arena without the watch is still
  // given up in time.
  if (watchOn || watch.awaitingAnswer()) {
    watch.tick(watchHost_, watchSettings);
  }
}
