// String: the plug-in's owning byte string with value semantics.
//
// `text` always holds `length` bytes and a zero terminator, so chars() can
// go to anything that expects C text. It lies in the String's heap `block`,
// with room for `capacity` bytes from `text` to the terminator, or, while
// the String owns no block, it is one shared empty text that is never
// written. A change writes in place while the new text fits the block;
// otherwise it builds a new block of at least twice the room, so that a
// bot's Strings stop allocating once they have held their longest text: a
// lag check runs without the heap. Comparisons ignore the case of ASCII
// letters and stop at the first zero byte; split() cuts a trimmed token off
// the front of the string itself, which is what lag lines are parsed with:
// the text then starts further into its block, nothing is moved.
// Self-assignment and assignment from bytes inside the string's own block
// are safe. When memory runs out, std::bad_alloc leaves the String as it
// was.
#ifndef TARVOK_UTIL_STRING_H_
#define TARVOK_UTIL_STRING_H_

#include <cstdint>

class String {
 public:
  String();
  String(const char* buffer, std::uint32_t count);
  String(const char* cText);  // NOLINT: implicit like a text literal
  explicit String(std::int32_t value);
  String(const String& other);
  // Takes the other's block; the other is left empty.
  String(String&& other) noexcept;
  ~String();

  // The three primitive modifiers every assignment and concatenation uses.
  void assign(const char* buffer, std::uint32_t count);
  void append(const char* buffer, std::uint32_t count);
  void prepend(const char* buffer, std::uint32_t count);

  String& operator=(const char* cText);
  String& operator=(const String& other);
  String& operator=(String&& other) noexcept;
  String& operator=(std::int32_t value);
  String& operator+=(const char* cText);
  String& operator+=(const String& other);
  String& operator+=(std::int32_t value);

  bool operator==(const char* cText) const;
  bool operator==(const String& other) const;
  bool operator==(std::int32_t value) const;
  bool operator!=(const char* cText) const { return !(*this == cText); }
  bool operator!=(const String& other) const { return !(*this == other); }
  bool operator!=(std::int32_t value) const { return !(*this == value); }

  // The zero-terminated text; valid until the next change of this String.
  const char* chars() const { return text; }
  std::uint32_t size() const { return length; }

  // Position of the first byte equal to `character` (case counts), or -1.
  std::int32_t indexOf(char character) const;
  String left(std::uint32_t n) const;
  String right(std::uint32_t n) const;
  String mid(std::uint32_t start, std::uint32_t count) const;
  // Trims remove the space 0x20 only.
  String trimLeft() const;
  String trimRight() const;
  String trim() const;
  // Returns the trimmed text before the first `delimiter` and keeps the
  // trimmed text after it (at most 32000 bytes of it). Without a delimiter
  // returns the trimmed whole and leaves this String unchanged.
  String split(char delimiter);
  // The same cut, the token written into `token` (reusing its block).
  void split(char delimiter, String& token);
  // The same cut, the token dropped.
  void skip(char delimiter);
  // Right or left alignment in `width` columns; a longer text is cut to its
  // last (padLeft) or first (padRight) `width` characters.
  String padLeft(std::uint32_t width) const;
  String padRight(std::uint32_t width) const;
  void toLowerInPlace();
  void toUpperInPlace();
  std::int32_t toInteger(std::uint32_t base = 10) const;
  bool isEmpty() const;

 private:
  // This String becomes the bytes of `first` followed by those of `second`,
  // in a new block.
  void replaceWith(const char* first, std::uint32_t firstCount,
                   const char* second, std::uint32_t secondCount);
  // The text is now `count` bytes long: terminates it.
  void setLength(std::uint32_t count);
  // The room of the whole block: the bytes a cut left before `text` and
  // `capacity`.
  std::uint32_t wholeRoom() const;
  // Moves the text to the start of its block.
  void rewind();
  // Cuts the leading token for split() and skip(); `token` may be nullptr.
  void cutFront(char delimiter, String* token);

  char* text;
  std::uint32_t length;
  std::uint32_t capacity;  // from `text` to the block's end
  char* block;             // nullptr: no block of its own
};

String operator+(const String& a, const char* b);
String operator+(const String& a, std::int32_t b);
String operator+(const String& a, const String& b);
String operator+(const char* a, const String& b);

#endif  // TARVOK_UTIL_STRING_H_
