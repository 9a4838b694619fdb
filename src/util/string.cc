#include "util/string.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "util/text.h"

namespace {

// split() keeps at most this many characters after the delimiter.
constexpr std::uint32_t kSplitRemainderLimit = 32000;

// A new block for `characters` bytes and the terminator. A length that the
// 32-bit `length` cannot hold, or a size that does not fit in memory, asks
// for the largest block, which fails with std::bad_alloc instead of wrapping
// to a small block.
char* newBlock(std::uint64_t characters) {
  const std::uint64_t size = characters + 1;
  const bool fits = characters <= UINT32_MAX && size <= SIZE_MAX;
  return new char[fits ? static_cast<std::size_t>(size) : SIZE_MAX];
}

// Copies `count` bytes; a zero count may come with any pointer, even null.
void copyBytes(char* target, const char* source, std::uint32_t count) {
  if (count != 0) std::memcpy(target, source, count);
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

String::String() : text(newBlock(0)), length(0) { text[0] = '\0'; }

String::String(const char* buffer, std::uint32_t count)
    : text(newBlock(count)), length(count) {
  copyBytes(text, buffer, count);
  text[count] = '\0';
}

String::String(const char* cText) : String(cText, textLength(cText)) {}

String::String(std::int32_t value)
    : String(formatInteger(static_cast<std::uint32_t>(value), 10, 0, true)) {}

String::String(const String& other) : String(other.text, other.length) {}

String::~String() {
  delete[] text;
  text = nullptr;
  length = 0;
}

// Every modifier builds the new block completely before it releases the old
// one, so the bytes it copies may lie in this String's own block, and a
// failed allocation leaves the String as it was.
void String::replaceWith(const char* first, std::uint32_t firstCount,
                         const char* second, std::uint32_t secondCount) {
  const std::uint32_t count = firstCount + secondCount;
  char* const block = newBlock(std::uint64_t{firstCount} + secondCount);
  copyBytes(block, first, firstCount);
  copyBytes(block + firstCount, second, secondCount);
  block[count] = '\0';
  delete[] text;
  text = block;
  length = count;
}

void String::assign(const char* buffer, std::uint32_t count) {
  replaceWith(buffer, count, nullptr, 0);
}

void String::append(const char* buffer, std::uint32_t count) {
  replaceWith(text, length, buffer, count);
}

void String::prepend(const char* buffer, std::uint32_t count) {
  replaceWith(buffer, count, text, length);
}

String& String::operator=(const char* cText) {
  assign(cText, textLength(cText));
  return *this;
}

String& String::operator=(const String& other) {
  assign(other.text, other.length);
  return *this;
}

String& String::operator=(std::int32_t value) { return *this = String(value); }

String& String::operator+=(const char* cText) {
  append(cText, textLength(cText));
  return *this;
}

String& String::operator+=(const String& other) {
  append(other.text, other.length);
  return *this;
}

String& String::operator+=(std::int32_t value) {
  return *this += String(value);
}

bool String::operator==(const char* cText) const {
  return equalsIgnoreCase(text, cText);
}

bool String::operator==(const String& other) const {
  return equalsIgnoreCase(text, other.text);
}

bool String::operator==(std::int32_t value) const {
  return *this == String(value);
}

std::int32_t String::indexOf(char character) const {
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
  const std::int32_t found = indexOf(delimiter);
  if (found < 0) return trim();
  const std::uint32_t at = static_cast<std::uint32_t>(found);
  String token = left(at).trim();
  *this = mid(at + 1, kSplitRemainderLimit).trim();
  return token;
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
