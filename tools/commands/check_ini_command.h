// "tarvok-sim check-ini": reads a tarvok.ini as the plug-in reads it
// (settings/config_check.h) and prints, with their line numbers, the lines
// it ignores or reads in a way its writer may not expect, then the
// settings that result.
#ifndef TARVOK_TOOLS_COMMANDS_CHECK_INI_COMMAND_H_
#define TARVOK_TOOLS_COMMANDS_CHECK_INI_COMMAND_H_

#include <cstdint>
#include <string>

#include "commands/command_syntax.h"

struct CheckIniOptions {
  std::string file;   // "-": the standard input
  std::string arena;  // only what a bot in this arena uses; empty: all
  // Only what is in force with this many players in ships; kNoPlayers: all.
  static constexpr std::uint32_t kNoPlayers = 0xFFFFFFFFu;
  std::uint32_t players = kNoPlayers;
};

// Its arguments and options, bound to `options`, and its help.
CommandSyntax describeCheckIniCommand(CheckIniOptions* options);

// Returns the exit status: 0 when nothing is surprising; 1 when something
// is, or when the file is not there (its settings are then the plug-in's
// defaults, which are listed); 2 when the file cannot be read.
int runCheckIniCommand(const CheckIniOptions& options);

#endif  // TARVOK_TOOLS_COMMANDS_CHECK_INI_COMMAND_H_
