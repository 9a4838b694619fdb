// The text of a lag allowance, as "tarvok.ini" and "!lagallow" write it:
//   allow=NAME +MS               (tarvok.ini; the key may stand many times)
//   !lagallow NAME +MS [HOURS]   (staff, live)
//   !lagallow NAME 0             (takes it back)
// NAME is a player's name, blanks inside allowed, compared ignoring letter
// case; MS the milliseconds added to that player's ping limits, written with
// its '+'; HOURS how long a live allowance lasts. The words are read from the
// end, so a name may hold blanks. The one reader of these texts: the
// plug-in's file reading, its command and check-ini all use it.
#ifndef TARVOK_SPAWN_ALLOWANCE_TEXT_H_
#define TARVOK_SPAWN_ALLOWANCE_TEXT_H_

#include <cstdint>

#include "util/text.h"

// The key of an allowance line; several lines may give it.
constexpr const char* kAllowKey = "allow=";
// A player's name is at most 20 bytes.
constexpr int kAllowanceNameSize = 21;
// The largest allowance and the longest live one.
constexpr std::int32_t kMostAllowanceMs = 100000;
constexpr std::int32_t kMostAllowanceHours = 8760;

enum class AllowanceFault : std::uint8_t {
  None,
  NoAmount,     // the last word is no "+MS" (nor "0")
  NoName,       // nothing stands before the amount
  LongName,     // the name has more than 20 bytes
  OutOfRange,   // MS above kMostAllowanceMs or HOURS outside 1..8760
};

struct AllowanceText {
  char name[kAllowanceNameSize] = "";
  std::int32_t extraMs = 0;  // 0: the allowance is taken back
  std::int32_t hours = 0;    // 0: none given
};

namespace allowance_text_detail {

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The last blank-separated word of text[0..end): sets `start` to it.
inline void lastWord(const char* text, std::uint32_t end,
                     std::uint32_t& start) {
  start = end;
  while (start > 0 && !isBlank(text[start - 1])) --start;
}

// Digits only, at most 9 of them (no overflow): their value, else -1.
inline std::int32_t digitsValue(const char* text, std::uint32_t start,
                                std::uint32_t end) {
  if (start == end || end - start > 9) return -1;
  std::int32_t value = 0;
  for (std::uint32_t i = start; i < end; ++i) {
    if (!isDigit(text[i])) return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

inline std::uint32_t trimEnd(const char* text, std::uint32_t end) {
  while (end > 0 && isBlank(text[end - 1])) --end;
  return end;
}

}  // namespace allowance_text_detail

// Reads "NAME +MS", "NAME 0" and, when `hoursAllowed`, "NAME +MS HOURS".
inline AllowanceFault readAllowanceText(const char* text, bool hoursAllowed,
                                        AllowanceText& out) {
  using namespace allowance_text_detail;
  out = AllowanceText{};
  std::uint32_t end = trimEnd(text, textLength(text));
  std::uint32_t start = 0;
  lastWord(text, end, start);
  if (hoursAllowed && start > 0) {
    // A plain number after a "+MS" word is the hours.
    std::uint32_t before = 0;
    const std::uint32_t beforeEnd = trimEnd(text, start);
    lastWord(text, beforeEnd, before);
    if (text[before] == '+' && digitsValue(text, start, end) >= 0) {
      out.hours = digitsValue(text, start, end);
      if (out.hours < 1 || out.hours > kMostAllowanceHours) {
        return AllowanceFault::OutOfRange;
      }
      end = beforeEnd;
      start = before;
    }
  }
  const bool plus = start < end && text[start] == '+';
  const std::int32_t amount = digitsValue(text, plus ? start + 1 : start, end);
  if (amount < 0 || (!plus && amount != 0)) return AllowanceFault::NoAmount;
  if (amount > kMostAllowanceMs) return AllowanceFault::OutOfRange;
  if (amount == 0 && out.hours != 0) return AllowanceFault::NoAmount;
  out.extraMs = amount;
  std::uint32_t nameStart = 0;
  while (nameStart < start && isBlank(text[nameStart])) ++nameStart;
  const std::uint32_t nameEnd = trimEnd(text, start);
  if (nameEnd <= nameStart) return AllowanceFault::NoName;
  if (nameEnd - nameStart >= kAllowanceNameSize) return AllowanceFault::LongName;
  for (std::uint32_t i = nameStart; i < nameEnd; ++i) {
    out.name[i - nameStart] = text[i];
  }
  out.name[nameEnd - nameStart] = '\0';
  return AllowanceFault::None;
}

// What is wrong, for check-ini and the command's reply.
inline const char* allowanceFaultText(AllowanceFault fault) {
  switch (fault) {
    case AllowanceFault::NoAmount:
      return "the allowance must end in +MS, such as +150";
    case AllowanceFault::NoName:
      return "no player's name stands before the allowance";
    case AllowanceFault::LongName:
      return "the name is longer than a player's name (20 characters)";
    case AllowanceFault::OutOfRange:
      return "an allowance is +1 to +100000 ms, for 1 to 8760 hours";
    case AllowanceFault::None:
      break;
  }
  return "";
}

#endif  // TARVOK_SPAWN_ALLOWANCE_TEXT_H_
