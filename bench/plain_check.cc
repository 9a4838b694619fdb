#include "plain_check.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "util/command.h"
#include "util/player.h"

namespace {

enum { NAME_SIZE = 20, TARGET_SIZE = 256, FIGURE_SIZE = 16, TAG_COUNT = 256 };

struct Tag {
  const Player* player;
  int secondsLeft;
};

CALL_COMMAND callback;
uintptr_t handle;
_linkedlist<Player>* players;
Tag tags[TAG_COUNT];
int tagCount;
char target[TARGET_SIZE];
char requester[NAME_SIZE + 1];
char figures[7][FIGURE_SIZE];
char message[512];

const int pingLimit = 300, averageLimit = 300, lossLimit = 2;
const int checkRate = 600;
const char lockMessage[] = "*warn Moved to spectator mode";

void sendChat(unsigned type, unsigned ident, const char* text) {
  BotEvent record;
  memset(&record, 0, sizeof record);
  record.handle = handle;
  record.code = COMMAND_SendChat;
  record.p[0] = type;
  record.p[2] = ident;
  record.p[3] = (uintptr_t)text;
  callback(record);
}

int sameName(const Player* player, const char* name, size_t length) {
  return length <= NAME_SIZE && strncasecmp(player->name, name, NAME_SIZE) == 0;
}

void storeTag(const Player* player, int seconds) {
  for (int i = 0; i < tagCount; ++i) {
    if (tags[i].player == player) {
      tags[i].secondsLeft = seconds;
      return;
    }
  }
  if (tagCount == TAG_COUNT) return;
  tags[tagCount].player = player;
  tags[tagCount].secondsLeft = seconds;
  ++tagCount;
}

void onCommand(const Player* caller, const Command* command) {
  const char* name = command->commandName;
  if (caller->accessLevel > OP_God) return;
  if (caller->accessLevel >= OP_SuperModerator) {
    if (strcmp(name, "version") == 0 || strcmp(name, "lagdisplay") == 0 ||
        strcmp(name, "laggerdeal") == 0 || strcmp(name, "laglimitset") == 0 ||
        strcmp(name, "lagtimelimit") == 0) {
      return;
    }
  }
  if (strcmp(name, "about") == 0 || strcmp(name, "absoluteversion") == 0 ||
      strcmp(name, "lagcheck") != 0) {
    return;
  }
  storeTag(caller, checkRate);
  sendChat(CHAT_Private, caller->ident, "Checking player's lag");
  snprintf(target, sizeof target, "%s", command->parameterText);
  snprintf(requester, sizeof requester, "%.*s", NAME_SIZE, caller->name);
  const size_t length = strlen(target);
  for (const _listnode<Player>* node = players->head; node; node = node->next) {
    if (!sameName(node->item, target, length)) continue;
    snprintf(message, sizeof message, "%s has requested to check your lag",
             requester);
    sendChat(CHAT_Private, node->item->ident, message);
    sendChat(CHAT_Private, node->item->ident, "*lag");
  }
}

// Copies the figure after the next ':' up to `end`, without blanks around
// it; returns where the figure ended, or NULL.
const char* cutFigure(const char* line, char end, char* figure) {
  const char* start = strchr(line, ':');
  if (start == NULL) return NULL;
  ++start;
  while (*start == ' ') ++start;
  const char* stop = start;
  while (*stop != '\0' && *stop != end) ++stop;
  const char* last = stop;
  while (last > start && last[-1] == ' ') --last;
  size_t length = (size_t)(last - start);
  if (length >= FIGURE_SIZE) length = FIGURE_SIZE - 1;
  memcpy(figure, start, length);
  figure[length] = '\0';
  return stop;
}

void lagger(const char* tail, int limit) {
  snprintf(message, sizeof message, "*arena%s is lagging with %d%s", target,
           limit, tail);
  sendChat(CHAT_Public, 0, message);
}

void negativeLoss(const char* tail) {
  snprintf(message, sizeof message, "*arena%s is lagging with %s", target,
           tail);
  sendChat(CHAT_Public, 0, message);
}

void onLagLine(const char* line) {
  if (strncasecmp(line, "ping", 4) != 0 || (line[4] != ' ' && line[4] != '\0'))
    return;
  static const char ends[7] = {' ', ' ', ' ', ' ', '%', '%', '%'};
  line += 4;
  for (int i = 0; i < 7; ++i) {
    line = cutFigure(line, ends[i], figures[i]);
    if (line == NULL) return;
  }
  snprintf(message, sizeof message,
           "*arena [%s]  C: %s  Avg: %s  L: %s  H: %s  S2C: %s  C2S: %s  "
           "S2CW: %s",
           target, figures[0], figures[1], figures[2], figures[3], figures[4],
           figures[5], figures[6]);
  sendChat(CHAT_Public, 0, message);

  const int current = atoi(figures[0]), average = atoi(figures[1]);
  const int s2c = atoi(figures[4]), c2s = atoi(figures[5]);
  const int weapons = atoi(figures[6]);
  int lagging = 0;
  if (current >= pingLimit) lagger("+ PING Current", pingLimit), lagging = 1;
  if (average >= averageLimit) lagger("+ PING Average", averageLimit), lagging = 1;
  if (s2c >= lossLimit) lagger("%+ S2CPloss", lossLimit), lagging = 1;
  if (c2s >= lossLimit) lagger("%+ C2SPloss", lossLimit), lagging = 1;
  if (weapons >= lossLimit) lagger("%+ S2CWeapons", lossLimit), lagging = 1;
  if (s2c < -2) negativeLoss("negative S2CPloss"), lagging = 1;
  if (c2s < -2) negativeLoss("negative C2SPloss"), lagging = 1;
  if (weapons < -2) negativeLoss("negative S2CWeapons ploss"), lagging = 1;
  if (lagging) {
    const size_t length = strlen(target);
    for (const _listnode<Player>* node = players->head; node;
         node = node->next) {
      if (!sameName(node->item, target, length)) continue;
      sendChat(CHAT_Private, node->item->ident, lockMessage);
      if (node->item->ship != kSpectatorShip)
        sendChat(CHAT_Private, node->item->ident, "*spec");
    }
  }
  target[0] = '\0';
  requester[0] = '\0';
}

}  // namespace

void TARVOK_STDCALL plainCheckTalk(BotEvent& event) {
  switch (event.code) {
    case EVENT_Init:
      handle = event.handle;
      callback = (CALL_COMMAND)event.p[1];
      players = (_linkedlist<Player>*)event.p[2];
      return;
    case EVENT_LocalCommand:
      onCommand((const Player*)event.p[0], (const Command*)event.p[1]);
      return;
    case EVENT_Chat:
      if (event.p[0] == 0) onLagLine((const char*)event.p[3]);
      return;
  }
}
