// Population sections of "tarvok.ini": a line "[players N]" starts
// settings that are in force while at least N players (a whole number, 1
// or more) are in ships in the bot's arena; they run to the next section
// line of either kind or the end of the file. Such a section holds for
// every arena and may set only the keys kPopulationKeys names: the five
// limits and deal=. Its lines apply over those for every arena and those
// of the bot's arena section; of several population sections the one with
// the largest N that the arena reaches is in force, alone.
//
// A section line begins with '[' and ends with ']' (blanks after it do not
// count); inside stand the word "players" (any letter case) and, after at
// least one blank, N in digits; blanks around N do not count.
//
// Header-only, so that host-side tools (check-ini) read these sections
// exactly as the plug-in does.
#ifndef TARVOK_SPAWN_POPULATION_SECTION_H_
#define TARVOK_SPAWN_POPULATION_SECTION_H_

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "spawn/arena_section.h"
#include "spawn/config_keys.h"

// The keys a population section may set, in the order "!laglimits" and
// check-ini show them.
constexpr const char* kPopulationKeys[] = {
    "current=", "average=", "s2cploss=", "c2sploss=", "s2cweapons=", "deal="};
constexpr std::size_t kPopulationKeyCount = std::size(kPopulationKeys);

// The index of `key` in kPopulationKeys, or kPopulationKeyCount.
inline std::size_t populationKeyIndex(const ConfigKey& key) {
  for (std::size_t i = 0; i < kPopulationKeyCount; ++i) {
    const char* a = kPopulationKeys[i];
    const char* b = key.key;
    while (*a != '\0' && *a == *b) {
      ++a;
      ++b;
    }
    if (*a == '\0' && *b == '\0') return i;
  }
  return kPopulationKeyCount;
}

// True when `line` is a population section line; `players` then holds N.
inline bool readPopulationSectionLine(const char* line, std::int32_t* players) {
  std::size_t position = 0;
  std::size_t end = 0;
  if (!arena_section_detail::readSectionArgument(line, "players", &position,
                                                 &end) ||
      end - position > 9) {
    return false;
  }
  std::int32_t value = 0;
  for (; position < end; ++position) {
    if (line[position] < '0' || line[position] > '9') return false;
    value = value * 10 + (line[position] - '0');
  }
  if (value < 1) return false;
  *players = value;
  return true;
}

// True when `line` starts a section of either kind: the lines before the
// first such line hold for every arena and every population.
inline bool startsAnySection(const char* line) {
  ArenaSectionName name;
  std::int32_t players = 0;
  return readArenaSectionLine(line, &name) ||
         readPopulationSectionLine(line, &players);
}

#endif  // TARVOK_SPAWN_POPULATION_SECTION_H_
