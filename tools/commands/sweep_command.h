// The simulator's "sweep" command: its options and help, and the run that
// replays the lag logs once per combination of the varied keys (sweep.h),
// each in a process of its own (N at once, default: one per core), and
// prints a row per combination, best trade-off first, the base settings'
// row marked.
#ifndef TARVOK_TOOLS_COMMANDS_SWEEP_COMMAND_H_
#define TARVOK_TOOLS_COMMANDS_SWEEP_COMMAND_H_

#include <string>
#include <vector>

#include "commands/command_syntax.h"

struct SweepOptions {
  std::vector<std::string> logs;  // read as one log; a rotated set oldest first
  std::string ini;  // the base settings; empty: ./tarvok.ini, else defaults
  std::vector<std::string> vary;  // KEY=A..B[:STEP] or KEY=A,B,C each
  std::string chart;
  std::string library;     // empty: the library beside the simulator
  unsigned processes = 0;  // at once; 0: one per core
  bool classes = false;    // scores by the class in each player's name
};

// Its arguments and options, bound to `options`, and its help.
CommandSyntax describeSweepCommand(SweepOptions* options);

// `defaultLibrary` is the library beside the simulator. Returns the exit
// status: 0 when every combination was replayed, 2 for a faulty --vary, a
// file that cannot be used (checked before any replay) or a replay that
// failed.
int runSweepCommand(const SweepOptions& options,
                    const std::string& defaultLibrary);

#endif  // TARVOK_TOOLS_COMMANDS_SWEEP_COMMAND_H_
