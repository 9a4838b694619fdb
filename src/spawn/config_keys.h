// The keys of "tarvok.ini": one table that the plug-in reads its settings by
// and that check-ini explains a file by, so that the two cannot drift.
//
// A line counts when it begins exactly with a key (letter case counting);
// the rest of the line is the value. Message keys store "*warn " and the
// text; text keys store the text as it stands; number keys read the value
// as atoi does, saturating at the 32-bit limits. Values outside
// lowest..highest surprise an operator (check-ini says so); where the row
// says so, a value below `lowest` is replaced by the default after reading.
// Keys are tried in the table's order; the first that matches wins.
//
// The table is an X-macro so that each row can name its botInfo field while
// host-side tools, which know nothing of botInfo, use the rest of the row.
// Row: X(kind, key, field, default, lowest, highest, repair, group)
#ifndef TARVOK_SPAWN_CONFIG_KEYS_H_
#define TARVOK_SPAWN_CONFIG_KEYS_H_

#include <cstdint>

enum class ConfigKind : std::uint8_t { Message, Text, Number };
// What happens to a number below `lowest`.
enum class ConfigRepair : std::uint8_t { Keep, BelowLowestToDefault };
// Core keys are the original settings; watch keys belong to the lag watch,
// which is on from the first file that holds one of them; fair keys make
// enforcement fair to real connections (the quorum and the verdict on
// stability; the allowances, "allow=", have a reader of their own in
// allowance_text.h because the key may stand many times); log keys belong
// to the lag log, and so do the keys that tell staff and the arena more
// ("notify=", "sayholds="), since none of them judges a check; message keys
// shape what laggers are told.
enum class ConfigGroup : std::uint8_t { Core, Watch, Fair, Log, Messages };

constexpr std::int32_t kNoHighest = INT32_MAX;

#define TARVOK_CONFIG_KEYS(X)                                                  \
  X(Message, "WarnMessage=", warnMessage, 0, 0, 0, Keep, Core)                 \
  X(Message, "LockMessage=", lockMessage, 0, 0, 0, Keep, Core)                 \
  X(Number, "current=", currentPingLimit, 300, 0, kNoHighest,                  \
    BelowLowestToDefault, Core)                                                \
  X(Number, "average=", averagePingLimit, 300, 0, kNoHighest,                  \
    BelowLowestToDefault, Core)                                                \
  X(Number, "s2cploss=", s2cLossLimit, 2, 0, kNoHighest, BelowLowestToDefault, \
    Core)                                                                      \
  X(Number, "c2sploss=", c2sLossLimit, 2, 0, kNoHighest, BelowLowestToDefault, \
    Core)                                                                      \
  X(Number, "s2cweapons=", s2cWeaponsLossLimit, 2, 0, kNoHighest,              \
    BelowLowestToDefault, Core)                                                \
  X(Number, "display=", displayMode, 1, 0, 2, Keep, Core)                      \
  X(Number, "deal=", dealMode, 1, 0, 3, Keep, Core)                            \
  X(Number, "maxcheckrate=", maxCheckRate, 600, INT32_MIN, kNoHighest, Keep,   \
    Core)                                                                      \
  X(Number, "queue=", queueMode, 0, 0, 1, BelowLowestToDefault, Watch)         \
  X(Number, "autocheck=", autoCheckInterval, 0, 0, kNoHighest,                 \
    BelowLowestToDefault, Watch)                                               \
  X(Number, "strikes=", strikesNeeded, 1, 1, kNoHighest, BelowLowestToDefault, \
    Watch)                                                                     \
  X(Number, "grace=", graceSeconds, 60, 0, kNoHighest, BelowLowestToDefault,   \
    Watch)                                                                     \
  X(Number, "autochecklevel=", autoCheckLevel, 0, 0, 12, BelowLowestToDefault, \
    Watch)                                                                     \
  X(Number, "answertimeout=", answerTimeout, 5, 1, kNoHighest,                 \
    BelowLowestToDefault, Watch)                                               \
  X(Number, "memory=", memorySeconds, 0, 0, kNoHighest, BelowLowestToDefault, \
    Watch)                                                                     \
  X(Number, "strikegap=", strikeGapSeconds, 0, 0, kNoHighest,                 \
    BelowLowestToDefault, Watch)                                               \
  X(Number, "minplayers=", minPlayers, 0, 0, kNoHighest, BelowLowestToDefault, \
    Fair)                                                                      \
  X(Number, "stability=", stabilityJitter, 0, 0, kNoHighest,                   \
    BelowLowestToDefault, Fair)                                                \
  X(Number, "pingceiling=", pingCeiling, 0, 0, kNoHighest,                     \
    BelowLowestToDefault, Fair)                                                \
  X(Number, "ignoreabove=", ignoreAbove, 0, 0, kNoHighest,                     \
    BelowLowestToDefault, Fair)                                                \
  X(Number, "placeholders=", placeholders, 0, 0, 1, BelowLowestToDefault,      \
    Messages)                                                                  \
  X(Text, "StrikeMessage=", strikeMessage, 0, 0, 0, Keep, Messages)            \
  X(Text, "NotifyMessage=", notifyMessage, 0, 0, 0, Keep, Messages)            \
  X(Text, "LagLog=", lagLogPath, 0, 0, 0, Keep, Log)                           \
  X(Number, "LagLogMaxBytes=", lagLogMaxBytes, 10485760, 0, kNoHighest,        \
    BelowLowestToDefault, Log)                                                 \
  X(Number, "notify=", notifyLevel, 0, 0, 12, BelowLowestToDefault, Log)       \
  X(Number, "sayholds=", sayHolds, 0, 0, 1, BelowLowestToDefault, Log)

// One row without its field.
struct ConfigKey {
  ConfigKind kind;
  const char* key;  // with its '='
  std::int32_t defaultValue;
  std::int32_t lowest;
  std::int32_t highest;
  ConfigRepair repair;
  ConfigGroup group;
};

#define TARVOK_CONFIG_KEY_ROW(kind, key, field, defaultValue, lowest, highest, \
                              repair, group)                                   \
  ConfigKey{ConfigKind::kind,  key,                                            \
            defaultValue,      lowest,                                         \
            highest,           ConfigRepair::repair,                           \
            ConfigGroup::group},

// One table in a program (inline): a row found by the reader in one file
// is a row of the same table in every other.
inline constexpr ConfigKey kConfigKeys[] = {
    TARVOK_CONFIG_KEYS(TARVOK_CONFIG_KEY_ROW)};

#undef TARVOK_CONFIG_KEY_ROW

// The number after repair: a value below `lowest` becomes the default where
// the row says so.
constexpr std::int32_t repairedValue(const ConfigKey& key, std::int32_t value) {
  return key.repair == ConfigRepair::BelowLowestToDefault && value < key.lowest
             ? key.defaultValue
             : value;
}

// The rows of the table by the names of their fields, for whoever needs a
// default apart from the settings read: configDefault(ConfigField::
// currentPingLimit).
#define TARVOK_CONFIG_FIELD_NAME(kind, key, field, ...) field,
enum class ConfigField : std::uint8_t {
  TARVOK_CONFIG_KEYS(TARVOK_CONFIG_FIELD_NAME)
};
#undef TARVOK_CONFIG_FIELD_NAME

constexpr const ConfigKey& configKey(ConfigField field) {
  return kConfigKeys[static_cast<int>(field)];
}
constexpr std::int32_t configDefault(ConfigField field) {
  return configKey(field).defaultValue;
}

#endif  // TARVOK_SPAWN_CONFIG_KEYS_H_
