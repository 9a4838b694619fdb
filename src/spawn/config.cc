// Reading "tarvok.ini": one "key=value" line per setting, by the table of
// keys in config_keys.h. Lines without a known key are skipped, a key
// missing from the file keeps the value the field already has, and a key
// given twice takes its last value. Nothing is ever written back.
//
// With arena sections (arena_section.h) a bot reads the lines before the
// first section and those of its own arena's sections, and skips the
// others. Every ArenaEnter then starts the bot afresh: the defaults and the
// watch off, then the file as it is now for the new arena. Values that staff
// changed live belong to the arena they were changed in and go with it; before
// its first ArenaEnter a bot has the settings of every arena.
#include <cstdint>
#include <iterator>

#include "spawn/allowance_text.h"
#include "spawn/arena_section.h"
#include "spawn/config_keys.h"
#include "spawn/handled_events.h"
#include "spawn/line_reader.h"
#include "spawn/population_section.h"
#include "spawn/spawn.h"
#include "util/text.h"

namespace {

// Sent to a lagger as a warning, so the configured text follows it.
constexpr const char* kWarnCommand = "*warn ";

// The botInfo field of one row of the table: a text or a number.
struct BotField {
  String botInfo::*text = nullptr;
  std::int32_t botInfo::*number = nullptr;
  constexpr BotField(String botInfo::*field) : text(field) {}
  constexpr BotField(std::int32_t botInfo::*field) : number(field) {}
};

#define TARVOK_BOT_FIELD(kind, key, field, ...) BotField(&botInfo::field),
constexpr BotField kBotFields[] = {TARVOK_CONFIG_KEYS(TARVOK_BOT_FIELD)};
#undef TARVOK_BOT_FIELD
static_assert(std::size(kBotFields) == std::size(kConfigKeys),
              "one field per key");

// Applies one line to the settings of `bot`; the first key that matches wins.
// Returns the row of the key, or nullptr when the line has none.
const ConfigKey* applyConfigLine(botInfo& bot, const char* line) {
  for (std::size_t row = 0; row < std::size(kConfigKeys); ++row) {
    const ConfigKey& key = kConfigKeys[row];
    if (!isPrefixOf(key.key, line)) continue;
    const char* value = line + textLength(key.key);
    const BotField& field = kBotFields[row];
    switch (key.kind) {
      case ConfigKind::Message:
        bot.*field.text = kWarnCommand;
        bot.*field.text += value;
        break;
      case ConfigKind::Text:
        bot.*field.text = value;
        break;
      case ConfigKind::Number:
        bot.*field.number = atoiSaturated(value);
        break;
    }
    return &key;
  }
  return nullptr;
}

}  // namespace

void botInfo::loadConfig() {
  // The file lists every allowance it grants: those of the last read go.
  allowances.dropFileAllowances();
  const bool hadSections = arenaSectionsInFile != 0;
  arenaSectionsInFile = 0;
  arenaSectionFound = 0;
  population.clear();
  {
    LineReader reader(kConfigFileName);
    LineReader::Line line;
    bool linesApply = true;  // before the first section: every arena's
    while (reader.readLine(line)) {
      std::int32_t players = 0;
      if (readPopulationSectionLine(line, &players)) {
        population.startSection(players);
        continue;
      }
      ArenaSectionName section;
      if (readArenaSectionLine(line, &section)) {
        population.endSection();
        arenaSectionsInFile = 1;
        linesApply =
            arenaName.size() > 0 && arenaSectionIs(section, arenaName.chars());
        if (linesApply) arenaSectionFound = 1;
        continue;
      }
      if (population.readingSection()) {
        population.readLine(line);
        continue;
      }
      if (!linesApply) continue;
      if (isPrefixOf(kAllowKey, line)) {
        // A faulty line, or one beyond the table's room, is skipped like
        // any line the plug-in cannot read; check-ini names it.
        AllowanceText allowance;
        if (readAllowanceText(line + textLength(kAllowKey), false,
                              allowance) == AllowanceFault::None) {
          allowances.addFromFile(allowance);
        }
        fairKeysRead = 1;
        continue;
      }
      const ConfigKey* key = applyConfigLine(*this, line);
      if (key != nullptr && key->group == ConfigGroup::Watch) {
        watchOn = 1;
      }
      if (key != nullptr && key->group == ConfigGroup::Fair) {
        fairKeysRead = 1;
      }
    }
  }
  countArenaSectionReader(hadSections, arenaSectionsInFile != 0);
  sanitizeLimits();
}

void botInfo::enterArena(const char* name) {
  if (name == nullptr) name = "";
  // No section line is longer than a line the reader delivers.
  std::uint32_t length = 0;
  while (length < LineReader::kMaxLineLength && name[length] != '\0') {
    ++length;
  }
  arenaName.assign(name, length);
  if (!arenaSectionsInFile) return;
  // The requests and the history of the watch were about the players of
  // the arena the bot was in (ArenaLeave has dropped them, unless the host
  // skipped it).
  watch.leaveArena();
  resetSettings();
  watchOn = 0;
  loadConfig();
  lagLog.arenaEntered(*this);
}

void botInfo::resetSettings() {
  for (std::size_t row = 0; row < std::size(kConfigKeys); ++row) {
    if (kBotFields[row].number != nullptr) {
      this->*kBotFields[row].number = kConfigKeys[row].defaultValue;
    } else {
      this->*kBotFields[row].text = "";
    }
  }
}

void botInfo::setExtraDefaults() {
  for (std::size_t row = 0; row < std::size(kConfigKeys); ++row) {
    if (kConfigKeys[row].group == ConfigGroup::Core) continue;
    if (kBotFields[row].number != nullptr) {
      this->*kBotFields[row].number = kConfigKeys[row].defaultValue;
    }
  }
}

// Every number whose row repairs it: the five limits (300 for pings, 2 for
// losses) and the watch's settings. Every lag report runs this, so the rows
// that repair nothing are passed over before their field is read.
void botInfo::sanitizeLimits() {
  for (std::size_t row = 0; row < std::size(kConfigKeys); ++row) {
    if (kConfigKeys[row].repair == ConfigRepair::Keep ||
        kBotFields[row].number == nullptr) {
      continue;
    }
    std::int32_t& value = this->*kBotFields[row].number;
    value = repairedValue(kConfigKeys[row], value);
  }
}

void botInfo::sendPopulationSettings(const Player* caller,
                                     std::int32_t inShips,
                                     std::int32_t section) {
  scratchText = "Players in ships: ";
  scratchText += inShips;
  if (section == PopulationLimits::kNoSection) {
    scratchText += ", no population section in force";
  } else {
    scratchText += ", section [players ";
    scratchText += section;
    scratchText += "] in force";
  }
  sendPrivate(caller, scratchText.chars());
}

void botInfo::sendArenaSettings(const Player* caller) {
  scratchText = "Settings in force: tarvok.ini's lines for every arena";
  if (arenaName.size() == 0) {
    scratchText += " (no arena entered yet)";
  } else if (arenaSectionFound) {
    scratchText += " and its section [arena ";
    scratchText += arenaName;
    scratchText += "]";
  } else {
    scratchText += " (no section [arena ";
    scratchText += arenaName;
    scratchText += "])";
  }
  sendPrivate(caller, scratchText.chars());
}

// The limits are left as they are: a negative one stays as typed until the
// next lag report repairs it. The fair keys, which "!lagwatch" sets too, are
// repaired.
void botInfo::sanitizeWatchSettings() {
  for (std::size_t row = 0; row < std::size(kConfigKeys); ++row) {
    if (kBotFields[row].number == nullptr) continue;
    if (kConfigKeys[row].group != ConfigGroup::Watch &&
        kConfigKeys[row].group != ConfigGroup::Fair) {
      continue;
    }
    std::int32_t& value = this->*kBotFields[row].number;
    value = repairedValue(kConfigKeys[row], value);
  }
}
