// The event codes a bot instance acts on; it ignores every other code.
//
// `talk` tests this before it looks the bot's instance up, and onEvent
// before its dispatch: most codes are ignored, and some (moves, weapons)
// come many times a second. A code beyond the last event code is never
// handled. Codes are compared as 32 bits: on a 64-bit build the high half
// of the word is not part of the code.
#ifndef TARVOK_SPAWN_HANDLED_EVENTS_H_
#define TARVOK_SPAWN_HANDLED_EVENTS_H_

#include <cstdint>

#include "host/bot_event.h"

constexpr std::uint64_t kHandledEvents =
    1ull << EVENT_Init | 1ull << EVENT_Term | 1ull << EVENT_Tick |
    1ull << EVENT_ArenaLeave | 1ull << EVENT_PlayerLeaving |
    1ull << EVENT_Chat | 1ull << EVENT_LocalCommand | 1ull << EVENT_LocalHelp;

inline bool isHandledEvent(std::uint32_t code) {
  return code <= kLastEventCode && ((kHandledEvents >> code) & 1u) != 0;
}

#endif  // TARVOK_SPAWN_HANDLED_EVENTS_H_
