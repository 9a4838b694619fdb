#include "commands/arena_command.h"

#include <cstdio>
#include <string>

#include "evidence/arena_log.h"
#include "hostkit/output_file.h"
#include "hostkit/shown_text.h"

namespace {

const char kArenaDescription[] =
    "arena writes the lag log of a made-up arena of 30 players whose kinds\n"
    "are known from their names: good-NN (good connections), spiky-NN\n"
    "(honest players with a rare spike), lagger-NN (steady laggers),\n"
    "flaky-NN (laggers now and then), far-NN (steady high pings, no loss)\n"
    "and staff-NN, as a bot with automatic checks every 30 seconds that\n"
    "deals with nobody would log it. With --days, a long arena of 40\n"
    "players who come for sessions of hours, day after day, logged by a bot\n"
    "that checks every 20 seconds. \"tarvok-sim replay LOG --ini FILE\n"
    "--classes\" then scores FILE: how many players of each kind it would\n"
    "have warned or spectated. Exit status: 0, or 2 when LOG cannot be\n"
    "written or for a faulty command line.";

}  // namespace

CommandSyntax describeArenaCommand(ArenaOptions* options) {
  CommandSyntax arena{"arena",
                      "a synthetic arena's lag log, for replay --classes",
                      "tarvok-sim arena [OPTIONS]", "", kArenaDescription};
  arena.tooMany = "arena takes no argument";
  arena.options = {
      numberOption("--seed", "N",
                   "the arena's seed, 0 to 999999999: the same\n"
                   "seed, the same log (default 1)",
                   &options->seed, 0, 999999999),
      numberOption("--minutes", "M",
                   "how long the arena plays, 10 to 10080\n"
                   "minutes (default 120)",
                   &options->minutes, 10, 10080),
      numberOption("--days", "D",
                   "a long arena instead, of 1 to 28 days:\n"
                   "sessions of hours, laggers whose link\n"
                   "drops every few minutes",
                   &options->days, 1, 28),
      textOption("--output", "LOG",
                 "write the log to LOG (default: the standard\n"
                 "output)",
                 &options->output),
  };
  arena.conflict = [options] {
    return options->days > 0 && options->minutes > 0
               ? std::string("--minutes and --days exclude each other")
               : std::string();
  };
  return arena;
}

int runArenaCommand(const ArenaOptions& options) {
  OutputFile output;
  std::string why;
  const std::string kept = folderSettingsFault({options.output});
  if (!kept.empty()) {
    std::fprintf(stderr, "tarvok-sim arena: refused: %s\n", kept.c_str());
    return kUsageFailed;
  }
  if (!options.output.empty() && !output.open(options.output, &why)) {
    std::fprintf(stderr, "tarvok-sim arena: cannot write %s: %s\n",
                 escapeControlBytes(options.output).c_str(), why.c_str());
    return kUsageFailed;
  }
  const std::string log =
      options.days > 0
          ? generateLongArenaLog(options.seed, options.days)
          : generateArenaLog(options.seed,
                             options.minutes > 0 ? options.minutes : 120);
  if (options.output.empty()) {
    std::fwrite(log.data(), 1, log.size(), stdout);
    return 0;
  }
  output.write(log);
  if (!output.commit(&why)) {
    std::fprintf(stderr, "tarvok-sim arena: cannot write %s: %s\n",
                 escapeControlBytes(options.output).c_str(), why.c_str());
    return kUsageFailed;
  }
  return 0;
}
