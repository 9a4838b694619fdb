// LagLogRow: one row of the plug-in's lag log, the file named by "LagLog="
// in tarvok.ini, read by the log's schema (spawn/lag_log_schema.h: the
// columns, names, escaping and bounds the plug-in writes by): a check, a
// change of presence ("arrived", "left", "ship" of a player; "connected",
// "arena-left" of the bot) or a population row ("players=N": the section
// [players N] judges the bot's rows from there on, "players=0" none;
// readers from before it skip it as a faulty line and read the rest). A row
// of seventeen fields carries the arena whose section judged it; rows of
// sixteen come from settings without arena sections, or from before them,
// as do actions without verdicts.
//
// The reader is strict where the writer is: a raw control byte makes a line
// no row, and so does a name longer than kLongestLoggedName; a backslash
// that starts no escape is itself (logs of the first format did not escape).
#ifndef TARVOK_TOOLS_LAGLOG_LAG_LOG_H_
#define TARVOK_TOOLS_LAGLOG_LAG_LOG_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "spawn/lag_log_schema.h"

enum class LagAction : std::uint8_t { None, Announced, Warned, Spectated };

// The figures of a row, in the order of the log's columns.
enum LagFigure { kCurrent, kAverage, kLow, kHigh, kS2C, kC2S, kS2CWeapons };
constexpr int kFigureCount = lag_log_schema::kFigureCount;

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
constexpr std::size_t kLongestLoggedName = lag_log_schema::kNameBytes;
// The longest arena name the plug-in logs.
constexpr std::size_t kLongestLoggedArena = lag_log_schema::kArenaBytes;

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
  // Read with LagLogFigures::kJoined instead: the figures one after the
  // other, each of its length (`figures` left empty); else empty.
  std::string joinedFigures;
  std::uint32_t figureLengths[kFigureCount] = {};
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
constexpr std::string_view kAutomaticRequester =
    lag_log_schema::kAutomaticRequester;

// `text` as the log writes a name (`name`: a leading '*' escaped too) or a
// figure.
std::string lagLogEscaped(std::string_view text, bool name);

// The header line the plug-in writes first, without its line end (and
// without the arena column).
constexpr std::string_view kLagLogHeader = lag_log_schema::kHeader;
// True for the header, with or without the arena column.
bool isLagLogHeader(std::string_view line);

// Parses `line` (without its line end) into `row`, whose earlier contents
// are replaced. False, with the reason in `error`, for a line that is no
// row: the header is none either.
// With LagLogFigures::kSkipped the figures are left empty (a reader that
// does not need them saves most of the work); with kJoined they are read
// into `joinedFigures` and `figureLengths` (a reader that copies them on
// as one text saves a string for each).
enum class LagLogFigures { kRead, kSkipped, kJoined };
bool parseLagLogRow(std::string_view line, LagLogRow* row, std::string* error,
                    LagLogFigures figures = LagLogFigures::kRead);

// "YYYY-MM-DDTHH:MM:SSZ" to seconds since 1970 and back.
bool parseLagLogTime(std::string_view text, std::int64_t* seconds);
std::string lagLogTimeText(std::int64_t seconds);

// `line` as the simulator's transcript shows it: the fields separated by
// " | ", control bytes as \xNN, and the time of a row replaced by the
// simulated `second` ("00:00:05"), since the plug-in stamps the wall clock.
std::string lagLogLineShown(std::string_view line, std::uint64_t second);

#endif  // TARVOK_TOOLS_LAGLOG_LAG_LOG_H_
