// "tarvok-sim arena": the lag log of a synthetic arena (evidence/arena_log.h),
// written to the standard output or, with --output, to a file.
#ifndef TARVOK_TOOLS_COMMANDS_ARENA_COMMAND_H_
#define TARVOK_TOOLS_COMMANDS_ARENA_COMMAND_H_

#include <cstdint>
#include <string>

#include "commands/command_syntax.h"

struct ArenaOptions {
  std::uint32_t seed = 1;
  std::uint32_t minutes = 0;  // 0: 120, unless days
  std::uint32_t days = 0;     // above 0: a long arena of that many days
  std::string output;  // empty: the standard output
};

// Its options, bound to `options`, and its help.
CommandSyntax describeArenaCommand(ArenaOptions* options);

// Writes the log. Returns the exit status: 0, or 2 when the log cannot be
// written.
int runArenaCommand(const ArenaOptions& options);

#endif  // TARVOK_TOOLS_COMMANDS_ARENA_COMMAND_H_
