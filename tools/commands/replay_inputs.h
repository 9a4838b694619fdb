// What a replay and a sweep share before and after their runs: the lag
// logs named on the command line (a rotated set put in order, each made
// readable twice), the settings of --ini, the outputs checked before any
// work, and the period a loaded log covers.
#ifndef TARVOK_TOOLS_COMMANDS_REPLAY_INPUTS_H_
#define TARVOK_TOOLS_COMMANDS_REPLAY_INPUTS_H_

#include <cstddef>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "hostkit/output_file.h"
#include "hostkit/rereadable_input.h"
#include "settings/config_check.h"

class LagLogSet;
class Replay;

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

#endif  // TARVOK_TOOLS_COMMANDS_REPLAY_INPUTS_H_
