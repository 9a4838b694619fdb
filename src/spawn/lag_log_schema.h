// The lag log's format, once, for every program that writes or reads it:
// the plug-in's writer (spawn/lag_log.cc), the evidence tools' reader and
// the synthetic arena's generator. Header-only and heap-free: the plug-in
// composes rows in a fixed buffer, the tools append the same buffer to
// their strings.
//
// A log is a header line (the column names, tab-separated) and one row per
// line: sixteen tab-separated fields, or seventeen with the arena while the
// settings have arena sections. A check's row holds the player judged (their
// level and ship when listed), the requester (kAutomaticRequester for an
// automatic check), the seven figures as the server wrote them, the limits
// reached (kNone for none, else their names in bit order, comma-separated),
// the strikes "K/N" (kNone when no listed player was judged) and the action,
// followed by its verdicts, each after a '+' ("none+steady",
// "announced+allowance=150+no-quorum"). A presence row has a presence name
// in the action field, the player for the first kPlayerPresences of them,
// an empty requester and figures and kNone for limits and strikes; a
// population row has the same shape with "players=N" in the action field.
//
// Names, figures and the arena are escaped so that a row stays one line of
// its fields and every name comes back as it was: a backslash "\\", tab, CR
// and LF "\t", "\r", "\n", any other byte below 0x20 and 0x7F "\xNN", and a
// name's leading '*' "\x2A" (no player's name reads as the automatic
// requester). A reader takes a backslash that starts no escape as itself
// (the first logs did not escape).
#ifndef TARVOK_SPAWN_LAG_LOG_SCHEMA_H_
#define TARVOK_SPAWN_LAG_LOG_SCHEMA_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace lag_log_schema {

// The columns, in their order.
enum Column : int {
  kTimeColumn,
  kBotColumn,
  kPlayerColumn,
  kLevelColumn,
  kShipColumn,
  kRequesterColumn,
  kFirstFigureColumn,  // current, average, low, high, s2c, c2s, s2cweapons
  kLimitsColumn = kFirstFigureColumn + 7,
  kStrikesColumn,
  kActionColumn,
  kArenaColumn  // only while the settings have arena sections
};
constexpr int kFigureCount = 7;
constexpr int kColumnCount = kActionColumn + 1;  // every row
constexpr int kMostColumns = kArenaColumn + 1;   // a row with the arena
constexpr std::string_view kColumnNames[kMostColumns] = {
    "time",       "bot",     "player",  "level",  "ship", "requester",
    "current",    "average", "low",     "high",   "s2c",  "c2s",
    "s2cweapons", "limits",  "strikes", "action", "arena"};
constexpr char kSeparator = '\t';

// The header line without its line end, and what follows it while the
// settings have arena sections.
constexpr std::string_view kHeader =
    "time\tbot\tplayer\tlevel\tship\trequester\tcurrent\taverage\tlow\thigh\t"
    "s2c\tc2s\ts2cweapons\tlimits\tstrikes\taction";
constexpr std::string_view kArenaHeader = "\tarena";

constexpr bool headerNamesColumns() {
  std::size_t at = 0;
  for (int column = 0; column < kColumnCount; ++column) {
    const std::string_view name = kColumnNames[column];
    if (kHeader.substr(at, name.size()) != name) return false;
    at += name.size();
    if (column + 1 < kColumnCount && kHeader[at++] != kSeparator) return false;
  }
  return at == kHeader.size() &&
         kArenaHeader.substr(1) == kColumnNames[kArenaColumn];
}
static_assert(headerNamesColumns(), "the header lists the columns");

// The requester of an automatic check.
constexpr std::string_view kAutomaticRequester = "*auto";
// The limits or strikes field of a row that has none.
constexpr std::string_view kNone = "-";

// The limits, in the order of their bits (the plug-in's LimitBit).
enum Limit : int {
  kCurrentLimit,
  kAverageLimit,
  kS2cLimit,
  kC2sLimit,
  kS2cWeaponsLimit,
  kS2cNegativeLimit,
  kC2sNegativeLimit,
  kS2cWeaponsNegativeLimit
};
constexpr int kLimitCount = 8;
constexpr std::string_view kLimitNames[kLimitCount] = {
    "current",    "average",      "s2c",          "c2s",
    "s2cweapons", "s2c-negative", "c2s-negative", "s2cweapons-negative"};
constexpr char kLimitSeparator = ',';

// The actions, in the order of the plug-in's DealAction.
constexpr int kActionCount = 4;
constexpr std::string_view kActionNames[kActionCount] = {"none", "announced",
                                                         "warned", "spectated"};

// The verdicts after an action, each after kVerdictMark, in the order of
// their bits (the plug-in's VerdictBit); the allowance carries its
// milliseconds after a '=' ("+allowance=150").
constexpr int kVerdictCount = 4;
constexpr std::string_view kVerdictNames[kVerdictCount] = {
    "allowance", "no-quorum", "steady", "glitch"};
constexpr int kAllowanceVerdict = 0;
constexpr char kVerdictMark = '+';
// The largest allowance a reader takes.
constexpr std::int32_t kMostAllowanceMs = 100000;

// Presence names, in the order of the plug-in's Presence: the first
// kPlayerPresences are of a player, the others of the bot itself.
enum Presence : int { kArrived, kLeft, kShip, kConnected, kArenaLeft };
constexpr int kPresenceCount = 5;
constexpr std::string_view kPresenceNames[kPresenceCount] = {
    "arrived", "left", "ship", "connected", "arena-left"};
constexpr int kPlayerPresences = 3;
// The action field of a population row: this, then the section's N.
constexpr std::string_view kPopulationPrefix = "players=";

// The time field: UTC, ISO 8601, to the second.
constexpr const char kTimeFormat[] = "%Y-%m-%dT%H:%M:%SZ";
constexpr std::size_t kTimeBytes = 20;

// Bounds: a name is the host's player record's at most; a figure and an
// arena are cut to these many bytes when written; levels and ships are
// the game's.
constexpr std::size_t kNameBytes = 20;
constexpr std::size_t kFigureBytes = 24;
constexpr std::size_t kArenaBytes = 64;
constexpr int kMostLevel = 12;
constexpr int kMostShip = 8;
// A row's largest size, with the header and a leading line end.
constexpr std::size_t kMostRowBytes = 2048;

// Whether `byte` is written escaped, at the start of a name (`nameStart`)
// or elsewhere.
constexpr bool escaped(unsigned char byte, bool nameStart) {
  return byte < 0x20 || byte == 0x7F || byte == '\\' ||
         (nameStart && byte == '*');
}

// Writes the escape of `byte` (one that escaped() names) to `out`; returns
// its length, 2 or 4.
inline std::size_t escapeOf(unsigned char byte, char (&out)[4]) {
  static const char kHexDigits[] = "0123456789ABCDEF";
  out[0] = '\\';
  switch (byte) {
    case '\\':
      out[1] = '\\';
      return 2;
    case '\t':
      out[1] = 't';
      return 2;
    case '\r':
      out[1] = 'r';
      return 2;
    case '\n':
      out[1] = 'n';
      return 2;
    default:
      out[1] = 'x';
      out[2] = kHexDigits[byte >> 4];
      out[3] = kHexDigits[byte & 0xF];
      return 4;
  }
}

// The byte an escape at `field[at]` (a backslash) stands for, in `byte`;
// returns the escape's length, 0 when the backslash starts none and stands
// for itself.
inline std::size_t unescapeAt(std::string_view field, std::size_t at,
                              char* byte) {
  const auto hexValue = [](char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : -1;
  };
  if (at + 1 >= field.size()) return 0;
  switch (field[at + 1]) {
    case '\\':
      *byte = '\\';
      return 2;
    case 't':
      *byte = '\t';
      return 2;
    case 'r':
      *byte = '\r';
      return 2;
    case 'n':
      *byte = '\n';
      return 2;
    case 'x':
      if (at + 3 < field.size() && hexValue(field[at + 2]) >= 0 &&
          hexValue(field[at + 3]) >= 0) {
        *byte = static_cast<char>(hexValue(field[at + 2]) * 16 +
                                  hexValue(field[at + 3]));
        return 4;
      }
      return 0;
    default:
      return 0;
  }
}

// A player as a row names them: level and ship of -1 stay empty.
struct RowPlayer {
  std::string_view name;
  std::int32_t level = -1;
  std::int32_t ship = -1;
};

// A check's row.
struct CheckFields {
  std::string_view time;
  std::uint64_t bot = 0;
  // Empty: the line belonged to no request. `listed`: a listed player was
  // judged, whose level, ship and strikes the row holds.
  RowPlayer player;
  bool listed = false;
  bool automatic = false;
  std::string_view requester;  // unless automatic
  std::string_view figures[kFigureCount];
  std::uint8_t limits = 0;
  std::int32_t strikes = 0;
  std::int32_t strikesNeeded = 1;
  int action = 0;  // an index of kActionNames
  std::uint8_t verdicts = 0;
  std::int32_t allowanceMs = 0;
};

// One row under composition in a fixed buffer, line end included: what
// does not fit is dropped, which the bounds of the fields rule out. Every
// row ends with the arena field when `withArena` says the settings have
// arena sections.
class RowText {
 public:
  // Room for a row beside the header and a leading line end in one write.
  static constexpr std::size_t kCapacity =
      kMostRowBytes - kHeader.size() - kArenaHeader.size() - 2;

  RowText(bool withArena, std::string_view arena)
      : withArena_(withArena), arena_(arena) {}

  void check(const CheckFields& fields) {
    start(fields.time, fields.bot);
    putPlayer(fields.player);
    put(kSeparator);
    if (fields.automatic) {
      put(kAutomaticRequester);
    } else {
      putEscaped(fields.requester, true);
    }
    for (const std::string_view figure : fields.figures) {
      put(kSeparator);
      putEscaped(figure.substr(0, kFigureBytes), false);
    }
    put(kSeparator);
    putLimits(fields.limits);
    put(kSeparator);
    if (fields.listed) {
      putNumber(fields.strikes);
      put('/');
      putNumber(fields.strikesNeeded);
    } else {
      put(kNone);
    }
    put(kSeparator);
    put(fields.action >= 0 && fields.action < kActionCount
            ? kActionNames[fields.action]
            : kActionNames[0]);
    for (int bit = 0; bit < kVerdictCount; ++bit) {
      if ((fields.verdicts >> bit & 1u) == 0) continue;
      put(kVerdictMark);
      put(kVerdictNames[bit]);
      if (bit != kAllowanceVerdict) continue;
      put('=');
      putNumber(fields.allowanceMs);
    }
    finish();
  }

  // A presence row: `kind` an index of kPresenceNames; the player only
  // for the first kPlayerPresences.
  void presence(std::string_view time, std::uint64_t bot, int kind,
                const RowPlayer& player) {
    start(time, bot);
    putPlayer(kind < kPlayerPresences ? player : RowPlayer());
    putEmptyCheck();
    put(kPresenceNames[kind >= 0 && kind < kPresenceCount ? kind : 0]);
    finish();
  }

  // A population row: the section [players N] (0: none) judges from here.
  void population(std::string_view time, std::uint64_t bot,
                  std::int32_t players) {
    start(time, bot);
    putPlayer(RowPlayer());
    putEmptyCheck();
    put(kPopulationPrefix);
    putNumber(players);
    finish();
  }

  const char* bytes() const { return bytes_; }
  std::size_t size() const { return size_; }
  std::string_view text() const { return std::string_view(bytes_, size_); }

 private:
  void start(std::string_view time, std::uint64_t bot) {
    size_ = 0;
    put(time);
    put(kSeparator);
    putDigits(bot);
    put(kSeparator);
  }
  // The player, level and ship fields.
  void putPlayer(const RowPlayer& player) {
    putEscaped(player.name.substr(0, kNameBytes), true);
    put(kSeparator);
    if (player.level >= 0) putNumber(player.level);
    put(kSeparator);
    if (player.ship >= 0) putNumber(player.ship);
  }
  // A row of no check: no requester, figures, limits or strikes.
  void putEmptyCheck() {
    put(kSeparator);  // before the requester
    for (int i = 0; i < kFigureCount; ++i) put(kSeparator);
    put(kSeparator);
    put(kNone);
    put(kSeparator);
    put(kNone);
    put(kSeparator);
  }
  void putLimits(std::uint8_t limits) {
    if (limits == 0) {
      put(kNone);
      return;
    }
    bool first = true;
    for (int bit = 0; bit < kLimitCount; ++bit) {
      if ((limits >> bit & 1u) == 0) continue;
      if (!first) put(kLimitSeparator);
      put(kLimitNames[bit]);
      first = false;
    }
  }
  void finish() {
    if (withArena_) {
      put(kSeparator);
      putEscaped(arena_.substr(0, kArenaBytes), false);
    }
    put('\n');
  }
  void put(char c) {
    if (size_ < kCapacity) bytes_[size_++] = c;
  }
  void put(std::string_view text) {
    std::size_t count = text.size();
    if (count > kCapacity - size_) count = kCapacity - size_;
    if (count != 0) std::memcpy(bytes_ + size_, text.data(), count);
    size_ += count;
  }
  void putNumber(std::int32_t number) {
    if (number < 0) put('-');
    putDigits(number < 0 ? 0u - static_cast<std::uint32_t>(number)
                         : static_cast<std::uint32_t>(number));
  }
  void putDigits(std::uint64_t number) {
    char digits[20];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number != 0);
    while (count > 0) put(digits[--count]);
  }
  // `text` escaped, a byte at a time: a field is a few bytes, shorter than
  // a call to copy a run of them would pay for.
  void putEscaped(std::string_view text, bool name) {
    std::size_t size = size_;  // kept apart: the bytes written cannot alias it
    for (std::size_t i = 0; i < text.size(); ++i) {
      const unsigned char byte = static_cast<unsigned char>(text[i]);
      if (!escaped(byte, name && i == 0)) {
        if (size < kCapacity) bytes_[size++] = static_cast<char>(byte);
        continue;
      }
      char escape[4];
      const std::size_t length = escapeOf(byte, escape);
      for (std::size_t e = 0; e < length && size < kCapacity; ++e) {
        bytes_[size++] = escape[e];
      }
    }
    size_ = size;
  }

  bool withArena_;
  std::string_view arena_;
  char bytes_[kCapacity];
  std::size_t size_ = 0;
};

}  // namespace lag_log_schema

#endif  // TARVOK_SPAWN_LAG_LOG_SCHEMA_H_
