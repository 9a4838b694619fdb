// The simulator's "replay" command:
//   tarvok-sim replay LOG [--ini FILE] [--chart OUT.html] [--library PATH]
//                         [--transcript FILE]
// plays the lag log LOG again through the plug-in library with the settings
// of FILE (default: "tarvok.ini" of the current directory, the plug-in's
// defaults when there is none), prints the table of logged and replayed
// counts per player, and writes the chart when asked. --transcript writes
// every event of the run, for small logs.
#ifndef TARVOK_TOOLS_SIM_REPLAY_COMMAND_H_
#define TARVOK_TOOLS_SIM_REPLAY_COMMAND_H_

#include <string>
#include <vector>

// `arguments` follow the word "replay"; `defaultLibrary` is the library
// beside the simulator. Returns the exit status: 0 when the replay went
// through, 2 for a bad argument or a file that cannot be used.
int runReplayCommand(const std::vector<std::string>& arguments,
                     const std::string& defaultLibrary);

// Reads the whole of `path`, a text file (bounds: hostkit/text_input.h);
// false when it cannot, with the message of a refusal on the standard error.
bool readWholeFile(const std::string& path, std::string* contents);
// Writes `contents` to `path`; false when it cannot.
bool writeWholeFile(const std::string& path, const std::string& contents);

#endif  // TARVOK_TOOLS_SIM_REPLAY_COMMAND_H_
