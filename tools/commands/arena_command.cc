#include "commands/arena_command.h"

#include <cstdio>
#include <string>

#include "evidence/arena_log.h"
#include "hostkit/output_file.h"
#include "hostkit/shown_text.h"

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
