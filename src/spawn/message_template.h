// MessageTemplate: a message to a lagger with its placeholders
// (placeholder_names.h) replaced by the facts of the check it is about.
//
// A known placeholder becomes its fact; an unknown one, or one whose fact is
// not known where the message is sent, stays as typed, so that an operator
// sees it in the message and check-ini names it. The
// result is at most kLongestMessage bytes, as long as a line of tarvok.ini
// can make a message: a longer one is cut there. Each figure is put in as
// at most kLongestFact bytes.
#ifndef TARVOK_SPAWN_MESSAGE_TEMPLATE_H_
#define TARVOK_SPAWN_MESSAGE_TEMPLATE_H_

#include <cstddef>
#include <cstdint>

#include "spawn/config_keys.h"
#include "util/string.h"

// The keys that shape what laggers and staff are told (config_keys.h):
// with placeholders on, "{name}" and the like are replaced. An empty
// message is the built-in one.
struct MessageSettings {
  std::int32_t placeholders = configDefault(ConfigField::placeholders);
  String strikeMessage;
  String notifyMessage;  // staff's line of a dealing (lag_notifier.h)
};

// The facts a message may name; texts are never null.
struct MessageFacts {
  const char* name = "";
  // The seven figures, in the lag line's order.
  const char* figures[7] = {"", "", "", "", "", "", ""};
  const char* limit = "";      // the first limit reached, "" for none
  const char* limitName = "";  // "PING Current", ..., "negative S2CPloss"
  std::int32_t strikes = 0;
  std::int32_t maxStrikes = 0;
  const char* action = "";  // as the lag log names it
  std::int32_t allowanceMs = 0;
  // The seconds of the run of strikes; below 0 where not known yet (the
  // messages to laggers): "{seconds}" then stays as typed.
  std::int32_t streakSeconds = -1;
};

class MessageTemplate {
 public:
  // "*warn " and a line of tarvok.ini.
  static constexpr std::size_t kLongestMessage = 6 + 255;
  static constexpr std::size_t kLongestFact = 24;

  // `text` with its placeholders replaced, into `out` (never `text`
  // itself).
  static void expand(const char* text, const MessageFacts& facts,
                     String& out);
};

#endif  // TARVOK_SPAWN_MESSAGE_TEMPLATE_H_
