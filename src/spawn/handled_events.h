// The event codes a bot instance acts on; it ignores every other code.
//
// `talk` tests this before it looks the bot's instance up, and onEvent
// before its dispatch: most codes are ignored, and some (moves, weapons)
// come many times a second. A code beyond the last event code is never
// handled. Codes are compared as 32 bits: on a 64-bit build the high half
// of the word is not part of the code.
//
// ArenaEnter is handled only while some bot of the process has read a
// tarvok.ini with arena sections: only then does a bot need its arena's
// name, and without sections ArenaEnter costs what every ignored event
// costs.
#ifndef TARVOK_SPAWN_HANDLED_EVENTS_H_
#define TARVOK_SPAWN_HANDLED_EVENTS_H_

#include <cstdint>

#include "host/bot_event.h"

// Every handled code is below 32, so the mask is one 32-bit word: a 64-bit
// shift costs a 32-bit target (the host's) several instructions.
constexpr std::uint32_t kHandledEvents =
    1u << EVENT_Init | 1u << EVENT_Term | 1u << EVENT_Tick |
    1u << EVENT_ArenaLeave | 1u << EVENT_PlayerEntering |
    1u << EVENT_PlayerLeaving | 1u << EVENT_PlayerShip | 1u << EVENT_Chat |
    1u << EVENT_LocalCommand | 1u << EVENT_LocalHelp;
static_assert(EVENT_LocalHelp < 32, "the highest handled code fits the mask");

// kHandledEvents, with ArenaEnter while a bot reads arena sections.
extern std::uint32_t handledEventMask;

// A bot's last read of tarvok.ini found arena sections (`now`) or not;
// `before` is what its read before found. Each bot counts once.
void countArenaSectionReader(bool before, bool now);

inline bool isHandledEvent(std::uint32_t code) {
  return code < 32 && ((handledEventMask >> code) & 1u) != 0;
}

#endif  // TARVOK_SPAWN_HANDLED_EVENTS_H_
