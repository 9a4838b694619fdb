// Arena sections of "tarvok.ini": a line "[arena NAME]" starts the settings
// of the arena NAME, which run to the next such line or the end of the file.
// The lines before the first section hold the settings of every arena; a
// bot in arena NAME reads them and then its section's lines over them.
//
// A section line begins with '[' and ends with ']' (blanks after it do not
// count); inside stand the word "arena" and, after at least one blank, the
// NAME. Letter case is ignored in the word and in NAME, and blanks around
// NAME do not count. Any other bracketed line ("[settings]", "[arena]")
// starts nothing: like every line without a key it is skipped.
//
// Header-only, so that host-side tools (check-ini) read sections exactly as
// the plug-in does.
#ifndef TARVOK_SPAWN_ARENA_SECTION_H_
#define TARVOK_SPAWN_ARENA_SECTION_H_

#include <cstddef>

// The NAME of a section line, inside the line it was read from.
struct ArenaSectionName {
  const char* start = nullptr;
  std::size_t length = 0;
};

namespace arena_section_detail {

constexpr bool isBlank(char c) { return c == ' ' || c == '\t'; }
constexpr char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `line` is "[WORD ARGUMENT]" as a section line is written (WORD
// in any letter case, blanks around the argument not counting, blanks
// after the ']' ignored); the argument's bounds then hold its place.
inline bool readSectionArgument(const char* line, const char* word,
                                std::size_t* argumentStart,
                                std::size_t* argumentEnd) {
  if (line[0] != '[') return false;
  std::size_t end = 0;
  while (line[end] != '\0') ++end;
  while (end > 1 && isBlank(line[end - 1])) --end;
  if (end < 2 || line[end - 1] != ']') return false;
  --end;  // at the ']'
  std::size_t position = 1;
  while (position < end && isBlank(line[position])) ++position;
  for (std::size_t i = 0; word[i] != '\0'; ++i, ++position) {
    if (position >= end || lower(line[position]) != word[i]) return false;
  }
  if (position >= end || !isBlank(line[position])) return false;
  while (position < end && isBlank(line[position])) ++position;
  while (end > position && isBlank(line[end - 1])) --end;
  if (end == position) return false;
  *argumentStart = position;
  *argumentEnd = end;
  return true;
}

}  // namespace arena_section_detail

// True when `line` is a section line; `name` then holds its NAME.
inline bool readArenaSectionLine(const char* line, ArenaSectionName* name) {
  std::size_t start = 0;
  std::size_t end = 0;
  if (!arena_section_detail::readSectionArgument(line, "arena", &start,
                                                 &end)) {
    return false;
  }
  name->start = line + start;
  name->length = end - start;
  return true;
}

// True when `name` is `arena`, letter case ignored.
inline bool arenaSectionIs(const ArenaSectionName& name, const char* arena) {
  using arena_section_detail::lower;
  for (std::size_t i = 0; i < name.length; ++i) {
    if (arena[i] == '\0' || lower(arena[i]) != lower(name.start[i])) {
      return false;
    }
  }
  return arena[name.length] == '\0';
}

#endif  // TARVOK_SPAWN_ARENA_SECTION_H_
