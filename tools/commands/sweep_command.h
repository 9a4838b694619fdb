// The simulator's "sweep" command (its options in command_line.h):
// replays the lag logs once per combination of the varied keys (sweep.h),
// each in a process of its own (N at once, default: one per core), and
// prints a row per combination, best trade-off first, the base settings'
// row marked.
#ifndef TARVOK_TOOLS_COMMANDS_SWEEP_COMMAND_H_
#define TARVOK_TOOLS_COMMANDS_SWEEP_COMMAND_H_

#include <string>

#include "commands/command_line.h"

// `defaultLibrary` is the library beside the simulator. Returns the exit
// status: 0 when every combination was replayed, 2 for a faulty --vary, a
// file that cannot be used (checked before any replay) or a replay that
// failed.
int runSweepCommand(const SweepOptions& options,
                    const std::string& defaultLibrary);

#endif  // TARVOK_TOOLS_COMMANDS_SWEEP_COMMAND_H_
