// Free functions on zero-terminated text, single bytes and 32-bit integers.
//
// Characters are bytes. Only the ASCII letters A-Z and a-z are treated
// specially, by case folding; bytes 128-255 are never letters, digits or
// printable. Every number the plug-in reads from text goes through
// atoiSaturated.
#ifndef TARVOK_UTIL_TEXT_H_
#define TARVOK_UTIL_TEXT_H_

#include <cstdint>

class String;

// Number of bytes before the first zero byte.
std::uint32_t textLength(const char* text);

// True when every byte of `prefix` equals the byte at the same position of
// `text`. Case counts; an empty prefix is a prefix of every text.
bool isPrefixOf(const char* prefix, const char* text);

// True when both texts are equal with A-Z folded to a-z.
bool equalsIgnoreCase(const char* a, const char* b);

// Inline: every name comparison folds each byte.
inline char toLowerChar(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
inline char toUpperChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}
void lowerText(char* text);
void upperText(char* text);

// True for an optional leading '-' followed by one or more digits 0-9, and
// nothing else.
bool isNumeric(const char* text);
bool isPrintable(char c);
bool isAlphanumeric(char c);

// The text of `value` in `base` (2 to 32) with at least `minimumDigits`
// digits (at most 32); other bases and larger minimums are clamped into these
// limits. With `isSigned` a value with bit 31 set is written negative;
// otherwise every value reads as unsigned.
String formatInteger(std::uint32_t value, std::uint32_t base,
                     std::uint16_t minimumDigits, bool isSigned);

// The same text without a heap block: written zero-terminated at the end of
// `buffer`; returns where it starts. `String` appends numbers with it.
struct IntegerText {
  char buffer[34];  // a sign, 32 digits and the terminator
};
const char* formatIntegerInto(IntegerText& text, std::uint32_t value,
                              std::uint32_t base, std::uint16_t minimumDigits,
                              bool isSigned);
// The signed decimal text of `value`, as `String` writes numbers.
inline const char* decimalText(IntegerText& text, std::int32_t value) {
  return formatIntegerInto(text, static_cast<std::uint32_t>(value), 10, 0,
                           true);
}

// Text to integer in `base` without validation, wrapping at 32 bits.
std::int32_t parseInteger(const char* text, std::uint32_t base);

// The standard atoi: leading white space skipped, one optional sign, decimal
// digits up to the first other byte, 0 without digits. Unlike atoi, a value
// outside the signed 32-bit range saturates to INT32_MAX or INT32_MIN instead
// of being undefined.
std::int32_t atoiSaturated(const char* text);

// Hundredths of a second since system start, wrapping with the platform's
// millisecond tick counter.
std::uint32_t tickCount();

// The signed 32-bit value with the bits of `bits`: how results computed with
// wrapping unsigned arithmetic are turned back into signed values.
constexpr std::int32_t wrapToInt32(std::uint32_t bits) {
  return bits <= 0x7FFFFFFFu
             ? static_cast<std::int32_t>(bits)
             : static_cast<std::int32_t>(bits - 0x80000000u) - 0x7FFFFFFF - 1;
}

// General integer utilities. Everything wraps at 32 bits.
std::uint32_t minimum(std::uint32_t a, std::uint32_t b);
// Larger minus smaller, compared as unsigned.
std::uint32_t absDifference(std::uint32_t a, std::uint32_t b);
// Larger minus smaller, compared as signed; the distance always fits.
std::uint32_t absDifferenceSigned(std::int32_t a, std::int32_t b);
// 1, 0 or -1.
std::int32_t sign(std::int32_t value);
// a - b when a > b, else 0.
std::uint32_t subtractOrZero(std::uint32_t a, std::uint32_t b);
void swapValues(std::uint32_t& a, std::uint32_t& b);
void swapValues(std::uint16_t& a, std::uint16_t& b);
// The high 32 bits of the signed 64-bit product.
std::int32_t multiplyHigh(std::int32_t a, std::int32_t b);
// Signed division truncating toward zero; stores both results and returns the
// quotient. Dividing by 0 gives quotient 0 and remainder `dividend`; the most
// negative value divided by -1 wraps to itself with remainder 0.
std::int32_t divideWithRemainder(std::int32_t dividend, std::int32_t divisor,
                                 std::int32_t& remainder,
                                 std::int32_t& quotient);
// Floor of the square root, digit by digit.
std::uint32_t integerSqrt(std::uint32_t value);
// The roots (-b - sqrt(b*b - 4ac)) / 2a and (sqrt(b*b - 4ac) - b) / 2a with
// wrapping arithmetic and unsigned division; 0 when 2a wraps to 0.
std::int32_t quadraticRootLow(std::int32_t a, std::int32_t b, std::int32_t c);
std::int32_t quadraticRootHigh(std::int32_t a, std::int32_t b, std::int32_t c);
// absDifference(x1, x2)^2 + absDifference(y1, y2)^2, wrapping.
std::uint32_t distanceSquared(std::uint32_t x1, std::uint32_t y1,
                              std::uint32_t x2, std::uint32_t y2);
std::uint32_t distance(std::uint32_t x1, std::uint32_t y1, std::uint32_t x2,
                       std::uint32_t y2);
// Rotations by `count` mod 32; rotateBy turns left for positive counts and
// right for the others.
std::uint32_t rotateLeft(std::uint32_t value, std::uint32_t count);
std::uint32_t rotateRight(std::uint32_t value, std::uint32_t count);
std::uint32_t rotateBy(std::uint32_t value, std::int32_t count);
// Little-endian values at a byte offset of a buffer.
std::uint32_t readField32(const void* buffer, std::uint32_t offset);
std::uint16_t readField16(const void* buffer, std::uint32_t offset);
std::uint8_t readByte(const void* buffer, std::uint32_t index);

// Cuts `text` at `delimiter` into `slotCount` slots of `slotSize` bytes each
// (a block of slotCount * slotSize bytes). Each field is stored without its
// leading and trailing spaces, cut to slotSize - 1 bytes and terminated.
// Fields beyond `slotCount` are ignored. False when the text has fewer than
// `slotCount` fields.
bool splitFields(char delimiter, const char* text, char* slots,
                 std::uint32_t slotCount, std::uint32_t slotSize);

// Bytes of a text in place, not terminated: what a lag line's cuts leave.
struct TextSpan {
  const char* bytes;
  std::uint32_t size;
};
// The cut of String::split and skip, made in place: returns the bytes of
// `rest` before the first `delimiter` (all of them without one), blanks
// 0x20 trimmed off both ends, and leaves in `rest` the bytes after the
// delimiter, at most 32000 of them, trimmed likewise. Without a delimiter
// `rest` stays as it was. Inline: a lag line takes nineteen cuts.
inline TextSpan cutToken(TextSpan& rest, char delimiter) {
  // split() keeps at most this many bytes after the delimiter.
  constexpr std::uint32_t kRemainderLimit = 32000;
  const char* const bytes = rest.bytes;
  std::uint32_t found = 0;
  while (found < rest.size && bytes[found] != delimiter) ++found;
  std::uint32_t first = 0;
  std::uint32_t end = found;
  while (first < end && bytes[first] == ' ') ++first;
  while (end > first && bytes[end - 1] == ' ') --end;
  const TextSpan token{bytes + first, end - first};
  if (found == rest.size) return token;
  first = found + 1;
  const std::uint32_t after = rest.size - first;
  end = first + (after < kRemainderLimit ? after : kRemainderLimit);
  while (first < end && bytes[first] == ' ') ++first;
  while (end > first && bytes[end - 1] == ' ') --end;
  rest = TextSpan{bytes + first, end - first};
  return token;
}

// The same cut of a `rest` that a cut has left: without blanks at either
// end and at most 32000 bytes long, which it stays. What cutToken does to
// such a rest, without looking for blanks where none can be.
inline TextSpan cutTrimmedToken(TextSpan& rest, char delimiter) {
  const char* const bytes = rest.bytes;
  std::uint32_t found = 0;
  while (found < rest.size && bytes[found] != delimiter) ++found;
  std::uint32_t end = found;
  while (end > 0 && bytes[end - 1] == ' ') --end;
  // A token of blanks alone: trimmed from the end, it is empty.
  const TextSpan token{bytes, end};
  if (found == rest.size) return token;
  std::uint32_t first = found + 1;
  while (first < rest.size && bytes[first] == ' ') ++first;
  rest = TextSpan{bytes + first, rest.size - first};
  return token;
}

// Name rules; true means the name is not acceptable. Both cut an over-long
// `text` in place (to 19 and 10 characters). A name needs an alphanumeric
// first character, no trailing or doubled space, and only printable
// characters other than ':' and '%'. A short name is empty, or alphanumeric
// with an optional leading '#'.
bool isIllegalName(char* text);
bool isIllegalShortName(char* text);

// Chat line pieces: "prefix:name> message" and "(name)> message".
// True when "> " (or ")>") occurs exactly once.
bool hasOneNameMark(const char* text);
bool hasOneBracketMark(const char* text);
// Skips past the first ':', terminates the name at the first "> " after it
// and returns where the name starts.
char* nameOfNameMarkLine(char* text);
// Terminates the name at the first ")>" and returns it without its opening
// bracket; empty text stays empty.
char* nameOfBracketLine(char* text);
// The text after the first "> " (or ")>"); the whole text without one.
const char* messageOfNameMarkLine(const char* text);
const char* messageOfBracketLine(const char* text);

#endif  // TARVOK_UTIL_TEXT_H_
