// Placeholders of the messages sent to laggers and to staff
// ("placeholders=1" in tarvok.ini): a word between braces, such as "{name}" or "{current}",
// stands for a fact of the check the message is about. A placeholder is a
// '{', one to kLongestPlaceholder letters, and a '}'; letter case is
// ignored ("{NAME}" is "{name}"). Anything else with braces is plain text.
//
// Header-only, so that host-side tools (check-ini) find the placeholders
// of a message exactly as the plug-in does.
#ifndef TARVOK_SPAWN_PLACEHOLDER_NAMES_H_
#define TARVOK_SPAWN_PLACEHOLDER_NAMES_H_

#include <cstddef>
#include <cstdint>

// What a placeholder stands for.
enum class Placeholder : std::uint8_t {
  Name,        // the player, as the report names them
  Current,     // the seven figures, as the server wrote them
  Average,
  Low,
  High,
  S2c,
  C2s,
  S2cWeapons,
  Limit,       // the first limit reached, with the player's allowance
  LimitName,   // what that limit is about, as the lagger line says it
  Strikes,     // the player's strikes, this check's included
  MaxStrikes,  // the strikes that deal with a player
  Action,      // what the dealing did: "warned", "spectated" ("none")
  Allowance,   // the player's allowance in ms, 0 for none
  Seconds,     // the seconds the run of strikes took (staff's line only)
  Unknown,     // a word between braces that names nothing
};

constexpr std::size_t kLongestPlaceholder = 16;

struct PlaceholderName {
  const char* word;
  Placeholder meaning;
};

constexpr PlaceholderName kPlaceholderNames[] = {
    {"name", Placeholder::Name},
    {"current", Placeholder::Current},
    {"average", Placeholder::Average},
    {"low", Placeholder::Low},
    {"high", Placeholder::High},
    {"s2c", Placeholder::S2c},
    {"c2s", Placeholder::C2s},
    {"s2cweapons", Placeholder::S2cWeapons},
    {"limit", Placeholder::Limit},
    {"limitname", Placeholder::LimitName},
    {"strikes", Placeholder::Strikes},
    {"maxstrikes", Placeholder::MaxStrikes},
    {"action", Placeholder::Action},
    {"allowance", Placeholder::Allowance},
    {"seconds", Placeholder::Seconds},
};

// True when a message to a lagger (WarnMessage, LockMessage,
// StrikeMessage) knows what `meaning` stands for; staff's line
// (NotifyMessage) knows every placeholder.
constexpr bool knownToLaggers(Placeholder meaning) {
  return meaning != Placeholder::Seconds && meaning != Placeholder::Unknown;
}

// One placeholder found in a text: its bytes, braces included.
struct PlaceholderFound {
  std::size_t start = 0;
  std::size_t length = 0;
  Placeholder meaning = Placeholder::Unknown;
};

namespace placeholder_detail {

constexpr char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr bool isWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= '0' && c <= '9');
}

}  // namespace placeholder_detail

// The first placeholder of `text` at or after `from`; false when none.
inline bool findPlaceholder(const char* text, std::size_t from,
                            PlaceholderFound* found) {
  using placeholder_detail::isWordByte;
  using placeholder_detail::lower;
  for (std::size_t open = from; text[open] != '\0'; ++open) {
    if (text[open] != '{') continue;
    std::size_t end = open + 1;
    while (isWordByte(text[end]) && end - open <= kLongestPlaceholder) ++end;
    const std::size_t wordLength = end - open - 1;
    if (text[end] != '}' || wordLength == 0 ||
        wordLength > kLongestPlaceholder) {
      continue;
    }
    found->start = open;
    found->length = wordLength + 2;
    found->meaning = Placeholder::Unknown;
    for (const PlaceholderName& name : kPlaceholderNames) {
      std::size_t i = 0;
      while (i < wordLength && name.word[i] != '\0' &&
             lower(text[open + 1 + i]) == name.word[i]) {
        ++i;
      }
      if (i == wordLength && name.word[i] == '\0') {
        found->meaning = name.meaning;
        break;
      }
    }
    return true;
  }
  return false;
}

#endif  // TARVOK_SPAWN_PLACEHOLDER_NAMES_H_
