// The single path by which the plug-in talks back to the host.
#include "host/event_makers.h"
#include "spawn/spawn.h"
#include "util/player.h"

void botInfo::sendToHost(BotEvent& record) {
  if (hostCallback == nullptr || handle == 0) return;
  record.handle = handle;
  hostCallback(record);
}

void botInfo::sendEcho(const char* text) {
  BotEvent record = makeEcho(text);
  sendToHost(record);
}

void botInfo::sendPublic(const char* text) {
  BotEvent record = makeSendChat(CHAT_Public, 0, 0, text);
  sendToHost(record);
}

void botInfo::sendPrivate(const Player* player, const char* text) {
  BotEvent record = makeSendChat(CHAT_Private, 0, player->ident, text);
  sendToHost(record);
}
