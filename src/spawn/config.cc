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
#include <type_traits>

#include "spawn/allowance_text.h"
#include "spawn/arena_section.h"
#include "spawn/config_keys.h"
#include "spawn/config_reader.h"
#include "spawn/handled_events.h"
#include "spawn/line_reader.h"
#include "spawn/population_section.h"
#include "spawn/spawn.h"
#include "util/text.h"

namespace {

// Where the fields of a group of the table live: on botInfo itself, or in
// the settings of the part that owns them.
template <ConfigGroup group>
struct FieldsOf {
  using Holder = botInfo;
  static botInfo& in(botInfo& bot) { return bot; }
};
template <>
struct FieldsOf<ConfigGroup::Watch> {
  using Holder = WatchSettings;
  static WatchSettings& in(botInfo& bot) { return bot.watchSettings; }
};
template <>
struct FieldsOf<ConfigGroup::Log> {
  using Holder = LogSettings;
  static LogSettings& in(botInfo& bot) { return bot.logSettings; }
};
template <>
struct FieldsOf<ConfigGroup::Messages> {
  using Holder = MessageSettings;
  static MessageSettings& in(botInfo& bot) { return bot.messages; }
};
template <>
struct FieldsOf<ConfigGroup::Fair> {
  using Holder = FairSettings;
  static FairSettings& in(botInfo& bot) { return bot.fair; }
};

// The field of one row of the table in a bot: a text or a number.
struct BotField {
  String& (*text)(botInfo&) = nullptr;
  std::int32_t& (*number)(botInfo&) = nullptr;
};

template <ConfigGroup group, auto field>
constexpr BotField botField() {
  using Holder = typename FieldsOf<group>::Holder;
  BotField found;
  if constexpr (std::is_same_v<decltype(field), String Holder::*>) {
    found.text = [](botInfo& bot) -> String& {
      return FieldsOf<group>::in(bot).*field;
    };
  } else {
    found.number = [](botInfo& bot) -> std::int32_t& {
      return FieldsOf<group>::in(bot).*field;
    };
  }
  return found;
}

#define TARVOK_BOT_FIELD(kind, key, field, defaultValue, lowest, highest, \
                         repair, group)                                   \
  botField<ConfigGroup::group,                                            \
           &FieldsOf<ConfigGroup::group>::Holder::field>(),
constexpr BotField kBotFields[] = {TARVOK_CONFIG_KEYS(TARVOK_BOT_FIELD)};
#undef TARVOK_BOT_FIELD
static_assert(std::size(kBotFields) == std::size(kConfigKeys),
              "one field per key");

// Repairs every number of the table whose row `wanted` accepts, in straight
// code (every lag report repairs the limits, so no row is looked up
// through a pointer).
template <ConfigGroup group, auto field>
void repairNumber(botInfo& bot, const ConfigKey& key) {
  using Holder = typename FieldsOf<group>::Holder;
  if constexpr (std::is_same_v<decltype(field), std::int32_t Holder::*>) {
    if (key.repair == ConfigRepair::Keep) return;
    std::int32_t& value = FieldsOf<group>::in(bot).*field;
    value = repairedValue(key, value);
  }
}

template <class Wanted>
void repairNumbers(botInfo& bot, Wanted wanted) {
  std::size_t row = 0;
#define TARVOK_REPAIR_NUMBER(kind, key, field, defaultValue, lowest, highest, \
                             repair, group)                                   \
  if (wanted(kConfigKeys[row])) {                                             \
    repairNumber<ConfigGroup::group,                                          \
                 &FieldsOf<ConfigGroup::group>::Holder::field>(               \
        bot, kConfigKeys[row]);                                               \
  }                                                                           \
  ++row;
  TARVOK_CONFIG_KEYS(TARVOK_REPAIR_NUMBER)
#undef TARVOK_REPAIR_NUMBER
}

// Applies a line that sets a key of the table to the settings of `bot`.
void applyConfigSetting(botInfo& bot, const ConfigSetting& setting) {
  const ConfigKey& key = *setting.key;
  const BotField& field = kBotFields[&key - kConfigKeys];
  switch (key.kind) {
    case ConfigKind::Message:
      field.text(bot) = kWarnCommand;
      field.text(bot) += setting.value;
      break;
    case ConfigKind::Text:
      field.text(bot) = setting.value;
      break;
    case ConfigKind::Number:
      field.number(bot) = setting.number;
      break;
  }
}

}  // namespace

// The bot is only read: the table's accessors serve reading and writing.
const std::int32_t* botInfo::configNumber(std::size_t row) const {
  const BotField& field = kBotFields[row];
  return field.number != nullptr ? &field.number(const_cast<botInfo&>(*this))
                                 : nullptr;
}

const String* botInfo::configText(std::size_t row) const {
  const BotField& field = kBotFields[row];
  return field.text != nullptr ? &field.text(const_cast<botInfo&>(*this))
                               : nullptr;
}

void botInfo::loadConfig() {
  // The file lists every allowance it grants: those of the last read go.
  allowances.dropFileAllowances();
  const bool hadSections = arena.sectionsInFile != 0;
  arena.sectionsInFile = 0;
  arena.sectionFound = 0;
  population.clear();
  {
    LineReader lines(kConfigFileName);
    ConfigReader reader(lines, nullptr);
    bool linesApply = true;  // before the first section: every arena's
    while (reader.next()) {
      if (reader.kind() == ConfigReader::LineKind::PopulationSection) {
        population.startSection(reader.players());
        continue;
      }
      if (reader.kind() == ConfigReader::LineKind::ArenaSection) {
        population.endSection();
        arena.sectionsInFile = 1;
        linesApply = arena.name.size() > 0 &&
                     arenaSectionIs(reader.arena(), arena.name.chars());
        if (linesApply) arena.sectionFound = 1;
        continue;
      }
      if (population.readingSection()) {
        population.readLine(reader);
        continue;
      }
      if (!linesApply) continue;
      const ConfigSetting& setting = reader.setting();
      if (setting.isAllowance) {
        // A faulty line, or one beyond the table's room, is skipped like
        // any line the plug-in cannot read; check-ini names it.
        if (setting.allowanceFault == AllowanceFault::None) {
          allowances.addFromFile(setting.allowance);
        }
        fairKeysRead = 1;
        continue;
      }
      if (setting.key == nullptr) continue;
      applyConfigSetting(*this, setting);
      if (setting.key->group == ConfigGroup::Watch) watchOn = 1;
      if (setting.key->group == ConfigGroup::Fair) fairKeysRead = 1;
    }
  }
  countArenaSectionReader(hadSections, arena.sectionsInFile != 0);
  sanitizeLimits();
}

void botInfo::enterArena(const char* name) {
  if (name == nullptr) name = "";
  // No section line is longer than a line the reader delivers.
  std::uint32_t length = 0;
  while (length < LineReader::kMaxLineLength && name[length] != '\0') {
    ++length;
  }
  arena.name.assign(name, length);
  if (!arena.sectionsInFile) return;
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
      kBotFields[row].number(*this) = kConfigKeys[row].defaultValue;
    } else {
      kBotFields[row].text(*this) = "";
    }
  }
}

void botInfo::setExtraDefaults() {
  for (std::size_t row = 0; row < std::size(kConfigKeys); ++row) {
    if (kConfigKeys[row].group == ConfigGroup::Core) continue;
    if (kBotFields[row].number != nullptr) {
      kBotFields[row].number(*this) = kConfigKeys[row].defaultValue;
    }
  }
}

// Every number whose row repairs it: the five limits (300 for pings, 2 for
// losses) and the watch's settings.
void botInfo::sanitizeLimits() {
  repairNumbers(*this, [](const ConfigKey&) { return true; });
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
  if (arena.name.size() == 0) {
    scratchText += " (no arena entered yet)";
  } else if (arena.sectionFound) {
    scratchText += " and its section [arena ";
    scratchText += arena.name;
    scratchText += "]";
  } else {
    scratchText += " (no section [arena ";
    scratchText += arena.name;
    scratchText += "])";
  }
  sendPrivate(caller, scratchText.chars());
}

// The limits are left as they are: a negative one stays as typed until the
// next lag report repairs it. The fair keys, which "!lagwatch" sets too, are
// repaired.
void botInfo::sanitizeWatchSettings() {
  repairNumbers(*this, [](const ConfigKey& key) {
    return key.group == ConfigGroup::Watch || key.group == ConfigGroup::Fair;
  });
}
