// ConfigReader: the one reading of "tarvok.ini"'s lines. It takes the lines
// of a LineReader and sorts each as the plug-in reads it: a population
// section line (population_section.h), else an arena section line
// (arena_section.h), else a setting: an "allow=" line (allowance_text.h),
// a line that begins with a key of the table (config_keys.h, the first key
// that matches wins), or a line without a key, which is skipped. What the
// lines mean to a bot (which section applies, where values go) is the
// bot's; the sorting is here alone.
//
// A ConfigListener, where one is given, is told of every line, section,
// key and value, allowance and skipped line, and at the end whether the
// reading bound cut the file: check-ini explains a file by what the plug-in
// read. Without a listener a setting is sorted only when asked for, so a
// line that applies to no bot costs no search of the table, and nothing is
// allocated.
#ifndef TARVOK_SPAWN_CONFIG_READER_H_
#define TARVOK_SPAWN_CONFIG_READER_H_

#include <cstdint>

#include "spawn/allowance_text.h"
#include "spawn/arena_section.h"
#include "spawn/config_keys.h"
#include "spawn/line_reader.h"
#include "spawn/population_section.h"

// Sent to a lagger as a warning: a message key stores it before its text.
constexpr const char* kWarnCommand = "*warn ";

// What a line that starts no section sets.
struct ConfigSetting {
  bool isAllowance = false;
  // The allowance of an "allow=" line, or why it is faulty.
  AllowanceFault allowanceFault = AllowanceFault::None;
  AllowanceText allowance;
  // The row of the key the line begins with; nullptr for none.
  const ConfigKey* key = nullptr;
  const char* value = nullptr;  // the text after the key
  // A number key's value as read, and as the plug-in holds it after repair.
  std::int32_t number = 0;
  std::int32_t repaired = 0;
};

class ConfigListener {
 public:
  // A line as the line reader delivered it: `length` bytes (a zero byte
  // among them ends its text sooner), ended as `end` says; LineEnd::Length
  // means the file's line was cut and its rest comes as the next lines.
  virtual void lineRead(const char* text, std::uint32_t length,
                        LineReader::LineEnd end) = 0;
  // The line starts a section.
  virtual void populationSectionRead(std::int32_t players) = 0;
  virtual void arenaSectionRead(const ArenaSectionName& name) = 0;
  // The line sets something, or (no key, not an allowance) is skipped.
  virtual void settingRead(const ConfigSetting& setting) = 0;
  // No line follows; `cutByBound` when the file holds bytes past the
  // reading bound.
  virtual void readingEnded(bool cutByBound) = 0;

 protected:
  ~ConfigListener() = default;
};

class ConfigReader {
 public:
  enum class LineKind : std::uint8_t { PopulationSection, ArenaSection, Other };

  ConfigReader(LineReader& lines, ConfigListener* listener)
      : lines_(lines), listener_(listener) {}

  // Reads and sorts the next line; false after the last.
  bool next();

  LineKind kind() const { return kind_; }
  const char* line() const { return line_; }
  // Of a population section line.
  std::int32_t players() const { return players_; }
  // Of an arena section line; it points into line().
  const ArenaSectionName& arena() const { return arena_; }
  // Of a line of LineKind::Other.
  const ConfigSetting& setting() {
    if (!settingSorted_) sortSetting();
    return setting_;
  }

 private:
  void sortSetting();

  LineReader& lines_;
  ConfigListener* listener_;
  LineReader::Line line_;
  LineKind kind_ = LineKind::Other;
  std::int32_t players_ = 0;
  ArenaSectionName arena_;
  ConfigSetting setting_;
  bool settingSorted_ = false;
};

#endif  // TARVOK_SPAWN_CONFIG_READER_H_
