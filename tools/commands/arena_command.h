// "tarvok-sim arena": the lag log of a synthetic arena (evidence/arena_log.h),
// written to the standard output or, with --output, to a file.
#ifndef TARVOK_TOOLS_COMMANDS_ARENA_COMMAND_H_
#define TARVOK_TOOLS_COMMANDS_ARENA_COMMAND_H_

#include "commands/command_line.h"

// Writes the log. Returns the exit status.
int runArenaCommand(const ArenaOptions& options);

#endif  // TARVOK_TOOLS_COMMANDS_ARENA_COMMAND_H_
