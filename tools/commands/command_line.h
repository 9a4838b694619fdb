// The simulator's command line: its commands, their options and their help.
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

#include <cstdint>
#include <string>
#include <vector>

enum class SimCommand {
  Finished,  // help, the version or an error was printed: exit with `status`
  Run,
  CheckIni,
  Replay,
  Arena,
  Sweep,
};

struct RunOptions {
  std::string library;  // empty: the library beside the simulator
  std::string output;   // empty: the standard output
  std::string ini;
  std::string chart;
  std::string log;       // keep the plug-in's lag log here
  std::string scenario;  // empty: the demo, or -i
  bool interactive = false;
};

struct CheckIniOptions {
  std::string file;   // "-": the standard input
  std::string arena;  // only what a bot in this arena uses; empty: all
  // Only what is in force with this many players in ships; kNoPlayers: all.
  static constexpr std::uint32_t kNoPlayers = 0xFFFFFFFFu;
  std::uint32_t players = kNoPlayers;
};

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

struct ArenaOptions {
  std::uint32_t seed = 1;
  std::uint32_t minutes = 0;  // 0: 120, unless days
  std::uint32_t days = 0;     // above 0: a long arena of that many days
  std::string output;  // empty: the standard output
};

struct SweepOptions {
  std::vector<std::string> logs;  // read as one log; a rotated set oldest first
  std::string ini;  // the base settings; empty: ./tarvok.ini, else defaults
  std::vector<std::string> vary;  // KEY=A..B[:STEP] or KEY=A,B,C each
  std::string chart;
  std::string library;     // empty: the library beside the simulator
  unsigned processes = 0;  // at once; 0: one per core
  bool classes = false;    // scores by the class in each player's name
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

// Exit status of a faulty command line, and of a run that could not start.
constexpr int kUsageFailed = 2;

// Parses `arguments` (without the program's name). Help and the version
// are appended to `out`, faults to `errors`; both give SimCommand::Finished.
CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             std::string* out, std::string* errors);

#endif  // TARVOK_TOOLS_COMMANDS_COMMAND_LINE_H_
