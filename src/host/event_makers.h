// The host interface's record makers: one per named event code and one per
// command the plug-in sends. Each clears the record, sets the code and puts
// its parameters into p[0], p[1], ... in order; the handle is left 0 for the
// sender to fill in. Hosts and tests build their events with these.
#ifndef TARVOK_HOST_EVENT_MAKERS_H_
#define TARVOK_HOST_EVENT_MAKERS_H_

#include <cstdint>
#include <initializer_list>

#include "host/bot_event.h"

struct Command;

inline BotEvent makeRecord(std::uint32_t code,
                           std::initializer_list<std::uintptr_t> words) {
  BotEvent record = {0, code, {0, 0, 0, 0, 0, 0}};
  int index = 0;
  for (std::uintptr_t word : words) record.p[index++] = word;
  return record;
}

inline std::uintptr_t low8(std::uint32_t value) { return value & 0xFFu; }
inline std::uintptr_t low16(std::uint32_t value) { return value & 0xFFFFu; }

inline BotEvent makeInit(std::uint32_t version, CALL_COMMAND c, CALL_PLIST p,
                         const void* f, CALL_MAP m, const void* b) {
  return makeRecord(EVENT_Init,
                    {wordOf(version), wordOf(reinterpret_cast<const void*>(c)),
                     wordOf(p), wordOf(f), wordOf(m), wordOf(b)});
}
inline BotEvent makeTerm() { return makeRecord(EVENT_Term, {}); }
inline BotEvent makeTick() { return makeRecord(EVENT_Tick, {}); }
inline BotEvent makeArenaEnter(const char* name, const Player* me,
                               std::uint32_t biller) {
  return makeRecord(EVENT_ArenaEnter, {wordOf(name), wordOf(me), low8(biller)});
}
inline BotEvent makeArenaSettings(const void* settings) {
  return makeRecord(EVENT_ArenaSettings, {wordOf(settings)});
}
inline BotEvent makeArenaLeave() { return makeRecord(EVENT_ArenaLeave, {}); }
inline BotEvent makeArenaListEntry(const char* name, std::uint32_t current,
                                   std::int32_t population) {
  return makeRecord(EVENT_ArenaListEntry,
                    {wordOf(name), low8(current), wordOf(population)});
}
inline BotEvent makeArenaListEnd(const char* name, std::uint32_t current,
                                 std::int32_t population) {
  return makeRecord(EVENT_ArenaListEnd,
                    {wordOf(name), low8(current), wordOf(population)});
}
inline BotEvent makeCreateTurret(const Player* turreter,
                                 const Player* turretee) {
  return makeRecord(EVENT_CreateTurret, {wordOf(turreter), wordOf(turretee)});
}
inline BotEvent makeDeleteTurret(const Player* turreter,
                                 const Player* turretee) {
  return makeRecord(EVENT_DeleteTurret, {wordOf(turreter), wordOf(turretee)});
}
inline BotEvent makePlayerEntering(const Player* p) {
  return makeRecord(EVENT_PlayerEntering, {wordOf(p)});
}
inline BotEvent makePlayerMove(const Player* p) {
  return makeRecord(EVENT_PlayerMove, {wordOf(p)});
}
inline BotEvent makePlayerDeath(const Player* p, const Player* k,
                                std::uint32_t bounty) {
  return makeRecord(EVENT_PlayerDeath, {wordOf(p), wordOf(k), low16(bounty)});
}
inline BotEvent makePlayerScore(const Player* p) {
  return makeRecord(EVENT_PlayerScore, {wordOf(p)});
}
inline BotEvent makePlayerPrize(const Player* p, std::int32_t prize) {
  return makeRecord(EVENT_PlayerPrize, {wordOf(p), wordOf(prize)});
}
inline BotEvent makePlayerShip(const Player* p, std::uint32_t oldship,
                               std::uint32_t oldteam) {
  return makeRecord(EVENT_PlayerShip,
                    {wordOf(p), low16(oldship), low16(oldteam)});
}
inline BotEvent makePlayerSpec(const Player* p, std::uint32_t oldteam,
                               std::uint32_t oldship) {
  return makeRecord(EVENT_PlayerSpec,
                    {wordOf(p), low16(oldteam), low16(oldship)});
}
inline BotEvent makePlayerTeam(const Player* p, std::uint32_t oldteam,
                               std::uint32_t oldship) {
  return makeRecord(EVENT_PlayerTeam,
                    {wordOf(p), low16(oldteam), low16(oldship)});
}
inline BotEvent makePlayerLeaving(const Player* p) {
  return makeRecord(EVENT_PlayerLeaving, {wordOf(p)});
}
inline BotEvent makeChat(std::int32_t t, std::int32_t s, const Player* p,
                         const char* m) {
  return makeRecord(EVENT_Chat, {wordOf(t), wordOf(s), wordOf(p), wordOf(m)});
}
inline BotEvent makeLocalCommand(const Player* p, const Command* c) {
  return makeRecord(EVENT_LocalCommand, {wordOf(p), wordOf(c)});
}
inline BotEvent makeLocalHelp(const Player* p, const Command* c) {
  return makeRecord(EVENT_LocalHelp, {wordOf(p), wordOf(c)});
}
inline BotEvent makeRemoteCommand(const char* p, const Command* c,
                                  std::int32_t o) {
  return makeRecord(EVENT_RemoteCommand, {wordOf(p), wordOf(c), wordOf(o)});
}
inline BotEvent makeRemoteHelp(const char* p, const Command* c,
                               std::int32_t o) {
  return makeRecord(EVENT_RemoteHelp, {wordOf(p), wordOf(c), wordOf(o)});
}
inline BotEvent makeFlagGrab(const Player* p, const void* f) {
  return makeRecord(EVENT_FlagGrab, {wordOf(p), wordOf(f)});
}
inline BotEvent makeFlagDrop(const Player* p) {
  return makeRecord(EVENT_FlagDrop, {wordOf(p)});
}
inline BotEvent makeFlagMove(const void* f) {
  return makeRecord(EVENT_FlagMove, {wordOf(f)});
}
inline BotEvent makeFlagVictory(std::int32_t team, std::int32_t points) {
  return makeRecord(EVENT_FlagVictory, {wordOf(team), wordOf(points)});
}
inline BotEvent makeFlagReward(std::int32_t team, std::int32_t points) {
  return makeRecord(EVENT_FlagReward, {wordOf(team), wordOf(points)});
}
inline BotEvent makeTimedGameOver(const Player* p1, const Player* p2,
                                  const Player* p3, const Player* p4,
                                  const Player* p5) {
  return makeRecord(EVENT_TimedGameOver, {wordOf(p1), wordOf(p2), wordOf(p3),
                                          wordOf(p4), wordOf(p5)});
}
inline BotEvent makeSoccerGoal(std::int32_t team, std::int32_t points) {
  return makeRecord(EVENT_SoccerGoal, {wordOf(team), wordOf(points)});
}
inline BotEvent makeFile(const char* name) {
  return makeRecord(EVENT_File, {wordOf(name)});
}
inline BotEvent makeBallMove(const void* pb) {
  return makeRecord(EVENT_BallMove, {wordOf(pb)});
}
inline BotEvent makeSelfShipReset() {
  return makeRecord(EVENT_SelfShipReset, {});
}
inline BotEvent makeSelfPrize(std::uint32_t prize, std::uint32_t count) {
  return makeRecord(EVENT_SelfPrize, {low16(prize), low16(count)});
}
inline BotEvent makeSelfUFO() { return makeRecord(EVENT_SelfUFO, {}); }
inline BotEvent makePlayerWeapon(const Player* p, std::uint32_t wi) {
  return makeRecord(EVENT_PlayerWeapon, {wordOf(p), low16(wi)});
}
inline BotEvent makePositionHook() {
  return makeRecord(EVENT_PositionHook, {});
}
inline BotEvent makeObjectToggled(std::uint32_t obj_n) {
  return makeRecord(EVENT_ObjectToggled, {low16(obj_n)});
}
inline BotEvent makeBrickDropped(std::int32_t x1, std::int32_t y1,
                                 std::int32_t x2, std::int32_t y2,
                                 std::int32_t team) {
  return makeRecord(EVENT_BrickDropped, {wordOf(x1), wordOf(y1), wordOf(x2),
                                         wordOf(y2), wordOf(team)});
}

inline BotEvent makeEcho(const char* text) {
  return makeRecord(COMMAND_Echo, {wordOf(text)});
}
inline BotEvent makeSendChat(std::uint32_t type, std::uint32_t s,
                             std::uint32_t target, const char* text) {
  return makeRecord(COMMAND_SendChat,
                    {wordOf(type), low8(s), low16(target), wordOf(text)});
}

#endif  // TARVOK_HOST_EVENT_MAKERS_H_
