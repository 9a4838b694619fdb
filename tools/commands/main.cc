// tarvok-sim: plays the host bot and the zone server around the plug-in
// library, so that its behaviour can be watched and checked. Its command
// line is read by command_line.h; each command is carried out by its own
// file (scenario_command.h, check_ini_command.h, replay_command.h,
// arena_command.h, sweep_command.h).
//
// Exit status: 0 when the run went through (check-ini: nothing surprising),
// 1 when check-ini found something or no file, 2 for a faulty scenario line
// (with -i: of piped input), a faulty command line, or a file, library or
// folder that cannot be used.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "commands/command_line.h"
#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"

namespace {

int runCommand(const CommandLine& line, const std::string& besideUs) {
  switch (line.command) {
    case SimCommand::CheckIni:
      return runCheckIniCommand(line.checkIni);
    case SimCommand::Replay:
      return runReplayCommand(line.replay, besideUs);
    case SimCommand::Arena:
      return runArenaCommand(line.arena);
    case SimCommand::Sweep:
      return runSweepCommand(line.sweep, besideUs);
    case SimCommand::Run:
      return runScenario(line.run, besideUs);
    case SimCommand::Finished:
      break;
  }
  return line.status;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out;
  std::string errors;
  const CommandLine line = parseCommandLine(
      std::vector<std::string>(argv + 1, argv + argc), &out, &errors);
  std::fputs(out.c_str(), stdout);
  std::fputs(errors.c_str(), stderr);
  const std::string besideUs =
      (std::filesystem::path(executablePath(argv[0])).parent_path() /
       PluginLibrary::defaultFileName())
          .string();
  int status = kUsageFailed;
  // Caught here, so that the temporary files of the outputs go as the
  // stack unwinds.
  try {
    status = runCommand(line, besideUs);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr,
                 "tarvok-sim: out of memory: the run stopped, its output "
                 "files left as they were (a smaller log, or no --chart, "
                 "needs less)\n");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvok-sim: %s\n",
                 escapeControlBytes(error.what()).c_str());
  }
  // A full disk or a closed pipe under the standard output is a failure too.
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "tarvok-sim: cannot write the standard output: %s\n",
                 errno != 0 ? std::strerror(errno) : "a write failed");
    status = kUsageFailed;
  }
  return status;
}
