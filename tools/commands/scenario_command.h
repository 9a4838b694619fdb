// A scenario run, the command of tarvok-sim itself: the plug-in library
// loaded as the host loads it, a scenario (or the demo, or lines typed at
// a prompt) played against it in a work folder of its own, and the
// transcript written; with --chart, the plug-in's lag log drawn, with
// --log, kept.
#ifndef TARVOK_TOOLS_COMMANDS_SCENARIO_COMMAND_H_
#define TARVOK_TOOLS_COMMANDS_SCENARIO_COMMAND_H_

#include <string>

#include "commands/command_syntax.h"

struct RunOptions {
  std::string library;  // empty: the library beside the simulator
  std::string output;   // empty: the standard output
  std::string ini;
  std::string chart;
  std::string log;       // keep the plug-in's lag log here
  std::string scenario;  // empty: the demo, or -i
  bool interactive = false;
};

// The program's own arguments and options, bound to `options`, and its
// help.
CommandSyntax describeScenarioCommand(RunOptions* options);

// `besideUs` is the library beside the simulator. Returns the exit status:
// 0 when the run went through; 2 for a faulty scenario line (with -i: of
// piped input), or a file, library or folder that cannot be used.
int runScenario(const RunOptions& options, const std::string& besideUs);

#endif  // TARVOK_TOOLS_COMMANDS_SCENARIO_COMMAND_H_
