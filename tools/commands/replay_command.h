// The simulator's "replay" command: its options and help, and the run that
// plays the lag log LOG again through the plug-in library with the
// settings of FILE (default: "tarvok.ini" of the current directory, the
// plug-in's defaults when there is none), prints the table of logged and
// replayed counts per player, and writes the chart when asked.
// --transcript writes every event of the run, for small logs.
#ifndef TARVOK_TOOLS_COMMANDS_REPLAY_COMMAND_H_
#define TARVOK_TOOLS_COMMANDS_REPLAY_COMMAND_H_

#include <cstddef>
#include <string>
#include <vector>

#include "commands/command_syntax.h"

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

#endif  // TARVOK_TOOLS_COMMANDS_REPLAY_COMMAND_H_
