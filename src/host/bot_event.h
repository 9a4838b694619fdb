// The boundary between the host bot and the plug-in, whole.
//
// The host loads the library and calls `talk` once for every event of every
// bot it runs. An event is a BotEvent: the bot's handle, an event code and six
// parameter words. The plug-in answers through the callback that the Init
// event carries, with records of the same layout holding a command code.
// Pointers inside a record belong to the side that made it and are valid only
// during the call that carries it.
//
// Every word is std::uintptr_t: 32 bits on a 32-bit build, the host's layout,
// and pointer-sized on a 64-bit build, where a pointer would not fit. Integers
// sit zero-extended from 32 bits, 8-bit and 16-bit values zero-extended in the
// low bits; unused words are 0.
#ifndef TARVOK_HOST_BOT_EVENT_H_
#define TARVOK_HOST_BOT_EVENT_H_

#include <cstdint>

#include "host/calling_convention.h"
#include "host/linked_list.h"

struct Player;

struct BotEvent {
  std::uintptr_t handle;
  std::uintptr_t code;
  std::uintptr_t p[6];
};

typedef std::uintptr_t CALL_HANDLE;
typedef void(TARVOK_STDCALL* CALL_COMMAND)(BotEvent& command);
typedef _linkedlist<Player>* CALL_PLIST;
typedef const void* CALL_MAP;

// The interface version this plug-in was written for: major 6, minor 5.
constexpr std::uint32_t kHostInterfaceVersion = 0x00060005;

// Host to plug-in. Codes 40 and 41 exist but have no name.
enum EventCode : std::uint32_t {
  EVENT_Init = 0,
  EVENT_Term = 1,
  EVENT_Tick = 2,
  EVENT_ArenaEnter = 3,
  EVENT_ArenaSettings = 4,
  EVENT_ArenaLeave = 5,
  EVENT_ArenaListEntry = 6,
  EVENT_ArenaListEnd = 7,
  EVENT_CreateTurret = 8,
  EVENT_DeleteTurret = 9,
  EVENT_PlayerEntering = 10,
  EVENT_PlayerMove = 11,
  EVENT_PlayerDeath = 12,
  EVENT_PlayerScore = 13,
  EVENT_PlayerPrize = 14,
  EVENT_PlayerShip = 15,
  EVENT_PlayerSpec = 16,
  EVENT_PlayerTeam = 17,
  EVENT_PlayerLeaving = 18,
  EVENT_Chat = 19,
  EVENT_LocalCommand = 20,
  EVENT_LocalHelp = 21,
  EVENT_RemoteCommand = 22,
  EVENT_RemoteHelp = 23,
  EVENT_FlagGrab = 24,
  EVENT_FlagDrop = 25,
  EVENT_FlagMove = 26,
  EVENT_FlagVictory = 27,
  EVENT_FlagReward = 28,
  EVENT_TimedGameOver = 29,
  EVENT_SoccerGoal = 30,
  EVENT_File = 31,
  EVENT_BallMove = 32,
  EVENT_SelfShipReset = 33,
  EVENT_SelfPrize = 34,
  EVENT_SelfUFO = 35,
  EVENT_PlayerWeapon = 36,
  EVENT_PositionHook = 37,
  EVENT_ObjectToggled = 38,
  EVENT_BrickDropped = 39,
};
constexpr std::uint32_t kLastEventCode = EVENT_BrickDropped;

// Plug-in to host. The host defines codes 0 to 18; the plug-in sends 0 and 1.
enum CommandCode : std::uint32_t {
  COMMAND_Echo = 0,      // p[0]: text
  COMMAND_SendChat = 1,  // p[0]: chat type, p[1]: s, p[2]: target, p[3]: text
};

// Kinds of SendChat. The plug-in sends 2 (to no player) and 5 (private).
enum ChatType : std::uint32_t {
  CHAT_Public = 2,
  CHAT_Private = 5,
};

// Reading and writing parameter words.
inline std::uintptr_t wordOf(const void* pointer) {
  return reinterpret_cast<std::uintptr_t>(pointer);
}
inline std::uintptr_t wordOf(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}
inline std::uintptr_t wordOf(std::uint32_t value) { return value; }
inline std::int32_t intOf(std::uintptr_t word) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(word));
}
inline std::uint32_t unsignedOf(std::uintptr_t word) {
  return static_cast<std::uint32_t>(word);
}
template <class T>
T* pointerOf(std::uintptr_t word) {
  return reinterpret_cast<T*>(word);
}

// The library's only export.
TARVOK_EXPORT void TARVOK_STDCALL talk(BotEvent& event);

#endif  // TARVOK_HOST_BOT_EVENT_H_
