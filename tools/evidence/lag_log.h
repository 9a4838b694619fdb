// LagLogRow: one row of the plug-in's lag log, the file named by "LagLog="
// in tarvok.ini. The plug-in appends a header line when the file is new, then
// one row per answered lag line: sixteen fields separated by tabs,
//   time bot player level ship requester current average low high s2c c2s
//   s2cweapons limits strikes action
// with the time in UTC as "YYYY-MM-DDTHH:MM:SSZ", the bot's handle, the
// player (empty for a lag line that belonged to no request), the player's
// access level and ship (empty when unknown), the requester ("*auto" for an
// automatic check), the seven figures as the server wrote them, the limits
// reached ("current,average", "-" for none), the strikes ("K/N", "-" without
// player) and what the bot did ("none", "announced", "warned", "spectated"),
// followed, when fair limits shaped the check, by its verdicts, each after
// a '+' ("+allowance=150", "+no-quorum", "+steady", "+glitch"); a log from
// before
// fair limits has none and reads the same.
//
// Presence rows have "arrived", "left" or "ship" in the action field (with a
// player, level and ship), or "connected" or "arena-left" (without player);
// their requester and figures are empty, their limits and strikes "-".
// A row of the same shape with "players=N" in the action field (settings
// with population sections) says that the section [players N] judges the
// bot's rows from there on ("players=0": none); readers from before it
// skip it as a faulty line and read the rest.
//
// While the plug-in's tarvok.ini has arena sections, a row has a
// seventeenth field, "arena": the arena whose settings judged it (empty
// before the bot entered one), and the header then ends with "\tarena".
// Rows of sixteen fields come from settings without sections.
//
// Names and figures are escaped: "\\", "\t", "\r", "\n" and "\xNN" stand for
// a backslash, tab, CR, LF and any byte; a backslash before anything else is
// itself (logs of the first format did not escape). A raw control byte in
// a row makes it no row. Names are at most kLongestLoggedName bytes.
#ifndef TARVOK_TOOLS_EVIDENCE_LAG_LOG_H_
#define TARVOK_TOOLS_EVIDENCE_LAG_LOG_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class LagAction : std::uint8_t { None, Announced, Warned, Spectated };

// The figures of a row, in the order of the log's columns.
enum LagFigure { kCurrent, kAverage, kLow, kHigh, kS2C, kC2S, kS2CWeapons };
constexpr int kFigureCount = 7;

// What a row records: a check or a change of presence.
enum class LagRowKind : std::uint8_t {
  Check,
  Arrived,
  Left,
  Ship,
  Connected,
  ArenaLeft,
  Population  // "players=N": the population section that judges from here
};

// The longest name of the host's player record.
constexpr std::size_t kLongestLoggedName = 20;
// The longest arena name the plug-in logs.
constexpr std::size_t kLongestLoggedArena = 64;

// A bot's handle as logged: a 64-bit host's handles are 64-bit.
using LoggedHandle = std::uint64_t;

struct LagLogRow {
  LagRowKind kind = LagRowKind::Check;
  std::int64_t time = 0;  // seconds since 1970-01-01 00:00:00 UTC
  LoggedHandle bot = 0;
  std::string player;      // unescaped
  int level = -1;          // -1: unknown
  int ship = -1;           // -1: unknown
  bool automatic = false;  // the requester field is "*auto"
  std::string requester;   // unescaped; empty when automatic
  std::string figures[kFigureCount];
  // Bit i: the i-th of current, average, s2c, c2s, s2cweapons,
  // s2c-negative, c2s-negative, s2cweapons-negative.
  std::uint8_t limits = 0;
  std::uint32_t strikes = 0;
  std::uint32_t strikesOutOf = 0;  // 0 when the field is "-"
  LagAction action = LagAction::None;
  // The verdicts of fair limits after the action: bit 0 "allowance=MS",
  // bit 1 "no-quorum", bit 2 "steady", bit 3 "glitch" (the plug-in's
  // VerdictBit).
  std::uint8_t verdicts = 0;
  std::int32_t allowanceMs = 0;
  // Of a Population row: the N of its section, 0 for none.
  std::uint32_t populationSection = 0;
  bool hasArena = false;  // the row has the arena field
  std::string arena;      // unescaped; empty before the bot entered one
  // The time field `time` was read from: a row parsed into the same struct
  // in the same second (five to fifty a second in a busy arena) takes the
  // time without reading the text again.
  std::string timeText;
};

// The requester of an automatic check.
constexpr std::string_view kAutomaticRequester = "*auto";

// `text` as the log writes a name (`name`: a leading '*' escaped too) or a
// figure.
std::string lagLogEscaped(std::string_view text, bool name);

// The header line the plug-in writes first, without its line end (and
// without the arena column).
extern const char kLagLogHeader[];
// True for the header, with or without the arena column.
bool isLagLogHeader(std::string_view line);

// Parses `line` (without its line end) into `row`, whose earlier contents
// are replaced. False, with the reason in `error`, for a line that is no
// row: the header is none either.
// With LagLogFigures::kSkipped the figures are left empty (a reader that
// does not need them saves most of the work).
enum class LagLogFigures { kRead, kSkipped };
bool parseLagLogRow(std::string_view line, LagLogRow* row, std::string* error,
                    LagLogFigures figures = LagLogFigures::kRead);

// "YYYY-MM-DDTHH:MM:SSZ" to seconds since 1970 and back.
bool parseLagLogTime(std::string_view text, std::int64_t* seconds);
std::string lagLogTimeText(std::int64_t seconds);

// `line` as the simulator's transcript shows it: the fields separated by
// " | ", control bytes as \xNN, and the time of a row replaced by the
// simulated `second` ("00:00:05"), since the plug-in stamps the wall clock.
std::string lagLogLineShown(std::string_view line, std::uint64_t second);

#endif  // TARVOK_TOOLS_EVIDENCE_LAG_LOG_H_
