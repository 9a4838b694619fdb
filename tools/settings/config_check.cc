#include "settings/config_check.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>

#include "hostkit/shown_text.h"
#include "hostkit/transcript.h"
#include "spawn/allowance_text.h"
#include "spawn/arena_section.h"
#include "spawn/config_keys.h"
#include "spawn/config_reader.h"
#include "spawn/lag_allowances.h"
#include "spawn/line_reader.h"
#include "spawn/placeholder_names.h"
#include "spawn/population_limits.h"
#include "spawn/population_section.h"
#include "util/text.h"

namespace {

// The plug-in's reads take at most this many characters.
constexpr std::size_t kPieceLength = LineReader::kMaxLineLength;

// The ConfigSettings field of one row of the key table: a text or a number.
struct SettingsField {
  std::string ConfigSettings::*text = nullptr;
  std::int32_t ConfigSettings::*number = nullptr;
  constexpr SettingsField(std::string ConfigSettings::*field) : text(field) {}
  constexpr SettingsField(std::int32_t ConfigSettings::*field)
      : number(field) {}
};

#define TARVOK_SETTINGS_FIELD(kind, key, field, ...) \
  SettingsField(&ConfigSettings::field),
constexpr SettingsField kSettingsFields[] = {
    TARVOK_CONFIG_KEYS(TARVOK_SETTINGS_FIELD)};
#undef TARVOK_SETTINGS_FIELD
static_assert(std::size(kSettingsFields) == std::size(kConfigKeys),
              "one field per key");

const SettingsField& fieldOf(const ConfigKey& key) {
  return kSettingsFields[&key - kConfigKeys];
}

const char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

// What the plug-in reads in one go: at most 255 characters of one line,
// as its reader delivered and sorted it.
struct ConfigPiece {
  std::size_t line = 0;
  std::size_t firstCharacter = 1;  // from 1
  std::size_t lineLength = 0;
  std::string text;                // up to a zero byte, as the plug-in sees it
  ConfigReader::LineKind kind = ConfigReader::LineKind::Other;
  std::int32_t players = 0;        // of a population section line
  std::string arena;               // the NAME of an arena section line
  // Of a line of LineKind::Other: what it sets, its value pointing into
  // `value`.
  ConfigSetting setting;
  std::string value;
  const ConfigKey* key = nullptr;  // the key the piece begins with, or nullptr
  // The part of the file: kEveryArena before the first section, otherwise
  // the index of its arena.
  std::size_t part = 0;
  bool startsSection = false;
  bool isAllowance() const { return setting.isAllowance; }
};

namespace {

using Piece = ConfigPiece;

constexpr std::size_t kEveryArena = static_cast<std::size_t>(-1);
// The part of the lines of population section i: kFirstPopulation + i.
constexpr std::size_t kFirstPopulation = kEveryArena / 2;
// The part of the lines of a population section beyond those the plug-in
// holds, which it skips.
constexpr std::size_t kSkippedPopulation = kEveryArena - 1;
bool isPopulationPart(std::size_t part) {
  return part >= kFirstPopulation && part != kEveryArena;
}

// Findings of one line of a population section, whose values it keeps.
std::vector<std::string> populationLineFindings(
    const Piece& piece, std::size_t givenAgain, ConfigPopulation& population) {
  std::vector<std::string> found;
  const ConfigKey* key = piece.key;
  if (key == nullptr) return found;
  if (populationKeyIndex(*key) == kPopulationKeyCount) {
    std::string keys;
    for (std::size_t i = 0; i < kPopulationKeyCount; ++i) {
      keys += std::string(i == 0 ? "" : i + 1 == kPopulationKeyCount
                                            ? " and "
                                            : ", ") +
              kPopulationKeys[i];
    }
    found.push_back("ignored: [players " + std::to_string(population.players) +
                    "] may set only " + keys);
    return found;
  }
  const std::int32_t number = piece.setting.number;
  bool kept = false;
  for (auto& entry : population.values) {
    if (std::string(entry.first) == key->key) {
      entry.second = number;
      kept = true;
    }
  }
  if (!kept) population.values.push_back({key->key, number});
  if (givenAgain != 0) {
    found.push_back(std::string(key->key) + " is given again on line " +
                    std::to_string(givenAgain) +
                    ", and the last one wins: this line has no effect");
  }
  return found;
}

// An arena's name as messages show it.
std::string shownArena(const std::string& name) { return shownField(name); }

bool isBlank(char c) { return c == ' ' || c == '\t'; }
// White space as atoi skips it.
bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Long texts are cut; control bytes are shown as \xNN.
std::string quoted(const std::string& text) { return quotedField(text); }

// The pieces of a file as the plug-in's reader tells them, each with what
// it sets; a file's line longer than a piece is several pieces of one line.
class PieceCollector : public ConfigListener {
 public:
  void lineRead(const char* text, std::uint32_t length,
                LineReader::LineEnd end) override {
    // A cut line that ends right at a piece's end leaves an empty piece:
    // its line end, which sets nothing.
    lineEndOnly_ = cutLineGoesOn_ && length == 0;
    if (lineEndOnly_) {
      cutLineGoesOn_ = false;
      return;
    }
    Piece piece;
    piece.line = cutLineGoesOn_ ? pieces.back().line : ++lineCount_;
    piece.firstCharacter =
        cutLineGoesOn_ ? pieces.back().firstCharacter + kPieceLength : 1;
    piece.text = text;
    pieces.push_back(piece);
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
      if (it->line != piece.line) break;
      it->lineLength = piece.firstCharacter - 1 + length;
    }
    cutLineGoesOn_ = end == LineReader::LineEnd::Length;
    lastEnd = end;
  }
  void populationSectionRead(std::int32_t players) override {
    pieces.back().kind = ConfigReader::LineKind::PopulationSection;
    pieces.back().players = players;
  }
  void arenaSectionRead(const ArenaSectionName& name) override {
    pieces.back().kind = ConfigReader::LineKind::ArenaSection;
    pieces.back().arena.assign(name.start, name.length);
  }
  void settingRead(const ConfigSetting& setting) override {
    if (lineEndOnly_) return;
    Piece& piece = pieces.back();
    piece.setting = setting;
    piece.key = setting.key;
    piece.value = setting.value;
    piece.setting.value = nullptr;  // it pointed into the reader's line
  }
  void readingEnded(bool cutByBound) override { this->cutByBound = cutByBound; }

  std::vector<Piece> pieces;
  bool cutByBound = false;
  LineReader::LineEnd lastEnd = LineReader::LineEnd::End;

 private:
  std::size_t lineCount_ = 0;
  bool cutLineGoesOn_ = false;
  bool lineEndOnly_ = false;
};

// A value as atoi reads it, and what may surprise about it.
struct NumberReading {
  std::int32_t value;
  bool isNumber;   // optional sign, digits, nothing else but blanks
  bool saturates;  // beyond the signed 32-bit range
};

// `read` is the value the plug-in read from `text`.
NumberReading readNumber(const std::string& text, std::int32_t read) {
  std::size_t position = 0;
  while (position < text.size() && isSpace(text[position])) ++position;
  bool negative = false;
  if (position < text.size() &&
      (text[position] == '-' || text[position] == '+')) {
    negative = text[position] == '-';
    ++position;
  }
  const std::size_t digitsStart = position;
  long long magnitude = 0;
  bool beyondRange = false;
  for (; position < text.size() && isDigit(text[position]); ++position) {
    magnitude = magnitude * 10 + (text[position] - '0');
    if (magnitude > 2147483648LL) {
      beyondRange = true;
      magnitude = 2147483648LL;
    }
  }
  const bool hasDigits = position > digitsStart;
  while (position < text.size() && isBlank(text[position])) ++position;
  NumberReading reading;
  reading.value = read;
  reading.isNumber = hasDigits && position == text.size();
  reading.saturates = beyondRange || (!negative && magnitude > 2147483647LL);
  return reading;
}

// What surprises in the value of a line with a number key.
std::vector<std::string> valueFindings(const ConfigKey& key,
                                       const std::string& value,
                                       const ConfigSetting& setting) {
  std::vector<std::string> found;
  const NumberReading reading = readNumber(value, setting.number);
  const std::string read = std::to_string(reading.value);
  if (reading.saturates) {
    found.push_back("the value " + quoted(value) +
                    " is out of range: read as " + read);
  } else if (value.empty()) {
    found.push_back("the value is empty: read as 0");
  } else if (!reading.isNumber) {
    found.push_back("the value " + quoted(value) +
                    " is not a number: read as " + read);
  }
  const std::string keyName(key.key);
  const std::string repaired = std::to_string(setting.repaired);
  if (key.group == ConfigGroup::Core) {
    if (key.repair == ConfigRepair::BelowLowestToDefault &&
        reading.value < key.lowest) {
      found.push_back("the limit " + read + " is negative: repaired to " +
                      repaired);
    }
    if (keyName == "display=" && (reading.value < 0 || reading.value > 2)) {
      found.push_back("display mode " + read +
                      " is outside 0 to 2: checks start but no report is sent");
    }
    if (keyName == "maxcheckrate=" && reading.value < 0) {
      found.push_back("maxcheckrate " + read +
                      " is below 0: ordinary players never wait between two "
                      "checks");
    }
    if (keyName == "deal=" && (reading.value < 0 || reading.value > 3)) {
      found.push_back("dealing mode " + read +
                      " is outside 0 to 3: laggers are only announced in the "
                      "arena, as with 1");
    }
    return found;
  }
  const std::string name = keyName.substr(0, keyName.size() - 1);
  if (reading.value < key.lowest) {
    found.push_back(name + " " + read + " is below " +
                    std::to_string(key.lowest) + ": the default " + repaired +
                    " is used");
  } else if (reading.value > key.highest) {
    found.push_back(name + " " + read + " is above " +
                    std::to_string(key.highest) + ": it works as " +
                    std::to_string(key.highest));
  }
  return found;
}

// Why a piece that begins with no key is skipped, or nothing when skipping
// it is plainly meant (a blank line, a comment). `section` names the arena
// section the piece stands in; empty before the first.
std::string skipReason(const std::string& piece, const std::string& section) {
  std::size_t start = 0;
  while (start < piece.size() && isBlank(piece[start])) ++start;
  if (start == piece.size() || piece[start] == '#' || piece[start] == ';') {
    return "";
  }
  std::size_t end = piece.size();
  while (end > start && isBlank(piece[end - 1])) --end;
  if (piece[start] == '[' && piece[end - 1] == ']') {
    return "ignored: " + quoted(piece) +
           " is not an arena section (\"[arena NAME]\" starts one): it "
           "starts nothing" +
           (section.empty()
                ? std::string()
                : ", and the lines after it still belong to " + section);
  }
  const std::size_t equals = piece.find('=');
  if (equals != std::string::npos) {
    std::string written = piece.substr(0, equals);
    const bool byteOrderMark = written.compare(0, 3, kByteOrderMark) == 0;
    if (byteOrderMark) written.erase(0, 3);
    std::size_t keyStart = 0;
    while (keyStart < written.size() && isBlank(written[keyStart])) ++keyStart;
    std::size_t keyEnd = written.size();
    while (keyEnd > keyStart && isBlank(written[keyEnd - 1])) --keyEnd;
    const std::string name = written.substr(keyStart, keyEnd - keyStart) + "=";
    std::vector<const char*> keys;
    for (const ConfigKey& key : kConfigKeys) keys.push_back(key.key);
    keys.push_back(kAllowKey);
    for (const char* keyText : keys) {
      if (!equalsIgnoreCase(name.c_str(), keyText)) continue;
      std::vector<std::string> reasons;
      if (byteOrderMark) {
        reasons.push_back("a byte order mark (EF BB BF) stands before the key");
      }
      if (keyStart > 0) reasons.push_back("a blank stands before the key");
      if (keyEnd < written.size()) {
        reasons.push_back("a blank stands before the \"=\"");
      }
      if (name != keyText) {
        reasons.push_back("the key is written \"" + std::string(keyText) +
                          "\" (letter case counts), not \"" + name + "\"");
      }
      std::string reason = "ignored: ";
      for (std::size_t i = 0; i < reasons.size(); ++i) {
        reason += (i == 0 ? "" : ", and ") + reasons[i];
      }
      return reason;
    }
  }
  return "ignored: " + quoted(piece) + " begins with no key";
}


// `name` in lower case up to its first NUL, as equalsIgnoreCase compares.
std::string folded(const std::string& name) {
  std::string lower;
  for (char c : name) {
    if (c == '\0') break;
    lower += toLowerChar(c);
  }
  return lower;
}

// The line of the last key of each kind in each part, found in one walk
// over the file.
class LastLines {
 public:
  explicit LastLines(const std::vector<Piece>& pieces) {
    for (const Piece& piece : pieces) {
      if (piece.key != nullptr) last_[{piece.key->key, piece.part}] = piece.line;
    }
  }
  // The line of the last piece read in `part` that begins with `keyText`;
  // 0 for none. With a `population` part, its line where that section sets
  // the key (a key it may not set stays the arena's).
  std::size_t of(const char* keyText, std::size_t part,
                 std::size_t population = kEveryArena) const {
    if (population != kEveryArena &&
        std::any_of(std::begin(kPopulationKeys), std::end(kPopulationKeys),
                    [keyText](const char* key) {
                      return std::string(key) == keyText;
                    })) {
      const std::size_t line = find(keyText, population);
      if (line != 0) return line;
    }
    return std::max(find(keyText, kEveryArena), find(keyText, part));
  }

 private:
  std::size_t find(const char* keyText, std::size_t part) const {
    const auto found = last_.find({keyText, part});
    return found == last_.end() ? 0 : found->second;
  }
  std::map<std::pair<std::string, std::size_t>, std::size_t> last_;
};

// For each piece, the line of the next piece of its part that gives its key
// again (0: none), in one walk from the end. Allowances count as one key
// per name (letter case ignored).
std::vector<std::size_t> linesGivenAgain(const std::vector<Piece>& pieces) {
  std::vector<std::size_t> again(pieces.size(), 0);
  std::map<std::pair<std::string, std::size_t>, std::size_t> next;
  for (std::size_t i = pieces.size(); i-- > 0;) {
    const Piece& piece = pieces[i];
    std::string key;
    if (piece.key != nullptr) {
      key = piece.key->key;
    } else if (piece.isAllowance()) {
      if (piece.setting.allowanceFault != AllowanceFault::None) continue;
      key = std::string(kAllowKey) + folded(piece.setting.allowance.name);
    } else {
      continue;
    }
    std::size_t& line = next[{key, piece.part}];
    again[i] = line;
    line = piece.line;
  }
  return again;
}

// The placeholders of the messages to laggers and to staff: with
// placeholders on, one that names nothing, or one a message to a lagger
// cannot know ({seconds}), is sent as typed; with them off, a known one is
// sent as typed too. Told at the line of the message in force.
// `where` names the section whose settings these are ("" for every arena).
std::vector<ConfigFinding> placeholderFindings(
    const ConfigSettings& settings, const LastLines& lastLines,
    std::size_t part, const std::string& where) {
  struct Message {
    const char* keyText;
    const std::string& text;
    bool toLagger;
  };
  const Message messages[] = {
      {"WarnMessage=", settings.warnMessage, true},
      {"LockMessage=", settings.lockMessage, true},
      {"StrikeMessage=", settings.strikeMessage, true},
      {"NotifyMessage=", settings.notifyMessage, false}};
  std::vector<ConfigFinding> found;
  for (const Message& message : messages) {
    const std::size_t line = lastLines.of(message.keyText, part);
    if (line == 0) continue;
    std::vector<std::string> unknown;
    std::vector<std::string> known;
    std::vector<std::string> staffOnly;
    PlaceholderFound placeholder;
    for (std::size_t from = 0;
         findPlaceholder(message.text.c_str(), from, &placeholder);
         from = placeholder.start + placeholder.length) {
      const std::string typed =
          message.text.substr(placeholder.start, placeholder.length);
      auto& list = placeholder.meaning == Placeholder::Unknown ? unknown
                   : message.toLagger && !knownToLaggers(placeholder.meaning)
                       ? staffOnly
                       : known;
      if (std::find(list.begin(), list.end(), typed) == list.end()) {
        list.push_back(typed);
      }
    }
    const auto joined = [](const std::vector<std::string>& words) {
      std::string text;
      for (std::size_t i = 0; i < words.size(); ++i) {
        text += (i == 0 ? "" : ", ") + quotedField(words[i]);
      }
      return text;
    };
    if (settings.placeholders != 0 && !unknown.empty()) {
      std::string names;
      for (const PlaceholderName& name : kPlaceholderNames) {
        names += std::string(names.empty() ? "" : " ") + "{" + name.word + "}";
      }
      found.push_back({line, where + joined(unknown) +
                                 (unknown.size() == 1 ? " names" : " name") +
                                 " nothing: sent as typed (placeholders: " +
                                 names + ")"});
    }
    if (settings.placeholders != 0 && !staffOnly.empty()) {
      found.push_back({line, where + joined(staffOnly) +
                                 (staffOnly.size() == 1 ? " is" : " are") +
                                 " known only in staff's line "
                                 "(NotifyMessage=): sent to the lagger as "
                                 "typed"});
    }
    known.insert(known.end(), staffOnly.begin(), staffOnly.end());
    if (settings.placeholders == 0 && !known.empty()) {
      found.push_back({line, where + joined(known) +
                                 (known.size() == 1 ? " is" : " are") +
                                 " sent as typed: placeholders are "
                                 "replaced only with placeholders=1"});
    }
  }
  return found;
}

// The line whose value of `keyText` is in force: in `part`, or in the
// population section `population` over it.
struct LineOfKey {
  const LastLines& lastLines;
  std::size_t part;
  std::size_t population;
  std::size_t operator()(const char* keyText) const {
    return lastLines.of(keyText, part, population);
  }
};

// A limit of 0, which every player reaches.
void zeroLimitTraps(const ConfigSettings& settings, const LineOfKey& lineOf,
                    std::vector<ConfigFinding>& traps) {
  struct LimitTrap {
    const char* keyText;
    std::int32_t value;
    const char* evenFigure;
    const char* laggerTail;
  };
  const LimitTrap limits[] = {
      {"current=", settings.currentPingLimit, "a ping of 0 ms",
       "0+ PING Current"},
      {"average=", settings.averagePingLimit, "a ping of 0 ms",
       "0+ PING Average"},
      {"s2cploss=", settings.s2cLossLimit, "a loss of 0.0", "0%+ S2CPloss"},
      {"c2sploss=", settings.c2sLossLimit, "a loss of 0.0", "0%+ C2SPloss"},
      {"s2cweapons=", settings.s2cWeaponsLossLimit, "a loss of 0.0",
       "0%+ S2CWeapons"},
  };
  for (const LimitTrap& limit : limits) {
    const std::size_t line = lineOf(limit.keyText);
    if (limit.value != 0 || line == 0) continue;
    traps.push_back({line,
                     "the limit 0 makes every checked player a lagger: "
                     "even " +
                         std::string(limit.evenFigure) + " is reported as \"" +
                         limit.laggerTail + "\""});
  }
}

// Fair limits that cannot do what they are written for.
void fairLimitTraps(const ConfigSettings& settings, const LineOfKey& lineOf,
                    std::vector<ConfigFinding>& traps) {
  const std::size_t stabilityLine = lineOf("stability=");
  if (stabilityLine != 0 && settings.stabilityJitter > 0 &&
      settings.strikesNeeded < 3) {
    traps.push_back(
        {stabilityLine,
         "stability=" + std::to_string(settings.stabilityJitter) +
             " judges a player by their last checks, at least three: with "
             "strikes=" +
             std::to_string(settings.strikesNeeded) +
             " a steady player is dealt with before their checks can show "
             "them steady (write strikes=3 or more)"});
  }
  const std::size_t ceilingLine = lineOf("pingceiling=");
  if (ceilingLine != 0 && settings.pingCeiling > 0 &&
      settings.stabilityJitter == 0) {
    traps.push_back({ceilingLine,
                     "pingceiling= is the ceiling of steady players: without "
                     "stability= it changes nothing"});
  }
  const std::size_t ignoreLine = lineOf("ignoreabove=");
  const std::pair<const char*, std::int32_t> pingLimits[] = {
      {"current", settings.currentPingLimit},
      {"average", settings.averagePingLimit}};
  for (const auto& [name, limit] : pingLimits) {
    if (ignoreLine == 0 || settings.ignoreAbove <= 0 ||
        settings.ignoreAbove >= limit) {
      continue;
    }
    traps.push_back(
        {ignoreLine, "ignoreabove=" + std::to_string(settings.ignoreAbove) +
                         " is below the " + name + " limit " +
                         std::to_string(limit) +
                         ": every ping that reaches it is taken for a "
                         "measurement glitch, and nobody is dealt with for "
                         "that limit"});
  }
}

// Dealing with laggers in a way that hits the wrong player, leaves no
// evidence, or tells the lagger nothing.
void dealingTraps(const ConfigSettings& settings, const LineOfKey& lineOf,
                  std::vector<ConfigFinding>& traps) {
  const std::size_t dealLine = lineOf("deal=");
  if (dealLine != 0 && (settings.dealMode == 2 || settings.dealMode == 3) &&
      settings.queueMode == 0 && settings.autoCheckInterval <= 0) {
    traps.push_back({dealLine,
                     "deal=" + std::to_string(settings.dealMode) +
                         " without ordered checks (queue=1): two checks that "
                         "overlap can be judged against the wrong player"});
  }
  const std::size_t autoCheckLine = lineOf("autocheck=");
  if (autoCheckLine != 0 && settings.autoCheckInterval > 0 &&
      settings.lagLogPath.empty()) {
    traps.push_back(
        {autoCheckLine,
         "autocheck=" + std::to_string(settings.autoCheckInterval) +
             " runs the lag watch without a lag log (LagLog=): a warning or "
             "a move to spectator mode leaves nothing to settle a dispute "
             "with"});
  }
  const bool warnsEmpty =
      settings.dealMode == 2 && settings.warnMessage.empty();
  const bool locksEmpty =
      settings.dealMode == 3 && settings.lockMessage.empty();
  if (dealLine != 0 && (warnsEmpty || locksEmpty)) {
    const std::string message = warnsEmpty ? "WarnMessage" : "LockMessage";
    traps.push_back({dealLine, "deal=" + std::to_string(settings.dealMode) +
                                   " sends laggers the " + message +
                                   ", but no " + message +
                                   "= line sets it: the lagger gets an empty "
                                   "private message"});
  }
}

// Settings read as written that bite in play: a limit of 0, which every
// player reaches, fair limits that do nothing, and a dealing mode that
// hits the wrong player or sends a message no line sets. Each is told at
// the line whose value is in force: in `part`, or in the population
// section `population` over it.
std::vector<ConfigFinding> trapsOf(const ConfigSettings& settings,
                                   const LastLines& lastLines,
                                   std::size_t part,
                                   std::size_t population = kEveryArena) {
  const LineOfKey lineOf{lastLines, part, population};
  std::vector<ConfigFinding> traps;
  zeroLimitTraps(settings, lineOf, traps);
  fairLimitTraps(settings, lineOf, traps);
  dealingTraps(settings, lineOf, traps);
  return traps;
}

// An allow= line: the allowance kept in `settings`, or why not.
// `table` is the plug-in's own table of the part's allowances, which
// decides whether a line finds room.
void readAllowance(const Piece& piece, std::size_t lineGivenAgain,
                   ConfigSettings& settings, LagAllowances& table,
                   std::vector<std::string>& found) {
  settings.fairKeysInFile = true;
  settings.extraKeysInFile = true;
  const AllowanceText& allowance = piece.setting.allowance;
  const AllowanceFault fault = piece.setting.allowanceFault;
  if (fault != AllowanceFault::None) {
    found.push_back(std::string("ignored: ") + allowanceFaultText(fault));
    return;
  }
  const bool roomFound = table.addFromFile(allowance);
  if (lineGivenAgain != 0) {
    found.push_back("the allowance of " + quoted(allowance.name) +
                    " is given again on line " +
                    std::to_string(lineGivenAgain) +
                    ", and the last one wins: this line has no effect");
    return;
  }
  // A section's line replaces the allowance of every arena's lines.
  auto& kept = settings.allowances;
  for (auto it = kept.begin(); it != kept.end(); ++it) {
    if (equalsIgnoreCase(it->name.c_str(), allowance.name)) {
      kept.erase(it);
      break;
    }
  }
  if (allowance.extraMs == 0) {
    found.push_back("an allowance of 0 grants nothing");
    return;
  }
  if (!roomFound) {
    found.push_back("ignored: the plug-in holds at most " +
                    std::to_string(LagAllowances::kMostAllowances) +
                    " allowances");
    return;
  }
  settings.allowances.push_back({allowance.name, allowance.extraMs});
}

// What may go wrong with the lag log's file name, read from `folder` (the
// plug-in's current directory, which holds tarvok.ini); empty: the folder
// is unknown and nothing is looked up.
std::vector<std::string> lagLogFindings(const std::string& path,
                                        const std::string& folder) {
  std::vector<std::string> found;
  if (path.empty()) return found;
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  if (isBlank(path.front()) || isBlank(path.back())) {
    found.push_back("the lag log " + quoted(path) +
                    " has a blank at either end: the plug-in writes to a "
                    "file named with it");
  }
  std::string lower;
  for (char c : path) lower += static_cast<char>(toLowerChar(c));
  if (lower == "tarvok.ini" || lower == "./tarvok.ini" ||
      lower == ".\\tarvok.ini") {
    found.push_back(
        "the lag log is tarvok.ini itself: its rows would be read as "
        "settings");
  }
  if (folder.empty()) return found;
  std::error_code failure;
  const std::filesystem::path file = std::filesystem::path(folder) / path;
  if (std::filesystem::is_directory(file, failure)) {
    found.push_back("the lag log " + quoted(path) +
                    " is a folder: the plug-in cannot write it");
  } else if (!std::filesystem::exists(file, failure) &&
             !std::filesystem::is_directory(file.parent_path().empty()
                                                ? std::filesystem::path(".")
                                                : file.parent_path(),
                                            failure)) {
    found.push_back("the lag log " + quoted(path) +
                    " cannot be created: its folder does not exist");
  }
  return found;
}

// A byte order mark of UTF-16, or a NUL among the first two bytes: a text
// of two bytes a character, in which the plug-in found no key and no
// section. (Bytes that only begin like such a text, and hold lines the
// plug-in reads, are checked as any file.)
bool savedAsUtf16(const std::string& contents,
                  const std::vector<Piece>& pieces) {
  const bool anythingRead =
      std::any_of(pieces.begin(), pieces.end(), [](const Piece& piece) {
        return piece.key != nullptr || piece.isAllowance() ||
               piece.kind != ConfigReader::LineKind::Other;
      });
  if (contents.size() < 2 || anythingRead) return false;
  return contents.compare(0, 2, "\xFF\xFE") == 0 ||
         contents.compare(0, 2, "\xFE\xFF") == 0 || contents[0] == '\0' ||
         contents[1] == '\0';
}

// Lines added at the end of a file with arena sections (as tuning advice
// says: "put strikes=2 into tarvok.ini") belong to its last section, though
// they are mostly meant for every arena. The mark of such an addition: keys
// of the last section after a blank or comment line that follows keys of
// its own. The first of them is named.
std::vector<ConfigFinding> appendedLineFindings(
    const std::vector<Piece>& pieces, const std::vector<ConfigArena>& arenas) {
  std::vector<ConfigFinding> found;
  std::size_t lastStart = pieces.size();
  std::size_t firstStart = pieces.size();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (!pieces[i].startsSection) continue;
    if (firstStart == pieces.size()) firstStart = i;
    lastStart = i;
  }
  bool keySeen = false;
  bool gapSeen = false;
  for (std::size_t i = lastStart + 1; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    const bool isKey = piece.key != nullptr || piece.isAllowance();
    if (!isKey) {
      gapSeen = gapSeen || keySeen;
      continue;
    }
    if (isPopulationPart(piece.part)) break;
    if (gapSeen && piece.firstCharacter == 1) {
      const std::string name = shownArena(arenas[piece.part].name);
      found.push_back(
          {piece.line,
           "this line and those after it belong to the section [arena " +
               name + "] of line " + std::to_string(pieces[lastStart].line) +
               ", which runs to the end of the file: they count for arena " +
               name + " alone; a line meant for every arena goes before the "
               "first section (line " +
               std::to_string(pieces[firstStart].line) + ")"});
      break;
    }
    keySeen = true;
  }
  return found;
}

// The traps of the settings in force under each population section.
std::vector<ConfigFinding> populationTraps(
    const std::vector<ConfigPopulation>& populations,
    const ConfigSettings& everyArenaSettings,
    const std::vector<ConfigArena>& arenas, const LastLines& lastLines) {
  std::vector<ConfigFinding> found;
  // Each population section over every arena's settings, then over each
  // arena section's: a trap the settings under it have already is not told
  // again, nor one an arena only inherits from the section over every arena.
  for (std::size_t index = 0; index < populations.size(); ++index) {
    const ConfigPopulation& population = populations[index];
    const std::size_t populationPart = kFirstPopulation + index;
    const std::string section =
        "with [players " + std::to_string(population.players) + "]";
    std::set<std::pair<std::size_t, std::string>> told;
    std::vector<std::size_t> parts{kEveryArena};
    for (std::size_t arena = 0; arena < arenas.size(); ++arena) {
      parts.push_back(arena);
    }
    for (const std::size_t arena : parts) {
      const bool everyArena = arena == kEveryArena;
      const ConfigSettings& under =
          everyArena ? everyArenaSettings : arenas[arena].settings;
      std::set<std::pair<std::size_t, std::string>> underTraps;
      for (const ConfigFinding& trap : trapsOf(under, lastLines, arena)) {
        underTraps.insert({trap.line, trap.message});
      }
      const std::string where =
          everyArena ? section + ": "
                     : section + " in arena " +
                           shownArena(arenas[arena].name) + ": ";
      for (const ConfigFinding& trap :
           trapsOf(population.over(under), lastLines, arena, populationPart)) {
        const std::pair<std::size_t, std::string> key{trap.line, trap.message};
        if (underTraps.count(key) != 0) continue;
        if (!everyArena && told.count(key) != 0) continue;
        if (everyArena) told.insert(key);
        found.push_back({trap.line, where + trap.message});
      }
    }
  }
  return found;
}

// Findings of a piece of a population section, whose values it keeps.
std::vector<std::string> populationPieceFindings(
    const Piece& piece, std::size_t givenAgain, ConfigPopulation& population) {
  std::vector<std::string> found =
      populationLineFindings(piece, givenAgain, population);
  if (piece.key == nullptr &&
      piece.kind != ConfigReader::LineKind::PopulationSection) {
    const std::string reason = skipReason(piece.text, "");
    if (!reason.empty()) found.push_back(reason);
  }
  return found;
}

// A line longer than the plug-in reads in one go is named at its first
// piece; returns how each piece's findings begin ("characters 256 to 300:
// "), empty for a line of one piece.
std::string longLineFindings(const Piece& piece,
                             std::vector<ConfigFinding>& findings) {
  if (piece.lineLength <= kPieceLength) return "";
  if (piece.firstCharacter == 1) {
    const std::size_t count =
        (piece.lineLength + kPieceLength - 1) / kPieceLength;
    findings.push_back(
        {piece.line, "the line has " + std::to_string(piece.lineLength) +
                         " characters: the plug-in reads it as " +
                         std::to_string(count) + " lines of at most " +
                         std::to_string(kPieceLength) + " characters"});
  }
  const std::size_t last =
      std::min(piece.firstCharacter + kPieceLength - 1, piece.lineLength);
  return "characters " + std::to_string(piece.firstCharacter) + " to " +
         std::to_string(last) + ": ";
}

// A line with a key of the table: its value goes into `settings` as the
// plug-in holds it; what surprises about it is returned.
std::vector<std::string> keyFindings(const Piece& piece,
                                     ConfigSettings& settings,
                                     const std::string& folder) {
  std::vector<std::string> found;
  const ConfigKey& key = *piece.key;
  const std::string& value = piece.value;
  const SettingsField& field = fieldOf(key);
  switch (key.kind) {
    case ConfigKind::Number:
      found = valueFindings(key, value, piece.setting);
      settings.*field.number = piece.setting.repaired;
      break;
    case ConfigKind::Message:
      settings.*field.text = kWarnCommand + value;
      if (!value.empty() && value[0] == '*') {
        found.push_back("the message begins with \"*\": the plug-in "
                        "sends it as \"*warn \" and the text itself, so "
                        "the player reads " +
                        quoted(value.substr(0, value.find(' '))) +
                        " as part of the warning");
      }
      break;
    case ConfigKind::Text:
      settings.*field.text = value;
      if (field.text == &ConfigSettings::lagLogPath) {
        found = lagLogFindings(value, folder);
      }
      break;
  }
  if (key.group != ConfigGroup::Core && key.group != ConfigGroup::Messages) {
    settings.extraKeysInFile = true;
  }
  if (key.group == ConfigGroup::Fair) settings.fairKeysInFile = true;
  if (key.group == ConfigGroup::Watch) settings.watchKeysInFile = true;
  return found;
}

}  // namespace

std::string replayedSettingsFault(const std::string& name, std::size_t size) {
  if (size <= kLargestReplayedSettings) return "";
  return escapeControlBytes(name) + " has " + std::to_string(size) +
         " bytes: the plug-in reads only the first " +
         std::to_string(LineReader::kMaxFileBytes) +
         ", and a replay adds lines of its own, so it takes settings of at "
         "most " +
         std::to_string(kLargestReplayedSettings) +
         " bytes (check-ini shows what the plug-in ignores)";
}

ConfigCheck::ConfigCheck(const std::string& contents,
                         const std::string& folder) {
  std::vector<ConfigPiece> pieces = readPieces(contents);
  if (savedAsUtf16(contents, pieces)) {
    findings_.push_back(
        {1, "the file is saved as UTF-16 (two bytes a character): the "
            "plug-in finds no key in it and runs on its defaults; save it as "
            "ANSI or UTF-8"});
    return;
  }
  sortIntoParts(pieces);
  const std::vector<std::size_t> givenAgain = linesGivenAgain(pieces);
  bool sectionsStarted = false;
  // The plug-in's allowance tables: every arena's, then each arena's.
  std::vector<LagAllowances> tables(arenas_.size() + 1);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    if (piece.part == kSkippedPopulation) continue;
    if (isPopulationPart(piece.part)) {
      for (const std::string& message : populationPieceFindings(
               piece, givenAgain[i],
               populations_[piece.part - kFirstPopulation])) {
        findings_.push_back({piece.line, message});
      }
      continue;
    }
    // Each arena starts from the lines for every arena, all read by now.
    if (piece.startsSection && !sectionsStarted) {
      for (ConfigArena& arena : arenas_) arena.settings = settings_;
      for (LagAllowances& table : tables) table = tables.back();
      sectionsStarted = true;
    }
    const std::string where = longLineFindings(piece, findings_);
    LagAllowances& table =
        tables[piece.part == kEveryArena ? arenas_.size() : piece.part];
    for (const std::string& message :
         pieceFindings(piece, givenAgain[i], table, folder)) {
      findings_.push_back({piece.line, where + message});
    }
  }
  sectionFindings(pieces);
  trapFindings(pieces);
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const ConfigFinding& a, const ConfigFinding& b) {
                     return a.line < b.line;
                   });
}

// The plug-in's reader delivers and sorts the lines; a file cut by its
// reading bound is named first.
std::vector<ConfigPiece> ConfigCheck::readPieces(const std::string& contents) {
  PieceCollector collector;
  {
    LineReader lines(contents.data(), contents.size());
    ConfigReader reader(lines, &collector);
    while (reader.next()) {
    }
  }
  if (collector.cutByBound) {
    const bool atLineStart =
        collector.lastEnd == LineReader::LineEnd::LineFeed;
    const std::size_t line =
        (collector.pieces.empty() ? 0 : collector.pieces.back().line) +
        (atLineStart ? 1 : 0);
    findings_.push_back(
        {line, "the plug-in reads only the first " +
                   std::to_string(LineReader::kMaxFileBytes) +
                   " bytes of the file: " +
                   (atLineStart ? "this line" : "the rest of this line") +
                   " and every line after it are ignored"});
  }
  return std::move(collector.pieces);
}

// Each piece gets its part of the file: every arena's, an arena section's
// or a population section's.
void ConfigCheck::sortIntoParts(std::vector<ConfigPiece>& pieces) {
  std::size_t part = kEveryArena;
  for (Piece& piece : pieces) {
    if (piece.kind == ConfigReader::LineKind::PopulationSection) {
      std::size_t index = 0;
      while (index < populations_.size() &&
             populations_[index].players != piece.players) {
        ++index;
      }
      if (index == PopulationLimits::kMostSections) {
        findings_.push_back(
            {piece.line, "ignored: the plug-in holds at most " +
                             std::to_string(PopulationLimits::kMostSections) +
                             " population sections: [players " +
                             std::to_string(piece.players) +
                             "] and its lines have no effect"});
        piece.part = part = kSkippedPopulation;
        continue;
      }
      if (index == populations_.size()) {
        populations_.push_back({piece.players, piece.line, {}});
      } else {
        findings_.push_back(
            {piece.line, "[players " + std::to_string(piece.players) +
                             "] appears again (first on line " +
                             std::to_string(populations_[index].line) +
                             "): both parts are read, and a key in both "
                             "takes its later value"});
      }
      part = kFirstPopulation + index;
    } else if (piece.kind == ConfigReader::LineKind::ArenaSection) {
      const auto known =
          arenaIndex_.emplace(folded(piece.arena), arenas_.size());
      part = known.first->second;
      if (known.second) {
        arenas_.push_back({piece.arena, piece.line, ConfigSettings()});
      }
      piece.startsSection = true;
    }
    piece.part = part;
  }
}

// What surprises in one piece outside the population sections; what it
// sets goes into the settings of its part.
std::vector<std::string> ConfigCheck::pieceFindings(const ConfigPiece& piece,
                                                    std::size_t givenAgain,
                                                    LagAllowances& table,
                                                    const std::string& folder) {
  const bool everyArena = piece.part == kEveryArena;
  ConfigSettings& settings =
      everyArena ? settings_ : arenas_[piece.part].settings;
  const std::string section =
      everyArena ? "" : "[arena " + shownArena(arenas_[piece.part].name) + "]";
  std::vector<std::string> found;
  if (piece.startsSection) {
    const ConfigArena& arena = arenas_[piece.part];
    if (piece.line != arena.line) {
      found.push_back(section + " appears again (first on line " +
                      std::to_string(arena.line) + "): a bot in arena " +
                      shownArena(arena.name) +
                      " reads both parts, and a key in both takes its "
                      "later value");
    }
    return found;
  }
  if (piece.key == nullptr && !piece.isAllowance()) {
    const std::string reason = skipReason(piece.text, section);
    if (!reason.empty()) found.push_back(reason);
    return found;
  }
  if (piece.firstCharacter > 1) {
    found.push_back("read as the line " + quoted(piece.text));
  }
  if (piece.isAllowance()) {
    readAllowance(piece, givenAgain, settings, table, found);
    return found;
  }
  for (std::string& message : keyFindings(piece, settings, folder)) {
    found.push_back(std::move(message));
  }
  if (givenAgain != 0) {
    found.push_back(std::string(piece.key->key) + " is given again on line " +
                    std::to_string(givenAgain) +
                    ", and the last one wins: this line has no effect");
  }
  return found;
}

// Arena sections without a key, and lines added at the end of the last.
void ConfigCheck::sectionFindings(const std::vector<ConfigPiece>& pieces) {
  std::vector<std::size_t> keysInArena(arenas_.size(), 0);
  for (const Piece& piece : pieces) {
    if (piece.part == kEveryArena || isPopulationPart(piece.part)) continue;
    if (piece.key != nullptr || piece.isAllowance()) {
      ++keysInArena[piece.part];
    }
  }
  for (std::size_t index = 0; index < arenas_.size(); ++index) {
    if (keysInArena[index] != 0) continue;
    const ConfigArena& arena = arenas_[index];
    const std::string name = shownArena(arena.name);
    findings_.push_back(
        {arena.line, "[arena " + name + "] holds no key: a bot in arena " +
                         name + " has the settings of every arena"});
  }
  for (const ConfigFinding& finding : appendedLineFindings(pieces, arenas_)) {
    findings_.push_back(finding);
  }
}

// The settings that bite and the placeholders, of every arena and then of
// each arena section and population section.
void ConfigCheck::trapFindings(const std::vector<ConfigPiece>& pieces) {
  const LastLines lastLines(pieces);
  // A trap that a section only inherits is told once.
  std::set<std::pair<std::size_t, std::string>> traps;
  for (const ConfigFinding& trap : trapsOf(settings_, lastLines, kEveryArena)) {
    traps.insert({trap.line, trap.message});
    findings_.push_back(trap);
  }
  // Told for a section only where it differs from every arena's.
  const std::vector<ConfigFinding> everyArenaPlaceholders =
      placeholderFindings(settings_, lastLines, kEveryArena, "");
  findings_.insert(findings_.end(), everyArenaPlaceholders.begin(),
                   everyArenaPlaceholders.end());
  for (std::size_t index = 0; index < arenas_.size(); ++index) {
    const std::string where =
        "in arena " + shownArena(arenas_[index].name) + ": ";
    for (ConfigFinding& finding :
         placeholderFindings(arenas_[index].settings, lastLines, index, where)) {
      const bool inherited = std::any_of(
          everyArenaPlaceholders.begin(), everyArenaPlaceholders.end(),
          [&](const ConfigFinding& other) {
            return other.line == finding.line &&
                   where + other.message == finding.message;
          });
      if (!inherited) findings_.push_back(std::move(finding));
    }
    for (const ConfigFinding& trap :
         trapsOf(arenas_[index].settings, lastLines, index)) {
      if (traps.insert({trap.line, trap.message}).second) {
        findings_.push_back(trap);
      }
    }
  }
  for (const ConfigFinding& trap :
       populationTraps(populations_, settings_, arenas_, lastLines)) {
    findings_.push_back(trap);
  }
}

const ConfigArena* ConfigCheck::arenaNamed(const std::string& arena) const {
  const auto found = arenaIndex_.find(folded(arena));
  return found == arenaIndex_.end() ? nullptr : &arenas_[found->second];
}

ConfigSettings ConfigPopulation::over(const ConfigSettings& settings) const {
  ConfigSettings result = settings;
  for (const auto& [keyText, value] : values) {
    for (const ConfigKey& key : kConfigKeys) {
      if (std::string(key.key) != keyText) continue;
      result.*fieldOf(key).number = repairedValue(key, value);
    }
  }
  return result;
}

const ConfigPopulation* ConfigCheck::populationFor(std::int32_t players) const {
  const ConfigPopulation* found = nullptr;
  for (const ConfigPopulation& population : populations_) {
    if (population.players <= players &&
        (found == nullptr || population.players > found->players)) {
      found = &population;
    }
  }
  return found;
}

std::vector<std::string> ConfigCheck::settingsReport(
    const std::string& file, const std::string* arena,
    const std::int32_t* players) const {
  std::vector<std::string> lines;
  const ConfigPopulation* population =
      players == nullptr ? nullptr : populationFor(*players);
  const std::string crowd =
      players == nullptr
          ? std::string()
          : " with " + std::to_string(*players) + " players in ships (" +
                (population == nullptr
                     ? std::string("no population section")
                     : "section [players " +
                           std::to_string(population->players) + "], line " +
                           std::to_string(population->line)) +
                ")";
  const auto add = [&lines, population](const std::string& heading,
                                        const ConfigSettings& settings) {
    lines.push_back(heading);
    const ConfigSettings inForce =
        population == nullptr ? settings : population->over(settings);
    for (const std::string& row : inForce.describe()) {
      lines.push_back("  " + row);
    }
  };
  if (arena == nullptr && players != nullptr) {
    add("Settings the plug-in reads from " + file + crowd +
            (arenas_.empty() ? "" : ", in every arena without a section") +
            ":",
        settings_);
    return lines;
  }
  if (arena != nullptr) {
    const ConfigArena* section = arenaNamed(*arena);
    const std::string asked = shownArena(*arena);
    if (section != nullptr) {
      add("Settings of a bot in arena " + asked + ", from " + file +
              " with its section [arena " + shownArena(section->name) +
              "] (line " + std::to_string(section->line) + ")" + crowd + ":",
          section->settings);
    } else {
      add("Settings of a bot in arena " + asked + ", from " + file +
              " (no section for it: the settings of every arena)" + crowd +
              ":",
          settings_);
    }
    return lines;
  }
  // Each population section, after the rest: what it sets.
  const auto addPopulations = [this, &lines] {
    for (const ConfigPopulation& section : populations_) {
      lines.push_back("");
      lines.push_back("While " + std::to_string(section.players) +
                      " or more players are in ships, in every arena "
                      "(section on line " +
                      std::to_string(section.line) + "), over the above:");
      const ConfigSettings none;
      const ConfigSettings set = section.over(none);
      for (const auto& entry : section.values) {
        for (const ConfigKey& key : kConfigKeys) {
          if (std::string(key.key) != entry.first) continue;
          const std::string name(key.key, std::string(key.key).size() - 1);
          lines.push_back("  " + name +
                          std::string(name.size() < 14 ? 14 - name.size() : 1,
                                      ' ') +
                          std::to_string(set.*fieldOf(key).number));
        }
      }
      if (section.values.empty()) lines.push_back("  (nothing)");
    }
  };
  if (arenas_.empty()) {
    add("Settings the plug-in reads from " + file + ":", settings_);
    addPopulations();
    return lines;
  }
  add("Settings the plug-in reads from " + file +
          " for every arena without a section (and before a bot enters an "
          "arena):",
      settings_);
  for (const ConfigArena& section : arenas_) {
    lines.push_back("");
    add("Settings of a bot in arena " + shownArena(section.name) +
            " (section on line " + std::to_string(section.line) + "):",
        section.settings);
  }
  addPopulations();
  return lines;
}

namespace {

// "KEY\tVALUE" rows with their values in one column, at least at column 14.
std::vector<std::string> alignedRows(std::vector<std::string> rows) {
  std::size_t width = 14;
  for (const std::string& row : rows) {
    width = std::max(width, row.find('\t') + 1);
  }
  for (std::string& row : rows) {
    const std::size_t tab = row.find('\t');
    row = row.substr(0, tab) + std::string(width - tab, ' ') +
          row.substr(tab + 1);
  }
  return rows;
}

}  // namespace

ConfigSettings::ConfigSettings() {
  for (const ConfigKey& key : kConfigKeys) {
    const SettingsField& field = fieldOf(key);
    if (field.number != nullptr) this->*field.number = key.defaultValue;
  }
}

namespace {

// A "KEY\tVALUE" row; the keys are padded to one column at the end.
std::string settingRow(const char* key, const std::string& value) {
  return std::string(key) + '\t' + value;
}

// The original settings' rows, and the messages' when set.
std::vector<std::string> coreRows(const ConfigSettings& s) {
  // As written after the key: the plug-in adds "*warn " itself.
  const auto message = [](const std::string& text) {
    const std::string prefix = kWarnCommand;
    return text.empty()
               ? std::string("\"\" (no line: an empty message is sent)")
               : Transcript::quoted(text.compare(0, prefix.size(), prefix) == 0
                                        ? text.substr(prefix.size())
                                        : text);
  };
  std::string display;
  switch (s.displayMode) {
    case 0:
      display = "checks are disabled";
      break;
    case 1:
      display = "reports go to the arena";
      break;
    case 2:
      display = "reports go privately to the asker";
      break;
    default:
      display = "checks start, reports go nowhere";
  }
  std::string deal;
  switch (s.dealMode) {
    case 0:
      deal = "laggers are left alone";
      break;
    case 2:
      deal = "laggers are announced in the arena and warned";
      break;
    case 3:
      deal = "laggers are announced, warned and moved to spectator mode";
      break;
    default:
      deal = "laggers are announced in the arena";
  }
  const std::string rate =
      s.maxCheckRate < 0
          ? "players never wait"
          : "a player waits " +
                std::to_string(static_cast<std::int64_t>(s.maxCheckRate) + 1) +
                " seconds between two checks";
  std::vector<std::string> rows = {
      settingRow("current", std::to_string(s.currentPingLimit)),
      settingRow("average", std::to_string(s.averagePingLimit)),
      settingRow("s2cploss", std::to_string(s.s2cLossLimit)),
      settingRow("c2sploss", std::to_string(s.c2sLossLimit)),
      settingRow("s2cweapons", std::to_string(s.s2cWeaponsLossLimit)),
      settingRow("display", std::to_string(s.displayMode) + " (" + display + ")"),
      settingRow("deal", std::to_string(s.dealMode) + " (" + deal + ")"),
      settingRow("maxcheckrate", std::to_string(s.maxCheckRate) + " (" + rate + ")"),
      settingRow("WarnMessage", message(s.warnMessage)),
      settingRow("LockMessage", message(s.lockMessage)),
  };
  if (s.placeholders != 0) {
    rows.push_back(settingRow("placeholders",
                       "1 ({name}, {current}, {limit} and the like in the "
                       "messages to laggers are replaced)"));
  }
  if (!s.strikeMessage.empty()) {
    rows.push_back(settingRow("StrikeMessage", Transcript::quoted(s.strikeMessage)));
  }
  if (!s.notifyMessage.empty()) {
    rows.push_back(settingRow("NotifyMessage", Transcript::quoted(s.notifyMessage)));
  }
  return rows;
}

// The rows of the lag watch, the lag log and the disputes' keys.
std::vector<std::string> watchRows(const ConfigSettings& s) {
  std::vector<std::string> rows;
  const auto seconds = [](std::int32_t value, const char* what) {
    return std::to_string(value) + " (" + what + ")";
  };
  // A value above the key's highest is listed as written, with the value it
  // works as.
  const auto worksAs = [](std::int32_t value, const char* keyText) {
    std::int32_t highest = kNoHighest;
    for (const ConfigKey& key : kConfigKeys) {
      if (std::string(key.key) == keyText) highest = key.highest;
    }
    return value > highest ? "works as " + std::to_string(highest) + ": "
                           : std::string();
  };
  rows.push_back(settingRow("queue", std::to_string(s.queueMode) + " (" +
                                  worksAs(s.queueMode, "queue=") +
                                  (s.queueMode != 0 || s.autoCheckInterval > 0
                                       ? "checks wait their turn)"
                                       : "checks are not queued)")));
  rows.push_back(
      settingRow("autocheck",
          s.autoCheckInterval > 0
              ? seconds(s.autoCheckInterval,
                        "seconds between automatic checks of a watched player")
              : std::string("0 (no automatic checks)")));
  rows.push_back(settingRow(
      "strikes",
      seconds(s.strikesNeeded, "checks over a limit in a row before dealing")));
  if (s.strikeGapSeconds > 0) {
    rows.push_back(settingRow("strikegap",
                       seconds(s.strikeGapSeconds,
                               "seconds at least between two strikes: a "
                               "burst of bad checks is one strike")));
  }
  rows.push_back(settingRow("grace", seconds(s.graceSeconds,
                                      "seconds before a newcomer's first "
                                      "automatic check")));
  rows.push_back(
      settingRow("autochecklevel",
          std::to_string(s.autoCheckLevel) + " (" + worksAs(s.autoCheckLevel, "autochecklevel=") +
              "highest access level checked automatically)"));
  rows.push_back(
      settingRow("answertimeout",
          seconds(s.answerTimeout, "seconds to wait for the server's answer")));
  if (s.memorySeconds > 0) {
    rows.push_back(settingRow("memory",
                       seconds(s.memorySeconds,
                               "seconds a player who left is remembered: "
                               "back by then, they keep their strikes")));
  }
  rows.push_back(settingRow("LagLog", s.lagLogPath.empty()
                                   ? std::string("(no lag log)")
                                   : Transcript::quoted(s.lagLogPath)));
  if (!s.lagLogPath.empty()) {
    rows.push_back(
        settingRow("LagLogMaxBytes",
            s.lagLogMaxBytes == 0
                ? std::string("0 (the log grows without a cap)")
                : std::to_string(s.lagLogMaxBytes) +
                      " (bytes before the log moves to FILE.1, three kept)"));
  }
  if (s.notifyLevel != 0) {
    rows.push_back(settingRow("notify", std::to_string(s.notifyLevel) + " (" +
                                     worksAs(s.notifyLevel, "notify=") +
                                     "players at this access level or above "
                                     "are told of each warning and move)"));
  }
  if (s.sayHolds != 0) {
    rows.push_back(settingRow("sayholds", std::to_string(s.sayHolds) + " (" +
                                       worksAs(s.sayHolds, "sayholds=") +
                                       "the arena hears why a manual check "
                                       "over a limit deals with nobody)"));
  }
  return rows;
}

// The rows of the fair limits and the allowances.
std::vector<std::string> fairRows(const ConfigSettings& s) {
  std::vector<std::string> rows;
  rows.push_back(settingRow(
      "minplayers",
      s.minPlayers > 0
          ? std::to_string(s.minPlayers) +
                " (with fewer players in ships nobody is dealt with, unless "
                "staff asked for the check)"
          : std::string("0 (no quorum: checks deal in any arena)")));
  rows.push_back(settingRow(
      "stability",
      s.stabilityJitter > 0
          ? std::to_string(s.stabilityJitter) +
                " (ms: a player whose last current pings stay this close to "
                "their median is steady, and not dealt with for ping)"
          : std::string("0 (no verdict on stability)")));
  const std::int64_t ceiling =
      s.pingCeiling > 0 ? s.pingCeiling
                      : std::min<std::int64_t>(
                            2 * static_cast<std::int64_t>(s.currentPingLimit),
                            INT32_MAX);
  rows.push_back(settingRow("pingceiling",
                     std::to_string(s.pingCeiling) + " (a steady player's ping " +
                         (s.pingCeiling > 0 ? std::string("at or over this")
                                          : "at or over twice the current "
                                            "limit, " +
                                                std::to_string(ceiling) +
                                                ",") +
                         " is dealt with)"));
  if (s.ignoreAbove > 0) {
    rows.push_back(settingRow("ignoreabove",
                       std::to_string(s.ignoreAbove) +
                           " (ms: a current or average ping above it is a "
                           "measurement glitch, reported but not judged)"));
  }
  if (s.allowances.empty()) {
    rows.push_back(settingRow("allow", "(no allowances)"));
  }
  for (const ConfigSettings::Allowance& allowance : s.allowances) {
    const auto with = [&allowance](std::int32_t limit) {
      return std::to_string(std::min<std::int64_t>(
          static_cast<std::int64_t>(limit) + allowance.extraMs, INT32_MAX));
    };
    rows.push_back(settingRow("allow", Transcript::quoted(allowance.name) + " +" +
                                    std::to_string(allowance.extraMs) +
                                    " ms (current " +
                                    with(s.currentPingLimit) + ", average " +
                                    with(s.averagePingLimit) + ")"));
  }
  return rows;
}

}  // namespace

std::vector<std::string> ConfigSettings::describe() const {
  std::vector<std::string> rows = coreRows(*this);
  if (!extraKeysInFile) return alignedRows(rows);
  for (std::string& row : watchRows(*this)) rows.push_back(std::move(row));
  if (!fairKeysInFile) return alignedRows(rows);
  for (std::string& row : fairRows(*this)) rows.push_back(std::move(row));
  return alignedRows(rows);
}
