// The simulator's command line: which command is given, with its options
// read into that command's own (each command's file describes its
// arguments, options and help).
//
//   tarvok-sim [OPTIONS] [SCENARIO | -i]   a scenario run (the demo without
//                                          SCENARIO)
//   tarvok-sim check-ini FILE [--arena NAME]  what the plug-in makes of FILE
//   tarvok-sim replay LOG... [OPTIONS]     a lag log played again
//   tarvok-sim arena [OPTIONS]             the lag log of a synthetic arena
//   tarvok-sim sweep LOG... --vary KEY=A..B [OPTIONS]  many settings over a
//                                          lag log
//   tarvok-sim help [COMMAND]              the same as COMMAND --help
//
// In the conventions of command-line tools: --help (-h) on the program and
// on each command prints its usage on the standard output, --version the
// program's version, both with exit status 0; an unknown option or a
// faulty argument is named on the standard error with a pointer to --help,
// exit status 2. "--" ends the options, so that a file may begin with '-'.
// Arguments in messages have their control bytes escaped.
#ifndef TARVOK_TOOLS_COMMANDS_COMMAND_LINE_H_
#define TARVOK_TOOLS_COMMANDS_COMMAND_LINE_H_

#include <string>
#include <vector>

#include "commands/arena_command.h"
#include "commands/check_ini_command.h"
#include "commands/command_syntax.h"
#include "commands/replay_command.h"
#include "commands/scenario_command.h"
#include "commands/sweep_command.h"

enum class SimCommand {
  Finished,  // help, the version or an error was printed: exit with `status`
  Run,
  CheckIni,
  Replay,
  Arena,
  Sweep,
};

struct CommandLine {
  SimCommand command = SimCommand::Finished;
  int status = 0;
  RunOptions run;
  CheckIniOptions checkIni;
  ReplayOptions replay;
  ArenaOptions arena;
  SweepOptions sweep;
};

// Parses `arguments` (without the program's name). Help and the version
// are appended to `out`, faults to `errors`; both give SimCommand::Finished.
CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             std::string* out, std::string* errors);

#endif  // TARVOK_TOOLS_COMMANDS_COMMAND_LINE_H_
