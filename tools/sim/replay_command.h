// The simulator's "replay" command (its options in command_line.h):
// plays the lag log LOG again through the plug-in library with the settings
// of FILE (default: "tarvok.ini" of the current directory, the plug-in's
// defaults when there is none), prints the table of logged and replayed
// counts per player, and writes the chart when asked. --transcript writes
// every event of the run, for small logs.
#ifndef TARVOK_TOOLS_SIM_REPLAY_COMMAND_H_
#define TARVOK_TOOLS_SIM_REPLAY_COMMAND_H_

#include <string>

#include "sim/command_line.h"

// `defaultLibrary` is the library beside the simulator. Returns the exit
// status: 0 when the replay went through, 2 for a file that cannot be used:
// every file is checked before the replay starts.
int runReplayCommand(const ReplayOptions& options,
                     const std::string& defaultLibrary);

#endif  // TARVOK_TOOLS_SIM_REPLAY_COMMAND_H_
