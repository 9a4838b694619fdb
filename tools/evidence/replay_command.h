// The simulator's "replay" command (its options in command_line.h):
// plays the lag log LOG again through the plug-in library with the settings
// of FILE (default: "tarvok.ini" of the current directory, the plug-in's
// defaults when there is none), prints the table of logged and replayed
// counts per player, and writes the chart when asked. --transcript writes
// every event of the run, for small logs.
#ifndef TARVOK_TOOLS_EVIDENCE_REPLAY_COMMAND_H_
#define TARVOK_TOOLS_EVIDENCE_REPLAY_COMMAND_H_

#include <string>
#include <vector>

#include "sim/command_line.h"
#include "sim/config_check.h"

// `defaultLibrary` is the library beside the simulator. Returns the exit
// status: 0 when the replay went through, 2 for a file that cannot be used:
// every file is checked before the replay starts.
int runReplayCommand(const ReplayOptions& options,
                     const std::string& defaultLibrary);

// The settings of `check` with the longest countdowns of any of its arena
// sections, so that a replay plays long enough for each arena.
ConfigSettings longestCountdowns(const ConfigCheck& check);

// The logs in the order to read them: the files of one rotated set (FILE.2,
// FILE.1, FILE) oldest first, where the set first appears; others as given.
std::vector<std::string> logsOldestFirst(const std::vector<std::string>& logs);

// True when every one of `logs` can be read and begins like a lag log;
// else false with the fault in `fault` ("cannot read LOG: why", "LOG is
// not a lag log: ...").
bool checkLagLogs(const std::vector<std::string>& logs, std::string* fault);

#endif  // TARVOK_TOOLS_EVIDENCE_REPLAY_COMMAND_H_
