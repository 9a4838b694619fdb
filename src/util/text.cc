#include "util/text.h"

#include <cstdint>
#include <cstring>

#include "util/string.h"

namespace {

// Digit characters of formatInteger; bases above 32 have no characters.
constexpr char kDigitTable[] = "0123456789abcdefghijklmnopqrstuv";
constexpr std::uint32_t kMaximumBase = 32;
constexpr std::uint16_t kMaximumDigits = 32;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// White space as the C locale's isspace sees it.
bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

// Position of the first `first` `second` pair, or nullptr.
const char* findPair(const char* text, char first, char second) {
  for (; *text != '\0'; ++text) {
    if (text[0] == first && text[1] == second) return text;
  }
  return nullptr;
}

bool hasPairOnce(const char* text, char first, char second) {
  const char* found = findPair(text, first, second);
  return found != nullptr && findPair(found + 2, first, second) == nullptr;
}

const char* textAfterPair(const char* text, char first, char second) {
  const char* found = findPair(text, first, second);
  return found == nullptr ? text : found + 2;
}

std::uint32_t quadraticRoot(std::int32_t a, std::int32_t b, std::int32_t c,
                            bool low) {
  const std::uint32_t ua = static_cast<std::uint32_t>(a);
  const std::uint32_t ub = static_cast<std::uint32_t>(b);
  const std::uint32_t uc = static_cast<std::uint32_t>(c);
  const std::uint32_t root = integerSqrt(ub * ub - 4u * ua * uc);
  const std::uint32_t denominator = 2u * ua;
  if (denominator == 0) return 0;
  const std::uint32_t numerator = low ? 0u - ub - root : root - ub;
  return numerator / denominator;
}

}  // namespace

std::uint32_t textLength(const char* text) {
  // The C library's search reads a word or more at a time. A text beyond
  // the 32-bit range counts as its largest length, which no String accepts.
  const std::size_t length = std::strlen(text);
  return length > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(length);
}

bool isPrefixOf(const char* prefix, const char* text) {
  for (; *prefix != '\0'; ++prefix, ++text) {
    if (*prefix != *text) return false;
  }
  return true;
}

bool equalsIgnoreCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (toLowerChar(*a) != toLowerChar(*b)) return false;
    if (*a == '\0') return true;
  }
}

void lowerText(char* text) {
  for (; *text != '\0'; ++text) *text = toLowerChar(*text);
}

void upperText(char* text) {
  for (; *text != '\0'; ++text) *text = toUpperChar(*text);
}

bool isNumeric(const char* text) {
  if (*text == '-') ++text;
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text) {
    if (!isDigit(*text)) return false;
  }
  return true;
}

bool isPrintable(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte >= 32 && byte <= 126;
}

bool isAlphanumeric(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c);
}

const char* formatIntegerInto(IntegerText& text, std::uint32_t value,
                              std::uint32_t base, std::uint16_t minimumDigits,
                              bool isSigned) {
  // Out-of-range requests are clamped so that every digit has a character
  // and the buffer is always large enough.
  if (base < 2) base = 2;
  if (base > kMaximumBase) base = kMaximumBase;
  if (minimumDigits > kMaximumDigits) minimumDigits = kMaximumDigits;
  static_assert(sizeof text.buffer == 1 + kMaximumDigits + 1,
                "sign + 32 digits (base 2 of 32 bits, or the longest zero "
                "fill) + terminator");

  char* const end = text.buffer + sizeof text.buffer - 1;
  *end = '\0';
  char* first = end;
  const bool negative = isSigned && (value & 0x80000000u) != 0;
  if (negative) value = 0u - value;
  if (value == 0) *--first = '0';
  while (value != 0) {
    *--first = kDigitTable[value % base];
    value /= base;
  }
  while (end - first < minimumDigits) *--first = '0';
  if (negative) *--first = '-';
  return first;
}

String formatInteger(std::uint32_t value, std::uint32_t base,
                     std::uint16_t minimumDigits, bool isSigned) {
  IntegerText text;
  return String(formatIntegerInto(text, value, base, minimumDigits, isSigned));
}

std::int32_t parseInteger(const char* text, std::uint32_t base) {
  const bool negative = *text == '-';
  const char* const digits = negative ? text + 1 : text;
  std::uint32_t sum = 0;
  std::uint32_t place = 1;
  for (std::uint32_t i = textLength(digits); i > 0; --i) {
    const char c = toLowerChar(digits[i - 1]);
    const std::uint32_t digit =
        isDigit(c)
            ? static_cast<std::uint32_t>(c - '0')
            : static_cast<std::uint32_t>(static_cast<std::int32_t>(c) - 87);
    sum += digit * place;
    place *= base;
  }
  return wrapToInt32(negative ? 0u - sum : sum);
}

std::int32_t atoiSaturated(const char* text) {
  while (isCSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') {
    negative = *text == '-';
    ++text;
  }
  // The magnitude stops growing one past INT32_MAX, which is exactly the
  // magnitude of INT32_MIN; more digits cannot change the saturated result.
  constexpr std::uint32_t kLimit = 0x80000000u;
  std::uint32_t magnitude = 0;
  for (; isDigit(*text); ++text) {
    const std::uint32_t digit = static_cast<std::uint32_t>(*text - '0');
    // Below kLimit / 10 no digit can reach the limit: the division by a
    // digit's bound is left for the rare long number.
    if (magnitude < kLimit / 10) {
      magnitude = magnitude * 10 + digit;
      continue;
    }
    magnitude =
        magnitude > (kLimit - digit) / 10 ? kLimit : magnitude * 10 + digit;
  }
  if (negative) return wrapToInt32(0u - magnitude);
  return magnitude >= kLimit ? 0x7FFFFFFF
                             : static_cast<std::int32_t>(magnitude);
}

std::uint32_t minimum(std::uint32_t a, std::uint32_t b) {
  return a < b ? a : b;
}

std::uint32_t absDifference(std::uint32_t a, std::uint32_t b) {
  return a > b ? a - b : b - a;
}

std::uint32_t absDifferenceSigned(std::int32_t a, std::int32_t b) {
  const std::uint32_t ua = static_cast<std::uint32_t>(a);
  const std::uint32_t ub = static_cast<std::uint32_t>(b);
  return a > b ? ua - ub : ub - ua;
}

std::int32_t sign(std::int32_t value) { return (value > 0) - (value < 0); }

std::uint32_t subtractOrZero(std::uint32_t a, std::uint32_t b) {
  return a > b ? a - b : 0;
}

void swapValues(std::uint32_t& a, std::uint32_t& b) {
  const std::uint32_t held = a;
  a = b;
  b = held;
}

void swapValues(std::uint16_t& a, std::uint16_t& b) {
  const std::uint16_t held = a;
  a = b;
  b = held;
}

std::int32_t multiplyHigh(std::int32_t a, std::int32_t b) {
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  return wrapToInt32(
      static_cast<std::uint32_t>(static_cast<std::uint64_t>(product) >> 32));
}

std::int32_t divideWithRemainder(std::int32_t dividend, std::int32_t divisor,
                                 std::int32_t& remainder,
                                 std::int32_t& quotient) {
  if (divisor == 0) {
    quotient = 0;
    remainder = dividend;
  } else if (divisor == -1) {
    quotient = wrapToInt32(0u - static_cast<std::uint32_t>(dividend));
    remainder = 0;
  } else {
    quotient = dividend / divisor;
    remainder = dividend % divisor;
  }
  return quotient;
}

std::uint32_t integerSqrt(std::uint32_t value) {
  std::uint32_t root = 0;
  std::uint32_t remaining = value;
  for (std::uint32_t bit = 15;; --bit) {
    // (root + 2^bit)^2 - root^2; never above 2^32 - 1 since root + 2^bit
    // stays below 2^16.
    const std::uint32_t amount = (2u * root + (1u << bit)) << bit;
    if (remaining >= amount) {
      remaining -= amount;
      root += 1u << bit;
    }
    if (bit == 0) return root;
  }
}

std::int32_t quadraticRootLow(std::int32_t a, std::int32_t b, std::int32_t c) {
  return wrapToInt32(quadraticRoot(a, b, c, true));
}

std::int32_t quadraticRootHigh(std::int32_t a, std::int32_t b, std::int32_t c) {
  return wrapToInt32(quadraticRoot(a, b, c, false));
}

std::uint32_t distanceSquared(std::uint32_t x1, std::uint32_t y1,
                              std::uint32_t x2, std::uint32_t y2) {
  const std::uint32_t dx = absDifference(x1, x2);
  const std::uint32_t dy = absDifference(y1, y2);
  return dx * dx + dy * dy;
}

std::uint32_t distance(std::uint32_t x1, std::uint32_t y1, std::uint32_t x2,
                       std::uint32_t y2) {
  return integerSqrt(distanceSquared(x1, y1, x2, y2));
}

std::uint32_t rotateLeft(std::uint32_t value, std::uint32_t count) {
  count %= 32;
  if (count == 0) return value;
  return (value << count) | (value >> (32 - count));
}

std::uint32_t rotateRight(std::uint32_t value, std::uint32_t count) {
  count %= 32;
  if (count == 0) return value;
  return (value >> count) | (value << (32 - count));
}

std::uint32_t rotateBy(std::uint32_t value, std::int32_t count) {
  const std::uint32_t bits = static_cast<std::uint32_t>(count);
  return count > 0 ? rotateLeft(value, bits) : rotateRight(value, 0u - bits);
}

std::uint32_t readField32(const void* buffer, std::uint32_t offset) {
  const unsigned char* bytes =
      static_cast<const unsigned char*>(buffer) + offset;
  return static_cast<std::uint32_t>(bytes[0]) |
         static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 |
         static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t readField16(const void* buffer, std::uint32_t offset) {
  const unsigned char* bytes =
      static_cast<const unsigned char*>(buffer) + offset;
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint8_t readByte(const void* buffer, std::uint32_t index) {
  return static_cast<const unsigned char*>(buffer)[index];
}

bool splitFields(char delimiter, const char* text, char* slots,
                 std::uint32_t slotCount, std::uint32_t slotSize) {
  std::uint32_t stored = 0;
  const char* first = nullptr;  // the field's first and last characters
  const char* last = nullptr;
  for (const char* at = text;; ++at) {
    const char c = *at;
    if (c != '\0' && c != delimiter) {
      if (c != ' ') {
        if (first == nullptr) first = at;
        last = at;
      }
      continue;
    }
    if (stored == slotCount) return true;
    if (slotSize > 0) {
      char* slot = slots + stored * slotSize;
      std::uint32_t length =
          first == nullptr ? 0 : static_cast<std::uint32_t>(last - first + 1);
      length = minimum(length, slotSize - 1);
      for (std::uint32_t i = 0; i < length; ++i) slot[i] = first[i];
      slot[length] = '\0';
    }
    ++stored;
    first = nullptr;
    last = nullptr;
    if (c == '\0') return stored == slotCount;
  }
}

bool isIllegalName(char* text) {
  constexpr std::uint32_t kMaximumLength = 19;
  std::uint32_t length = textLength(text);
  if (length == 0) return true;
  if (length > kMaximumLength) {
    text[kMaximumLength] = '\0';
    length = kMaximumLength;
  }
  if (!isAlphanumeric(text[0]) || text[length - 1] == ' ') return true;
  for (std::uint32_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (!isPrintable(c) || c == ':' || c == '%') return true;
    if (c == ' ' && text[i + 1] == ' ') return true;
  }
  return false;
}

bool isIllegalShortName(char* text) {
  constexpr std::uint32_t kMaximumLength = 10;
  if (textLength(text) > kMaximumLength) text[kMaximumLength] = '\0';
  const char* at = *text == '#' ? text + 1 : text;
  for (; *at != '\0'; ++at) {
    if (!isAlphanumeric(*at)) return true;
  }
  return false;
}

bool hasOneNameMark(const char* text) { return hasPairOnce(text, '>', ' '); }

bool hasOneBracketMark(const char* text) { return hasPairOnce(text, ')', '>'); }

char* nameOfNameMarkLine(char* text) {
  char* name = text;
  for (char* at = text; *at != '\0'; ++at) {
    if (*at == ':') {
      name = at + 1;
      break;
    }
  }
  char* mark = const_cast<char*>(findPair(name, '>', ' '));
  if (mark != nullptr) *mark = '\0';
  return name;
}

char* nameOfBracketLine(char* text) {
  if (*text == '\0') return text;
  char* mark = const_cast<char*>(findPair(text, ')', '>'));
  if (mark != nullptr) *mark = '\0';
  return text + 1;
}

const char* messageOfNameMarkLine(const char* text) {
  return textAfterPair(text, '>', ' ');
}

const char* messageOfBracketLine(const char* text) {
  return textAfterPair(text, ')', '>');
}
