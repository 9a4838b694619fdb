// The simulator's "replay" command: its options and help, and the run that
// plays the lag log LOG again through the plug-in library with the
// settings of FILE (default: "tarvok.ini" of the current directory, the
// plug-in's defaults when there is none), prints the table of logged and
// replayed counts per player, and writes the chart when asked.
// --transcript writes every event of the run, for small logs. Also what a
// replay and a sweep share: their logs, settings and outputs.
#ifndef TARVOK_TOOLS_COMMANDS_REPLAY_COMMAND_H_
#define TARVOK_TOOLS_COMMANDS_REPLAY_COMMAND_H_

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "commands/command_syntax.h"
#include "hostkit/output_file.h"
#include "hostkit/rereadable_input.h"
#include "settings/config_check.h"

class LagLogSet;
class Replay;

struct ReplayOptions {
  std::vector<std::string> logs;  // read as one log; a rotated set oldest first
  std::string ini;  // empty: ./tarvok.ini, else the plug-in's defaults
  std::string chart;
  std::string library;  // empty: the library beside the simulator
  std::string transcript;
  bool classes = false;  // scores by the class in each player's name
  std::string player;    // non-empty: the dispute report of this player
  std::string report;    // its page; empty: the text form only
};

// Its arguments and options, bound to `options`, and its help.
CommandSyntax describeReplayCommand(ReplayOptions* options);

// `defaultLibrary` is the library beside the simulator. Returns the exit
// status: 0 when the replay went through and every output was written, 2
// for a file that cannot be used (every file is checked before the replay
// starts; an output that is one of the inputs is refused) or a replay or a
// write that failed.
int runReplayCommand(const ReplayOptions& options,
                     const std::string& defaultLibrary);

// The most players a replay's chart draws: a page of more would be too
// large to show (some 6 KB a player) and to build in memory.
constexpr std::size_t kMostChartedPlayers = 10000;

// Reads the settings of --ini `ini` (empty: tarvok.ini of the current
// folder, else the plug-in's defaults) into `settings` and names them in
// `name`; false with the message in `fault`, or with `fault` empty when a
// line too long was named on the standard error. Settings larger than
// kLargestReplayedSettings are refused.
bool readSettings(const std::string& ini, std::string* settings,
                  std::string* name, std::string* fault);

// Refuses, before any work, an output (the path; empty: not asked for)
// that is one of `inputs`, another output or the tarvok.ini of the current
// folder, then opens each (see OutputFile). False with the message in `fault`.
bool checkOutputs(const std::vector<std::pair<const std::string*, OutputFile*>>&
                      outputs,
                  const std::vector<std::string>& inputs, std::string* fault);

// Loads every log of `logs` into `replay`, in order; false with the fault
// in `error`.
bool loadLagLogs(const LagLogSet& logs, Replay* replay, std::string* error);

// The inputs that no output may be: the logs, the settings (`ini`; empty:
// tarvok.ini here) and the library.
std::vector<std::string> replayInputs(const LagLogSet& logs,
                                      const std::string& ini,
                                      const std::string& library);

// The period of a loaded log: "from TIME, hh:mm:ss long", or "no rows".
std::string replayPeriodText(const Replay& replay);

// The settings of `check` with the longest countdowns of any of its arena
// sections, so that a replay plays long enough for each arena.
ConfigSettings longestCountdowns(const ConfigCheck& check);

// The lag logs of a replay or a sweep, made ready to be read more than
// once: in the order to read them (the files of one rotated set, FILE.2,
// FILE.1, FILE, oldest first, where the set first appears; others as
// given), a file named twice read once, a log that is no regular file (a
// pipe) copied once (see RereadableInput), each checked to begin like a
// lag log. notes() tell the operator what the output must say of the set:
// a file named twice, a file missing in the middle of a rotated set.
class LagLogSet {
 public:
  // False with the fault in `fault` ("cannot read LOG: why", "LOG is not a
  // lag log: ...", "LOG:LINE: line longer than N bytes").
  bool open(const std::vector<std::string>& logs, std::string* fault);
  // The logs as named, in reading order, each once.
  const std::vector<std::string>& names() const { return names_; }
  // Where to read names()[i]: the file itself, or its copy.
  const std::string& readFrom(std::size_t i) const {
    return inputs_[i].readFrom();
  }
  const std::vector<std::string>& notes() const { return notes_; }
  // The names, escaped, joined by ", ".
  std::string shown() const;

 private:
  std::vector<std::string> names_;
  std::deque<RereadableInput> inputs_;
  std::vector<std::string> notes_;
};

#endif  // TARVOK_TOOLS_COMMANDS_REPLAY_COMMAND_H_
