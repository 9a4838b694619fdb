#include "laglog/lag_log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "hostkit/shown_text.h"
#include "hostkit/transcript.h"

namespace schema = lag_log_schema;

bool isLagLogHeader(std::string_view line) {
  const std::string_view header = schema::kHeader;
  return line == header ||
         (line.size() == header.size() + schema::kArenaHeader.size() &&
          line.substr(0, header.size()) == header &&
          line.substr(header.size()) == schema::kArenaHeader);
}

namespace {

// The reader's kinds are the schema's names, index for index.
static_assert(static_cast<int>(LagAction::Spectated) + 1 ==
              schema::kActionCount);
static_assert(static_cast<int>(LagRowKind::ArenaLeft) ==
              schema::kPresenceCount);

constexpr int kFieldCount = schema::kColumnCount;
// With the arena of arena sections.
constexpr int kMostFields = schema::kMostColumns;
constexpr std::int64_t kSecondsPerDay = 86400;

// Digits only, read into `value`; false for a number past what it holds.
template <typename Number>
bool readNumber(std::string_view text, Number* value) {
  if (text.empty()) return false;
  std::uint64_t result = 0;
  // Nearly every number of a row is short enough to fit whatever its
  // digits: read without a test for overflow at every digit.
  if (text.size() <=
      static_cast<std::size_t>(std::numeric_limits<Number>::digits10)) {
    for (char c : text) {
      const unsigned digit = static_cast<unsigned char>(c) - unsigned{'0'};
      if (digit > 9) return false;
      result = result * 10 + digit;
    }
    *value = static_cast<Number>(result);
    return true;
  }
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (result > (std::numeric_limits<Number>::max() - digit) / 10) {
      return false;
    }
    result = result * 10 + digit;
  }
  *value = static_cast<Number>(result);
  return true;
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian
// calendar, and back.
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear =
      (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra =
      yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void civilFromDays(std::int64_t days, std::int64_t* year, unsigned* month,
                   unsigned* day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear =
      dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  *day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  *month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  *year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (*month <= 2);
}

bool parseLimits(std::string_view text, std::uint8_t* limits) {
  *limits = 0;
  if (text == schema::kNone) return true;
  int next = 0;  // the names come in their order, each at most once
  while (true) {
    const std::size_t comma = text.find(schema::kLimitSeparator);
    const std::string_view name = text.substr(0, comma);
    while (next < schema::kLimitCount && name != schema::kLimitNames[next]) {
      ++next;
    }
    if (next == schema::kLimitCount) return false;
    *limits = static_cast<std::uint8_t>(*limits | 1u << next);
    ++next;
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

// `word == name`, told apart by the first byte where it can be: a row's
// action is matched against every name of an action or a presence.
bool isWord(std::string_view word, std::string_view name) {
  return word.size() == name.size() && (word.empty() || word[0] == name[0]) &&
         word == name;
}

bool parseAction(std::string_view text, LagAction* action) {
  for (int i = 0; i < schema::kActionCount; ++i) {
    if (isWord(text, schema::kActionNames[i])) {
      *action = static_cast<LagAction>(i);
      return true;
    }
  }
  return false;
}

// "+allowance=150+no-quorum+steady+glitch", each at most once, in that
// order.
bool parseVerdicts(std::string_view text, LagLogRow* row) {
  for (int bit = 0; bit < schema::kVerdictCount && !text.empty(); ++bit) {
    const std::string_view name = schema::kVerdictNames[bit];
    if (text.size() <= name.size() || text[0] != schema::kVerdictMark ||
        text.substr(1, name.size()) != name) {
      continue;
    }
    const std::size_t after = 1 + name.size();
    if (bit != schema::kAllowanceVerdict) {
      if (after != text.size() && text[after] != schema::kVerdictMark) {
        continue;
      }
      text.remove_prefix(after);
      row->verdicts |= static_cast<std::uint8_t>(1u << bit);
      continue;
    }
    if (after == text.size() || text[after] != '=') continue;
    text.remove_prefix(after + 1);
    row->verdicts |= static_cast<std::uint8_t>(1u << bit);
    const std::size_t end =
        std::min(text.find(schema::kVerdictMark), text.size());
    std::uint32_t milliseconds = 0;
    if (!readNumber(text.substr(0, end), &milliseconds) ||
        milliseconds > static_cast<std::uint32_t>(schema::kMostAllowanceMs)) {
      return false;
    }
    row->allowanceMs = static_cast<std::int32_t>(milliseconds);
    text.remove_prefix(end);
  }
  return text.empty();
}

bool parsePresence(std::string_view text, LagRowKind* kind,
                   std::uint32_t* populationSection) {
  const std::string_view prefix = schema::kPopulationPrefix;
  if (text.substr(0, prefix.size()) == prefix) {
    *kind = LagRowKind::Population;
    return readNumber(text.substr(prefix.size()), populationSection);
  }
  for (int i = 0; i < schema::kPresenceCount; ++i) {
    if (isWord(text, schema::kPresenceNames[i])) {
      *kind = static_cast<LagRowKind>(i + 1);
      return true;
    }
  }
  return false;
}

std::string hexByte(unsigned char byte) {
  static const char kHexDigits[] = "0123456789ABCDEF";
  return std::string("\\x") + kHexDigits[byte >> 4] + kHexDigits[byte & 0xF];
}

// The field's text with its escapes undone; a backslash that starts no
// escape stands for itself.
void unescape(std::string_view field, std::string* text) {
  std::size_t backslash = field.find('\\');
  if (backslash == std::string_view::npos) {
    text->assign(field.data(), field.size());
    return;
  }
  text->assign(field.data(), backslash);
  for (std::size_t i = backslash; i < field.size(); ++i) {
    char byte = field[i];
    const std::size_t length =
        byte == '\\' ? schema::unescapeAt(field, i, &byte) : 0;
    *text += byte;
    if (length != 0) i += length - 1;
  }
}

// A line cut at its tabs in one pass over its bytes, eight at a time, that
// also finds its first control byte (below 0x20 other than a tab, or 0x7F)
// and whether it holds a backslash, the start of every escape.
struct SplitLine {
  // Field i runs from starts[i] up to the tab before starts[i + 1] (or the
  // line's end). Left uninitialised: only the first count + 1 are written.
  // Room for a block's tabs past the most fields: the tabs of a block are
  // recorded without a test each, their count tested after the block.
  std::size_t starts[kMostFields + 1 + 16];
  int count;  // kMostFields + 1: more fields than that
  std::size_t control;
  bool escapes;
};

void splitLine(std::string_view line, SplitLine* split) {
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
  constexpr std::uint64_t kEach = 0x0101010101010101u;
  // For each byte exactly, its high bit says whether it is zero.
  const auto zeroBytes = [](std::uint64_t v) {
    return ~(((v & kLow7) + kLow7) | v | kLow7);
  };
  split->count = 0;
  split->control = std::string_view::npos;
  split->escapes = false;
  split->starts[0] = 0;
  // Ends the field at `tab`; false when that makes too many.
  const auto endField = [split](std::size_t tab) {
    if (split->count == kMostFields) {
      split->count = kMostFields + 1;
      return false;
    }
    split->starts[++split->count] = tab + 1;
    return true;
  };
  // After a block's tabs: false when they made too many.
  const auto fieldsFit = [split] {
    if (split->count <= kMostFields) return true;
    split->count = kMostFields + 1;
    return false;
  };
  const char* bytes = line.data();
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time where the processor has SSE2 (every x86-64),
  // a bit per byte.
  const __m128i kTabs = _mm_set1_epi8('\t');
  const __m128i kSpace = _mm_set1_epi8(0x20);
  const __m128i kDelete = _mm_set1_epi8(0x7F);
  const __m128i kBackslash = _mm_set1_epi8('\\');
  for (; i + 16 <= line.size(); i += 16) {
    const __m128i chunk =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    unsigned tabs =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, kTabs)));
    // Below 0x20 as signed bytes, less those from 0x80 up.
    const unsigned below20 =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(chunk, kSpace))) &
        ~static_cast<unsigned>(_mm_movemask_epi8(chunk));
    const unsigned controls =
        (below20 | static_cast<unsigned>(_mm_movemask_epi8(
                       _mm_cmpeq_epi8(chunk, kDelete)))) &
        ~tabs;
    if (controls != 0 && split->control == std::string_view::npos) {
      split->control = i + static_cast<std::size_t>(__builtin_ctz(controls));
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, kBackslash)) != 0) {
      split->escapes = true;
    }
    for (; tabs != 0; tabs &= tabs - 1) {
      split->starts[++split->count] =
          i + static_cast<std::size_t>(__builtin_ctz(tabs)) + 1;
    }
    if (!fieldsFit()) return;
  }
#endif
  for (; i + 8 <= line.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    std::uint64_t tabs = zeroBytes(word ^ ('\t' * kEach));
    const std::uint64_t below20 =
        ~(((word & kLow7) + 0x60 * kEach) | word) & kHigh;
    const std::uint64_t controls =
        (below20 | zeroBytes(word ^ (0x7F * kEach))) & ~tabs;
    if (controls != 0 && split->control == std::string_view::npos) {
      split->control = i + static_cast<std::size_t>(__builtin_ctzll(controls) / 8);
    }
    if (zeroBytes(word ^ ('\\' * kEach)) != 0) split->escapes = true;
    for (; tabs != 0; tabs &= tabs - 1) {
      split->starts[++split->count] =
          i + static_cast<std::size_t>(__builtin_ctzll(tabs) / 8) + 1;
    }
    if (!fieldsFit()) return;
  }
  for (; i < line.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\t') {
      if (!endField(i)) return;
    } else if ((byte < 0x20 || byte == 0x7F) &&
               split->control == std::string_view::npos) {
      split->control = i;
    } else if (byte == '\\') {
      split->escapes = true;
    }
  }
  endField(line.size());
}

bool fail(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

// A row's line cut at its tabs; its fields are views into the line, and
// their texts are copied out only where a row keeps them.
class RowFields {
 public:
  explicit RowFields(std::string_view line) : line_(line) {
    splitLine(line, &split_);
  }

  std::string_view line() const { return line_; }
  const SplitLine& split() const { return split_; }

  std::string_view operator[](int i) const {
    return std::string_view(line_.data() + split_.starts[i],
                            split_.starts[i + 1] - 1 - split_.starts[i]);
  }

  // Field i's text into `out`; most lines hold no escape, and their fields
  // are their texts.
  void text(int i, std::string* out) const {
    if (split_.escapes) {
      unescape((*this)[i], out);
    } else {
      out->assign((*this)[i].data(), (*this)[i].size());
    }
  }

 private:
  std::string_view line_;
  SplitLine split_;
};

// As many fields as a row has, and no raw control byte in any of them.
bool checkRowShape(const RowFields& fields, std::string* error) {
  const int count = fields.split().count;
  if (count > kMostFields) {
    return fail(error, "more than 17 tab-separated fields");
  }
  if (count < kFieldCount) {
    return fail(error, std::to_string(count) +
                           " tab-separated fields where a row has " +
                           std::to_string(kFieldCount) + " (" +
                           std::to_string(kMostFields) + " with the arena)");
  }
  const std::size_t control = fields.split().control;
  if (control == std::string_view::npos) return true;
  const std::string_view line = fields.line();
  int field = 0;
  for (std::size_t i = 0; i < control; ++i) field += line[i] == '\t';
  return fail(error, "a raw control byte (" +
                         hexByte(static_cast<unsigned char>(line[control])) +
                         ") in the " +
                         std::string(schema::kColumnNames[field]) + " field");
}

// False, with the reason, for a name longer than `longest` bytes.
bool checkLength(const std::string& name, std::size_t longest, const char* what,
                 std::string* error) {
  if (name.size() <= longest) return true;
  return fail(error, std::string(what) + " longer than " +
                         std::to_string(longest) + " bytes");
}

bool readArena(const RowFields& fields, LagLogRow* row, std::string* error) {
  row->hasArena = fields.split().count == kMostFields;
  row->arena.clear();
  if (!row->hasArena) return true;
  fields.text(schema::kArenaColumn, &row->arena);
  return checkLength(row->arena, kLongestLoggedArena, "an arena name", error);
}

// The columns a presence row leaves at their defaults.
void clearCheckColumns(LagLogRow* row) {
  row->limits = 0;
  row->strikes = 0;
  row->strikesOutOf = 0;
  row->level = -1;
  row->ship = -1;
  row->verdicts = 0;
  row->allowanceMs = 0;
}

bool readTime(const RowFields& fields, LagLogRow* row, std::string* error) {
  const std::string_view time = fields[schema::kTimeColumn];
  // An empty cache matches no time: an empty time field is never one. A
  // time is always of the same length: compared without a call.
  constexpr std::size_t kTimeLength = 20;
  if (time.size() == kTimeLength && row->timeText.size() == kTimeLength &&
      std::memcmp(time.data(), row->timeText.data(), kTimeLength) == 0) {
    return true;
  }
  if (!parseLagLogTime(time, &row->time)) {
    row->timeText.clear();
    return fail(error, "the time is not YYYY-MM-DDTHH:MM:SSZ");
  }
  row->timeText.assign(time.data(), time.size());
  return true;
}

// An empty field leaves `value` as it is; otherwise false for anything but
// a number from 0 to `most`.
bool readOptionalNumber(std::string_view field, int most, int* value) {
  if (field.empty()) return true;
  std::uint32_t number = 0;
  if (!readNumber(field, &number) ||
      number > static_cast<std::uint32_t>(most)) {
    return false;
  }
  *value = static_cast<int>(number);
  return true;
}

// The player with their access level and ship, each of which may be empty.
bool readPlayer(const RowFields& fields, LagLogRow* row, std::string* error) {
  fields.text(schema::kPlayerColumn, &row->player);
  if (!checkLength(row->player, kLongestLoggedName, "a player name", error)) {
    return false;
  }
  if (!readOptionalNumber(fields[schema::kLevelColumn], schema::kMostLevel,
                          &row->level)) {
    return fail(error, "the access level is not 0 to " +
                           std::to_string(schema::kMostLevel));
  }
  if (!readOptionalNumber(fields[schema::kShipColumn], schema::kMostShip,
                          &row->ship)) {
    return fail(error,
                "the ship is not 0 to " + std::to_string(schema::kMostShip));
  }
  if (row->player.empty() && (row->level >= 0 || row->ship >= 0)) {
    return fail(error, "a level or ship without player");
  }
  return true;
}

bool readRequester(const RowFields& fields, LagLogRow* row,
                   std::string* error) {
  row->automatic = fields[schema::kRequesterColumn] == kAutomaticRequester;
  row->requester.clear();
  if (!row->automatic) fields.text(schema::kRequesterColumn, &row->requester);
  return checkLength(row->requester, kLongestLoggedName, "a requester name",
                     error);
}

// The seven figures into one text: sized once, then copied field by field
// (a field with escapes through a string of its own).
void joinFigures(const RowFields& fields, LagLogRow* row) {
  std::size_t total = 0;
  for (int i = 0; i < kFigureCount; ++i) {
    total += fields[schema::kFirstFigureColumn + i].size();
  }
  if (fields.split().escapes) {
    row->joinedFigures.clear();
    std::string figure;
    for (int i = 0; i < kFigureCount; ++i) {
      fields.text(schema::kFirstFigureColumn + i, &figure);
      row->figureLengths[i] = static_cast<std::uint32_t>(figure.size());
      row->joinedFigures += figure;
    }
    return;
  }
  // Figures of a few bytes each (nearly all) are put together on the
  // stack eight bytes at a time, where the line has them: a copy of a
  // fixed size takes no call.
  constexpr std::size_t kWord = 8;
  constexpr std::size_t kMostOnStack = kFigureCount * kWord;
  if (total <= kMostOnStack) {
    char joined[kMostOnStack + kWord];
    char* out = joined;
    const char* const lineEnd = fields.line().data() + fields.line().size();
    for (int i = 0; i < kFigureCount; ++i) {
      const std::string_view figure = fields[schema::kFirstFigureColumn + i];
      row->figureLengths[i] = static_cast<std::uint32_t>(figure.size());
      if (figure.size() <= kWord &&
          static_cast<std::size_t>(lineEnd - figure.data()) >= kWord) {
        std::memcpy(out, figure.data(), kWord);
      } else {
        std::memcpy(out, figure.data(), figure.size());
      }
      out += figure.size();
    }
    row->joinedFigures.assign(joined, total);
    return;
  }
  row->joinedFigures.resize(total);
  char* out = row->joinedFigures.data();
  for (int i = 0; i < kFigureCount; ++i) {
    const std::string_view figure = fields[schema::kFirstFigureColumn + i];
    row->figureLengths[i] = static_cast<std::uint32_t>(figure.size());
    std::memcpy(out, figure.data(), figure.size());
    out += figure.size();
  }
}

void readFigures(const RowFields& fields, LagLogRow* row,
                 LagLogFigures figures) {
  if (figures == LagLogFigures::kRead) {
    for (int i = 0; i < kFigureCount; ++i) {
      fields.text(schema::kFirstFigureColumn + i, &row->figures[i]);
    }
  } else {
    for (std::string& figure : row->figures) figure.clear();
  }
  if (figures == LagLogFigures::kJoined) {
    joinFigures(fields, row);
  } else {
    row->joinedFigures.clear();
    std::fill(std::begin(row->figureLengths), std::end(row->figureLengths),
              0u);
  }
}

// A presence row (the bot connected or left the arena, a player arrived,
// left or changed ship, the arena's population) holds no requester,
// figures or strikes, and a player exactly where it is about one.
bool checkPresenceRow(const RowFields& fields, LagLogRow* row,
                      std::string* error) {
  const bool ofPlayer = row->kind == LagRowKind::Arrived ||
                        row->kind == LagRowKind::Left ||
                        row->kind == LagRowKind::Ship;
  bool empty = fields[schema::kRequesterColumn].empty() &&
               fields[schema::kLimitsColumn] == schema::kNone &&
               fields[schema::kStrikesColumn] == schema::kNone;
  for (int i = 0; i < kFigureCount; ++i)
    empty = empty && fields[schema::kFirstFigureColumn + i].empty();
  if (!empty) {
    return fail(error, "a presence row with a requester, figures or strikes");
  }
  if (ofPlayer != !row->player.empty() ||
      (ofPlayer && (row->level < 0 || row->ship < 0))) {
    return fail(error, ofPlayer ? "a presence row without player, level or ship"
                                : "a player in a row of the bot's own");
  }
  row->action = LagAction::None;
  return true;
}

// A check's strikes: "-", or K/N with K <= N for a player still there.
bool readStrikes(const RowFields& fields, LagLogRow* row, std::string* error) {
  const std::string_view strikes = fields[schema::kStrikesColumn];
  if (strikes == schema::kNone) {
    // A check whose player left before its answer came is logged with the
    // name, but without level, ship or strikes.
    if (!row->player.empty() && (row->level >= 0 || row->ship >= 0)) {
      return fail(error, "a player without strikes");
    }
    return true;
  }
  const std::size_t slash = strikes.find('/');
  if (slash == std::string_view::npos ||
      !readNumber(strikes.substr(0, slash), &row->strikes) ||
      !readNumber(strikes.substr(slash + 1), &row->strikesOutOf) ||
      row->strikesOutOf == 0 || row->strikes > row->strikesOutOf) {
    return fail(error, "the strikes are not \"-\" or K/N with K <= N");
  }
  if (row->player.empty()) return fail(error, "strikes without player");
  return true;
}

// A check's action, and the verdicts of fair limits after it.
bool readCheckAction(const RowFields& fields, LagLogRow* row,
                     std::string* error) {
  const std::string_view action = fields[schema::kActionColumn];
  // A few bytes: looked through here rather than by a call.
  std::size_t plus = 0;
  while (plus < action.size() && action[plus] != schema::kVerdictMark) ++plus;
  const std::string_view verdicts = action.substr(plus);
  if (!parseAction(action.substr(0, plus), &row->action)) {
    return fail(error,
                "the action is not none, announced, warned, spectated, "
                "arrived, left, ship, connected or arena-left");
  }
  if (!parseVerdicts(verdicts, row)) {
    return fail(error,
                "a verdict after the action is not +allowance=MS, "
                "+no-quorum, +steady or +glitch");
  }
  return true;
}

}  // namespace

bool parseLagLogTime(std::string_view text, std::int64_t* seconds) {
  // YYYY-MM-DDTHH:MM:SSZ
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' ||
      text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
      text[19] != 'Z') {
    return false;
  }
  std::uint32_t year, month, day, hour, minute, second;
  if (!readNumber(text.substr(0, 4), &year) ||
      !readNumber(text.substr(5, 2), &month) ||
      !readNumber(text.substr(8, 2), &day) ||
      !readNumber(text.substr(11, 2), &hour) ||
      !readNumber(text.substr(14, 2), &minute) ||
      !readNumber(text.substr(17, 2), &second)) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
      minute > 59 || second > 60) {
    return false;
  }
  *seconds = daysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 +
             minute * 60 + second;
  return true;
}

std::string lagLogTimeText(std::int64_t seconds) {
  std::int64_t days = seconds / kSecondsPerDay;
  std::int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  std::int64_t year;
  unsigned month, day;
  civilFromDays(days, &year, &month, &day);
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02u:%02u:%02uZ",
                static_cast<long long>(year), month, day,
                static_cast<unsigned>(rest / 3600),
                static_cast<unsigned>(rest / 60 % 60),
                static_cast<unsigned>(rest % 60));
  return buffer;
}

std::string lagLogEscaped(std::string_view text, bool name) {
  std::string escaped;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (!schema::escaped(byte, name && i == 0)) {
      escaped += static_cast<char>(byte);
      continue;
    }
    char escape[4];
    escaped.append(escape, schema::escapeOf(byte, escape));
  }
  return escaped;
}

bool parseLagLogRow(std::string_view line, LagLogRow* row, std::string* error,
                    LagLogFigures figures) {
  if (isLagLogHeader(line)) {
    return fail(error, "a header line amid the rows");
  }
  const RowFields fields(line);
  if (!checkRowShape(fields, error) || !readArena(fields, row, error)) {
    return false;
  }
  clearCheckColumns(row);
  if (!readTime(fields, row, error)) return false;
  if (!readNumber(fields[schema::kBotColumn], &row->bot)) {
    return fail(error, "the bot handle is not a number");
  }
  if (!readPlayer(fields, row, error) || !readRequester(fields, row, error)) {
    return false;
  }
  readFigures(fields, row, figures);
  if (!parseLimits(fields[schema::kLimitsColumn], &row->limits)) {
    return fail(error, "the limits are not \"-\" or a list of limit names");
  }
  row->populationSection = 0;
  if (parsePresence(fields[schema::kActionColumn], &row->kind,
                    &row->populationSection)) {
    return checkPresenceRow(fields, row, error);
  }
  row->kind = LagRowKind::Check;
  return readStrikes(fields, row, error) && readCheckAction(fields, row, error);
}

std::string lagLogLineShown(std::string_view line, std::uint64_t second) {
  std::string shown;
  std::size_t start = 0;
  LagLogRow row;
  std::string error;
  if (parseLagLogRow(line, &row, &error)) {
    shown = Transcript::clock(second);
    start = line.find('\t');
  }
  for (std::size_t field = start;;) {
    const std::size_t tab = line.find('\t', field);
    shown += escapeControlBytes(line.substr(field, tab - field));
    if (tab == std::string_view::npos) return shown;
    shown += " | ";
    field = tab + 1;
  }
}
