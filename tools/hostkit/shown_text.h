// Text from outside (names, figures, lines of a file) on its way to a
// terminal, a transcript or a message. A control byte could move the
// cursor, recolour the screen or start a line that looks like one of ours,
// so each is shown as \xNN instead; a huge field would bury the message it
// stands in, so an echoed field is cut.
//
// The escaping is for reading only, not reversible: a backslash stays a
// backslash. Bytes from 0x80 up pass unchanged, so UTF-8 text stays
// readable.
#ifndef TARVOK_TOOLS_HOSTKIT_SHOWN_TEXT_H_
#define TARVOK_TOOLS_HOSTKIT_SHOWN_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

// How much of an echoed field a message shows.
constexpr std::size_t kLongestShownField = 40;

// True for the bytes escaped: 0x00 to 0x1F and 0x7F.
bool isControlByte(char c);

// `text` with every control byte as \xNN (two capital hex digits).
std::string escapeControlBytes(std::string_view text);

// `text` escaped and, when longer than `longest` bytes, cut to its first
// `longest` bytes followed by "...".
std::string shownField(std::string_view text,
                       std::size_t longest = kLongestShownField);

// shownField between double quotes.
std::string quotedField(std::string_view text,
                        std::size_t longest = kLongestShownField);

// `text` for an HTML page: &, <, > and " as their entities (a page's text
// and its attribute values alike); nothing else changes.
std::string htmlEscaped(std::string_view text);

#endif  // TARVOK_TOOLS_HOSTKIT_SHOWN_TEXT_H_
