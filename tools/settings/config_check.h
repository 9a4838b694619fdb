// ConfigCheck: reads the text of a "tarvok.ini" through the plug-in's own
// reader (spawn/config_reader.h, which tells it of every line, section, key,
// value and repair) and lists every line that the plug-in ignores or reads
// in a way its writer may not expect, with the settings that result.
//
// The plug-in takes at most 255 characters per read: a longer line is cut,
// and its rest is read as further lines of their own. A line feed ends a
// line, and so does a carriage return with a line feed. A line counts when
// it begins exactly with a key ("current=", letter case counting, nothing
// before the key or its '='); every other line is skipped without a word.
// Values are read as atoi reads them, saturating at the 32-bit limits; a
// negative limit is repaired to its default; the last of repeated keys wins.
//
// Findings: a key in the wrong letter case or with a blank before the key or
// its '=' (also a byte order mark before the first key); a line that matches
// no key (blank lines and lines starting with '#' or ';' are taken as meant
// to be skipped); a value that is not a number or that saturates; a negative
// limit; a display mode outside 0 to 2 or a dealing mode outside 0 to 3; a
// key given again later; a line over 255 characters. Also settings that are
// read as written but bite: a limit of 0, which every player reaches, and
// deal=2 without a WarnMessage line or deal=3 without a LockMessage line,
// which send the lagger an empty message; a message that begins with '*'
// (the plug-in puts "*warn " before it itself); deal=2 or 3 without
// ordered checks, which may judge one player by another's answer;
// automatic checks without a lag log; stability= with fewer than three
// strikes, which deals with a steady player before their checks can show
// them steady, pingceiling= without stability=, and ignoreabove= below a
// ping limit, which takes every ping at that limit for a glitch. And a lag log whose name
// has a blank at either end, that is tarvok.ini itself, or that cannot be
// created. Lines "allow=NAME +MS" are read by the plug-in's own reader
// (allowance_text.h): a faulty one, one given again for the same name, and
// one beyond the plug-in's room are findings. Findings come in line order.
//
// Arena sections ("[arena NAME]", see spawn/arena_section.h): the lines
// before the first section are every arena's settings; each section's
// settings are those with the section's lines over them. A key given again
// counts only within its part of the file. Findings also name a section
// that appears twice (a bot reads both parts), a section without a key, and
// a bracketed line that is not an arena section (it starts nothing), and
// keys added after a blank or comment line at the end of the last section
// (meant for every arena, read for that arena alone). A file saved as
// UTF-16 gives that one finding: the plug-in reads no key in it.
//
// Population sections ("[players N]", see spawn/population_section.h) hold
// in every arena over its settings while N or more players are in ships;
// a key they may not set, or a section given twice, is a finding. The
// settings that bite are looked for in each population section too, over
// every arena's settings and over each arena section's, and named with the
// section ("with [players 40] in arena pub: ...") where the settings under
// it do not bite so already.
#ifndef TARVOK_TOOLS_SETTINGS_CONFIG_CHECK_H_
#define TARVOK_TOOLS_SETTINGS_CONFIG_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "spawn/line_reader.h"

// The largest tarvok.ini a replay or a sweep takes. The plug-in reads the
// first LineReader::kMaxFileBytes of the file and nothing after, and these
// runs add lines of their own (the replay's lag log, the swept keys), which
// must stand within what it reads; they need far less than the room left.
constexpr std::size_t kLargestReplayedSettings =
    LineReader::kMaxFileBytes - 4096;

// Empty when settings of `size` bytes may be replayed; else the reason,
// naming the file `name` (shown escaped).
std::string replayedSettingsFault(const std::string& name, std::size_t size);

// What the plug-in holds after reading a file at its first Init.
struct ConfigSettings {
  // Every setting at the plug-in's default.
  ConfigSettings();

  std::int32_t currentPingLimit;
  std::int32_t averagePingLimit;
  std::int32_t s2cLossLimit;
  std::int32_t c2sLossLimit;
  std::int32_t s2cWeaponsLossLimit;
  std::int32_t displayMode;
  std::int32_t dealMode;
  std::int32_t maxCheckRate;
  std::string warnMessage;  // "*warn " and the text, empty without a line
  std::string lockMessage;
  std::int32_t placeholders;   // described only when on
  std::string strikeMessage;  // described only when set
  std::string notifyMessage;  // described only when set
  // The lag watch and the lag log; described only when the file has a key
  // of theirs.
  std::int32_t queueMode;
  std::int32_t autoCheckInterval;
  std::int32_t strikesNeeded;
  std::int32_t graceSeconds;
  std::int32_t autoCheckLevel;
  std::int32_t answerTimeout;
  std::int32_t memorySeconds;
  std::int32_t strikeGapSeconds;
  std::string lagLogPath;
  std::int32_t lagLogMaxBytes;
  bool extraKeysInFile = false;
  // Fair limits; described only when the file has one of their keys or an
  // allow= line.
  std::int32_t minPlayers;
  std::int32_t stabilityJitter;
  std::int32_t pingCeiling;
  // Disputes; described only when set.
  std::int32_t notifyLevel;
  std::int32_t sayHolds;
  std::int32_t ignoreAbove;
  struct Allowance {
    std::string name;
    std::int32_t extraMs;
  };
  std::vector<Allowance> allowances;  // in the order of their last lines
  bool fairKeysInFile = false;
  // A key of the lag watch was read: the watch, which keeps the checks the
  // steady verdict reads, is on.
  bool watchKeysInFile = false;

  // One line per setting, as check-ini prints them.
  std::vector<std::string> describe() const;
};

struct ConfigFinding {
  std::size_t line;     // from 1
  std::string message;  // why the line is surprising
};

// The settings of one arena that has a section.
struct ConfigArena {
  std::string name;  // as its first section line writes it
  std::size_t line;  // of that line
  ConfigSettings settings;
};

// A population section: the values it sets, over the settings of a bot's
// arena while at least `players` are in ships.
struct ConfigPopulation {
  std::int32_t players;
  std::size_t line;  // of its first section line
  // The keys set ("current=", ...) with their values, each once, the last
  // line's value.
  std::vector<std::pair<const char*, std::int32_t>> values;
  // `settings` with this section's values over them.
  ConfigSettings over(const ConfigSettings& settings) const;
};

// A piece of a line as the plug-in's reader delivered it (config_check.cc).
struct ConfigPiece;
class LagAllowances;

class ConfigCheck {
 public:
  // Checks the file's bytes. With `folder` (the one the file lies in), the
  // lag log's file is also looked for there.
  explicit ConfigCheck(const std::string& contents,
                       const std::string& folder = "");

  const std::vector<ConfigFinding>& findings() const { return findings_; }
  // The settings of every arena without a section, and of a bot before it
  // enters an arena.
  const ConfigSettings& settings() const { return settings_; }
  // The arenas with sections, in the order of their first lines.
  const std::vector<ConfigArena>& arenas() const { return arenas_; }
  // The section of `arena` (letter case ignored), or nullptr.
  const ConfigArena* arenaNamed(const std::string& arena) const;

  // The population sections, in the order of their first lines.
  const std::vector<ConfigPopulation>& populations() const {
    return populations_;
  }
  // The population section in force with `players` in ships, or nullptr.
  const ConfigPopulation* populationFor(std::int32_t players) const;

  // The report of the settings, as check-ini prints it: every arena's, then
  // each section's, then each population section's; with `arena`, only the
  // settings a bot in that arena uses; with `players`, those in force with
  // that many players in ships. `file` names the file.
  std::vector<std::string> settingsReport(
      const std::string& file, const std::string* arena,
      const std::int32_t* players = nullptr) const;

 private:
  // The parts of the check, in the order the constructor runs them.
  std::vector<ConfigPiece> readPieces(const std::string& contents);
  void sortIntoParts(std::vector<ConfigPiece>& pieces);
  std::vector<std::string> pieceFindings(const ConfigPiece& piece,
                                         std::size_t givenAgain,
                                         LagAllowances& allowanceTable,
                                         const std::string& folder);
  void sectionFindings(const std::vector<ConfigPiece>& pieces);
  void trapFindings(const std::vector<ConfigPiece>& pieces);

  std::vector<ConfigFinding> findings_;
  ConfigSettings settings_;
  std::vector<ConfigArena> arenas_;
  std::vector<ConfigPopulation> populations_;
  // arenas_ by their names in lower case, so that a file of many sections
  // is read in linear time.
  std::unordered_map<std::string, std::size_t> arenaIndex_;
};

#endif  // TARVOK_TOOLS_SETTINGS_CONFIG_CHECK_H_
