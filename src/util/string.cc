#include "util/string.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "util/text.h"

namespace {

// The smallest room a block is given, so that short texts built by appends
// allocate once.
constexpr std::uint64_t kSmallestRoom = 15;

// The text of every String that owns no block. Never written: a String
// writes only into a block of its own.
char emptyText[1] = "";

// A new block for `characters` bytes and the terminator. A length that the
// 32-bit `length` cannot hold, or a size that does not fit in memory, asks
// for the largest block, which fails with std::bad_alloc instead of wrapping
// to a small block.
char* newBlock(std::uint64_t characters) {
  const std::uint64_t size = characters + 1;
  const bool fits = characters <= UINT32_MAX && size <= SIZE_MAX;
  return new char[fits ? static_cast<std::size_t>(size) : SIZE_MAX];
}

// The room of a new block for `needed` characters in place of one with
// `capacity`: the same when the text fits (a block replaced only because
// its own bytes are copied), else at least twice as much, so that growing by
// appends allocates a logarithmic number of times.
std::uint64_t grownRoom(std::uint32_t capacity, std::uint64_t needed) {
  if (needed > UINT32_MAX) return needed;  // newBlock refuses it
  if (needed <= capacity) return capacity;
  const std::uint64_t room =
      std::max({needed, std::uint64_t{capacity} * 2, kSmallestRoom});
  return std::min<std::uint64_t>(room, UINT32_MAX);
}

// Copies or moves `count` bytes; a zero count may come with any pointer,
// even null.
void copyBytes(char* target, const char* source, std::uint32_t count) {
  if (count != 0) std::memcpy(target, source, count);
}
void moveBytes(char* target, const char* source, std::uint32_t count) {
  if (count != 0) std::memmove(target, source, count);
}

// True when `bytes` lies inside the `size` bytes from `block`.
bool liesWithin(const char* bytes, const char* block, std::uint64_t size) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(bytes);
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
  return at >= start && at - start < size;
}

// `text` with `count` spaces before it (`spacesFirst`) or after it.
String padded(const String& text, std::uint32_t count, bool spacesFirst) {
  const std::string spaces(count, ' ');
  String result(text);
  if (spacesFirst) {
    result.prepend(spaces.data(), count);
  } else {
    result.append(spaces.data(), count);
  }
  return result;
}

}  // namespace

String::String()
    : text(emptyText), length(0), capacity(0), block(nullptr) {}

String::String(const char* buffer, std::uint32_t count)
    : text(count == 0 ? emptyText : newBlock(count)),
      length(count),
      capacity(count),
      block(count == 0 ? nullptr : text) {
  if (count == 0) return;
  copyBytes(text, buffer, count);
  text[count] = '\0';
}

String::String(const char* cText) : String(cText, textLength(cText)) {}

String::String(std::int32_t value) : String() {
  IntegerText digits;
  *this = decimalText(digits, value);
}

String::String(const String& other) : String(other.text, other.length) {}

String::String(String&& other) noexcept
    : text(other.block == nullptr ? emptyText : other.text),
      length(other.length),
      capacity(other.capacity),
      block(other.block) {
  other.text = emptyText;
  other.length = 0;
  other.capacity = 0;
  other.block = nullptr;
}

String::~String() {
  delete[] block;
  text = nullptr;
  length = 0;
  capacity = 0;
  block = nullptr;
}

std::uint32_t String::wholeRoom() const {
  if (block == nullptr) return 0;
  return static_cast<std::uint32_t>(text - block) + capacity;
}

void String::setLength(std::uint32_t count) {
  length = count;
  if (block != nullptr) {
    text[count] = '\0';
  } else {
    text = emptyText;  // also revives a released String
  }
}

void String::rewind() {
  if (text == block) return;
  moveBytes(block, text, length);
  capacity = wholeRoom();
  text = block;
}

// A modifier that needs a new block builds it completely before it releases
// the old one, so the bytes it copies may lie in this String's own block,
// and a failed allocation leaves the String as it was.
void String::replaceWith(const char* first, std::uint32_t firstCount,
                         const char* second, std::uint32_t secondCount) {
  const std::uint64_t count = std::uint64_t{firstCount} + secondCount;
  const std::uint64_t room = grownRoom(wholeRoom(), count);
  if (room == 0) {  // empty text, and no block to keep
    setLength(0);
    return;
  }
  char* const fresh = newBlock(room);
  copyBytes(fresh, first, firstCount);
  copyBytes(fresh + firstCount, second, secondCount);
  delete[] block;
  block = fresh;
  text = fresh;
  capacity = static_cast<std::uint32_t>(room);
  setLength(static_cast<std::uint32_t>(count));
}

void String::assign(const char* buffer, std::uint32_t count) {
  // From the start of the block, where its whole room is; the old text is
  // not needed.
  const std::uint32_t room = wholeRoom();
  if (count > room) {
    replaceWith(buffer, count, nullptr, 0);
    return;
  }
  if (block != nullptr) text = block;
  capacity = room;
  moveBytes(text, buffer, count);
  setLength(count);
}

void String::append(const char* buffer, std::uint32_t count) {
  const std::uint64_t needed = std::uint64_t{length} + count;
  if (needed > capacity) {
    // Rewinding would move bytes of its own block before they are copied.
    if (needed > wholeRoom() ||
        liesWithin(buffer, block, std::uint64_t{wholeRoom()} + 1)) {
      replaceWith(text, length, buffer, count);
      return;
    }
    rewind();
  }
  moveBytes(text + length, buffer, count);
  setLength(static_cast<std::uint32_t>(needed));
}

void String::prepend(const char* buffer, std::uint32_t count) {
  const std::uint64_t needed = std::uint64_t{length} + count;
  // Bytes of its own block would move before they are copied.
  if (needed > wholeRoom() ||
      liesWithin(buffer, block, std::uint64_t{wholeRoom()} + 1)) {
    replaceWith(buffer, count, text, length);
    return;
  }
  if (block != nullptr &&
      count <= static_cast<std::uint64_t>(text - block)) {
    // The room a cut left before the text.
    text -= count;
    capacity += count;
  } else {
    rewind();
    moveBytes(text + count, text, length);
  }
  copyBytes(text, buffer, count);
  setLength(static_cast<std::uint32_t>(needed));
}

String& String::operator=(const char* cText) {
  assign(cText, textLength(cText));
  return *this;
}

String& String::operator=(const String& other) {
  assign(other.text, other.length);
  return *this;
}

String& String::operator=(String&& other) noexcept {
  if (this == &other) return *this;
  delete[] block;
  text = other.block == nullptr ? emptyText : other.text;
  length = other.length;
  capacity = other.capacity;
  block = other.block;
  other.text = emptyText;
  other.length = 0;
  other.capacity = 0;
  other.block = nullptr;
  return *this;
}

String& String::operator=(std::int32_t value) {
  IntegerText digits;
  return *this = decimalText(digits, value);
}

String& String::operator+=(const char* cText) {
  append(cText, textLength(cText));
  return *this;
}

String& String::operator+=(const String& other) {
  append(other.text, other.length);
  return *this;
}

String& String::operator+=(std::int32_t value) {
  IntegerText digits;
  return *this += decimalText(digits, value);
}

bool String::operator==(const char* cText) const {
  return equalsIgnoreCase(text, cText);
}

bool String::operator==(const String& other) const {
  return equalsIgnoreCase(text, other.text);
}

bool String::operator==(std::int32_t value) const {
  IntegerText digits;
  return *this == decimalText(digits, value);
}

std::int32_t String::indexOf(char character) const {
  // A byte at a time: the delimiters of a lag line lie a few bytes apart,
  // nearer than a vector search pays off.
  for (std::uint32_t i = 0; i < length; ++i) {
    if (text[i] == character) return static_cast<std::int32_t>(i);
  }
  return -1;
}

String String::left(std::uint32_t n) const {
  return String(text, minimum(n, length));
}

String String::right(std::uint32_t n) const {
  const std::uint32_t count = minimum(n, length);
  return String(text + length - count, count);
}

String String::mid(std::uint32_t start, std::uint32_t count) const {
  if (start >= length) return String();
  return String(text + start, minimum(count, length - start));
}

String String::trimLeft() const {
  std::uint32_t first = 0;
  while (first < length && text[first] == ' ') ++first;
  return String(text + first, length - first);
}

String String::trimRight() const {
  std::uint32_t end = length;
  while (end > 0 && text[end - 1] == ' ') --end;
  return String(text, end);
}

String String::trim() const { return trimLeft().trimRight(); }

String String::split(char delimiter) {
  String token;
  cutFront(delimiter, &token);
  return token;
}

void String::split(char delimiter, String& token) {
  cutFront(delimiter, &token);
}

void String::skip(char delimiter) { cutFront(delimiter, nullptr); }

// The token and the remainder are found as bounds inside the text, the
// token copied out, and the text then starts at the remainder, further into
// the same block: nothing is moved and no intermediate copy is made.
void String::cutFront(char delimiter, String* token) {
  TextSpan rest{text, length};
  const TextSpan cut = cutToken(rest, delimiter);
  if (token == this) {
    assign(cut.bytes, cut.size);
    return;
  }
  if (token != nullptr) token->assign(cut.bytes, cut.size);
  if (rest.bytes == text) return;  // no delimiter: nothing was cut
  const auto cutOff = static_cast<std::uint32_t>(rest.bytes - text);
  text += cutOff;
  capacity -= cutOff;
  setLength(rest.size);
}

String String::padLeft(std::uint32_t width) const {
  if (length >= width) return right(width);
  return padded(*this, width - length, true);
}

String String::padRight(std::uint32_t width) const {
  if (length >= width) return left(width);
  return padded(*this, width - length, false);
}

void String::toLowerInPlace() { lowerText(text); }

void String::toUpperInPlace() { upperText(text); }

std::int32_t String::toInteger(std::uint32_t base) const {
  return parseInteger(text, base);
}

bool String::isEmpty() const { return text[0] == '\0'; }

String operator+(const String& a, const char* b) {
  String result(a);
  result += b;
  return result;
}

String operator+(const String& a, std::int32_t b) {
  String result(a);
  result += b;
  return result;
}

String operator+(const String& a, const String& b) {
  String result(a);
  result += b;
  return result;
}

String operator+(const char* a, const String& b) {
  String result(b);
  result.prepend(a, textLength(a));
  return result;
}
