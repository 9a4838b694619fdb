// The simulator's "sweep" command:
//   tarvok-sim sweep LOG... [--ini BASE] --vary KEY=A..B[:STEP] [--vary ...]
//                    [--chart OUT.html] [--library PATH] [--processes N]
// replays the lag logs once per combination of the varied keys (sweep.h),
// each in a process of its own (N at once, default: one per core), and
// prints a row per combination, best trade-off first, the base settings'
// row marked.
#ifndef TARVOK_TOOLS_SIM_SWEEP_COMMAND_H_
#define TARVOK_TOOLS_SIM_SWEEP_COMMAND_H_

#include <string>
#include <vector>

// The help text of the command.
extern const char kSweepHelp[];

// `arguments` follow the word "sweep"; `defaultLibrary` is the library
// beside the simulator. Returns the exit status: 0 when every combination
// was replayed, 2 for a bad argument, a file that cannot be used or a
// replay that failed.
int runSweepCommand(const std::vector<std::string>& arguments,
                    const std::string& defaultLibrary);

#endif  // TARVOK_TOOLS_SIM_SWEEP_COMMAND_H_
