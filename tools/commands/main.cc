// tarvok-sim: plays the host bot and the zone server around the plug-in
// library, so that its behaviour can be watched and checked. Its commands
// and options are in command_line.h; a scenario run and check-ini are
// carried out here, a replay by replay_command.h, a sweep by
// sweep_command.h.
//
// Exit status: 0 when the run went through (check-ini: nothing surprising),
// 1 when check-ini found something or no file, 2 for a faulty scenario line
// (with -i: of piped input), a faulty command line, or a file, library or
// folder that cannot be used.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <filesystem>
#include <string>

#include "hostkit/host_platform.h"
#include "hostkit/output_file.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"
#include "evidence/chart.h"
#include "commands/command_line.h"
#include "settings/config_check.h"
#include "sim/demo_scenario.h"
#include "sim/file_access.h"
#include "evidence/lag_summary.h"
#include "commands/arena_command.h"
#include "commands/replay_command.h"
#include "sim/scenario.h"
#include "sim/simulated_host.h"
#include "commands/sweep_command.h"
#include "hostkit/transcript.h"

namespace {

const int kFailed = kUsageFailed;

// The name check-ini gives the standard input.
const char kStandardInput[] = "(standard input)";

int cannotUse(const std::string& what, const std::string& path,
              const std::string& why) {
  std::fprintf(stderr, "tarvok-sim: cannot %s %s: %s\n", what.c_str(),
               escapeControlBytes(path).c_str(), why.c_str());
  return kFailed;
}

// Reads the file at `path` (bounded: see text_input.h); false, with the
// message on the standard error, when it cannot.
bool readFile(const std::string& path, std::string* contents) {
  std::string why;
  const TextRead read = readTextFile(path, contents, &why);
  if (read == TextRead::kRefused) std::fprintf(stderr, "%s\n", why.c_str());
  if (read == TextRead::kCannotRead) cannotUse("read", path, why);
  return read == TextRead::kRead;
}

void printSettings(const ConfigSettings& settings) {
  for (const std::string& row : settings.describe()) {
    std::printf("  %s\n", row.c_str());
  }
}

// `arena`: show only the settings of a bot in that arena; empty: all.
int checkIni(const std::string& argument, const std::string& arena,
             std::uint32_t playersGiven) {
  const bool standardInput = argument == "-";
  const std::string path = standardInput ? kStandardInput : argument;
  const std::string shownPath = escapeControlBytes(path);
  std::string contents;
  std::string why;
  const TextRead read =
      standardInput ? readTextStream(stdin, path, &contents, &why)
                    : readTextFile(path, &contents, &why);
  std::error_code failure;
  if (read == TextRead::kCannotRead && !standardInput &&
      !std::filesystem::exists(path, failure) && !failure) {
    std::printf(
        "%s: there is no such file: the plug-in would create it empty and "
        "run on its defaults:\n",
        shownPath.c_str());
    printSettings(ConfigSettings());
    return 1;
  }
  if (read == TextRead::kRefused) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return kFailed;
  }
  if (read == TextRead::kCannotRead) {
    std::fprintf(stderr, "tarvok-sim check-ini: cannot read %s: %s\n",
                 shownPath.c_str(), why.c_str());
    return kFailed;
  }
  const ConfigCheck check(
      contents, standardInput ? std::string(".")
                              : std::filesystem::path(path).parent_path().empty()
                                    ? std::string(".")
                                    : std::filesystem::path(path)
                                          .parent_path()
                                          .string());
  for (const ConfigFinding& finding : check.findings()) {
    std::printf("%s:%zu: %s\n", shownPath.c_str(), finding.line,
                finding.message.c_str());
  }
  if (!check.findings().empty()) std::printf("\n");
  const std::int32_t players = static_cast<std::int32_t>(playersGiven);
  for (const std::string& line :
       check.settingsReport(
           shownPath, arena.empty() ? nullptr : &arena,
           playersGiven == CheckIniOptions::kNoPlayers ? nullptr : &players)) {
    std::printf("%s\n", line.c_str());
  }
  const std::size_t count = check.findings().size();
  if (count == 0) {
    std::printf("Nothing surprising: every line is read as written.\n");
    return 0;
  }
  std::printf("%zu finding%s.\n", count, count == 1 ? "" : "s");
  return 1;
}

// Scenario lines typed at a prompt, carried out one by one. Input from a
// file or a pipe gets no prompts, and its faults go to the standard error,
// so that the standard output holds the transcript alone. False when such
// input had a faulty line.
bool runInteractive(SimulatedHost& host) {
  const bool typed = isTerminal(stdin);
  if (typed) {
    std::printf(
        "Type scenario lines (see tarvok-sim --help); quit or end of input "
        "stops.\n");
  }
  BoundedLineReader input(stdin);
  std::string line;
  bool allCarriedOut = true;
  while (true) {
    if (typed) {
      std::printf("> ");
      std::fflush(stdout);
    }
    const BoundedLineReader::Result read = input.next(&line);
    const std::size_t number = input.lineNumber();
    if (read == BoundedLineReader::Result::kTooLong) {
      std::fprintf(stderr, "%s:%zu: %s\n", kStandardInput, number,
                   lineTooLongReason().c_str());
      allCarriedOut = false;
      break;
    }
    if (read != BoundedLineReader::Result::kLine) break;
    if (line == "quit" || line == "exit") break;
    ScenarioAction action;
    std::string error;
    if (!ScenarioAction::parse(line, &action, &error) ||
        !host.run(action, &error)) {
      if (typed) {
        std::printf("error: %s\n", escapeControlBytes(error).c_str());
      } else {
        std::fprintf(stderr, "tarvok-sim: line %zu: %s\n", number,
                     escapeControlBytes(error).c_str());
        allCarriedOut = false;
      }
    }
  }
  if (typed) std::printf("\n");
  return allCarriedOut;
}

// A scenario run, the demo, or lines typed at a prompt.
int runScenario(const RunOptions& options, const std::string& besideUs) {
  // Everything is read, and the outputs checked, before the run moves into
  // its own folder.
  std::string why;
  std::string iniContents;
  if (!options.ini.empty() && !readFile(options.ini, &iniContents)) {
    return kFailed;
  }
  Scenario scenario;
  if (!options.interactive) {
    std::string name = "demo";
    std::string text = options.ini.empty() ? kDemoSettings : "";
    text += kDemoStory;
    if (!options.scenario.empty()) {
      name = options.scenario;
      text.clear();
      if (!readFile(name, &text)) return kFailed;
    }
    std::size_t errorLine = 0;
    std::string error;
    if (!scenario.load(text, &errorLine, &error)) {
      std::fprintf(stderr, "%s:%zu: %s\n", escapeControlBytes(name).c_str(),
                   errorLine, escapeControlBytes(error).c_str());
      return kFailed;
    }
  }
  const std::vector<std::string> outputs = {options.output, options.chart,
                                             options.log};
  std::string fault = sameFileFault(
      outputs, {options.ini, options.scenario, options.library});
  if (fault.empty()) fault = folderSettingsFault(outputs);
  if (!fault.empty()) {
    std::fprintf(stderr, "tarvok-sim: refused: %s\n", fault.c_str());
    return kFailed;
  }
  OutputFile outputFile;
  OutputFile chartFile;
  OutputFile logFile;
  for (const auto& output : {std::make_pair(&options.output, &outputFile),
                             std::make_pair(&options.chart, &chartFile),
                             std::make_pair(&options.log, &logFile)}) {
    if (!output.first->empty() && !output.second->open(*output.first, &why)) {
      return cannotUse("write", *output.first, why);
    }
  }

  std::filesystem::path library =
      options.library.empty() ? besideUs : options.library;
  std::error_code failure;
  library = std::filesystem::absolute(library, failure);
  PluginLibrary plugin;
  std::string error;
  if (!plugin.load(library.string(), &error)) {
    std::fprintf(stderr, "tarvok-sim: cannot load the plug-in: %s\n",
                 escapeControlBytes(error).c_str());
    return kFailed;
  }

  std::FILE* out = outputFile.isOpen() ? outputFile.stream() : stdout;

  int status = 0;
  LagSummary logged({"run"}, true);
  std::uint32_t lastLogged = 0;
  std::string chartSettings;
  {
    WorkFolder folder;
    WorkFolder::Visit visit(folder);
    if (!visit.entered()) {
      std::fprintf(stderr, "tarvok-sim: %s\n", visit.error().c_str());
      status = kFailed;
    } else {
      const char* noColour = std::getenv("NO_COLOR");
      const bool colours = (noColour == nullptr || *noColour == '\0') &&
                           terminalShowsColours(out);
      Transcript transcript(out, colours);
      SimulatedHost host(plugin.talk(), &transcript);
      if (!options.chart.empty()) {
        host.observeLagLog([&](std::string_view line, std::uint64_t second) {
          LagLogRow row;
          std::string ignored;
          if (!parseLagLogRow(line, &row, &ignored)) return;
          if (row.kind != LagRowKind::Check) return;
          logged.add(0, row.bot, row, second);
          lastLogged = second;
        });
      }
      // A memory soak's diagnostic; see SimulatedHost::reportHeapEvery.
      if (const char* every = std::getenv("TARVOK_SIM_HEAP_EVERY")) {
        host.reportHeapEvery(
            static_cast<std::uint32_t>(std::strtoul(every, nullptr, 10)));
      }
      if (logFile.isOpen()) host.keepLagLog(logFile.stream());
      if (!options.ini.empty() &&
                 !host.copyIni(options.ini, iniContents, &error)) {
        std::fprintf(stderr, "tarvok-sim: %s\n", error.c_str());
        status = kFailed;
      } else if (options.interactive) {
        if (!runInteractive(host)) status = kFailed;
      } else {
        for (const ScenarioLine& line : scenario.lines()) {
          if (!host.run(line.action, &error)) {
            std::fprintf(stderr, "tarvok-sim: line %zu: %s\n", line.number,
                         escapeControlBytes(error).c_str());
            status = kFailed;
            break;
          }
        }
      }
      // The plug-in's instances go before the player lists they point to.
      plugin.unload();
      std::string ignored;
      readTextFile("tarvok.ini", &chartSettings, &ignored);
    }
  }
  // The transcript and the log of a failed run are kept too: they show how
  // far it got.
  const bool keptAny = logFile.isOpen() && std::ftell(logFile.stream()) > 0;
  for (const auto& output : {std::make_pair(&options.output, &outputFile),
                             std::make_pair(&options.log, &logFile)}) {
    if (output.second->isOpen() && !output.second->commit(&why)) {
      status = cannotUse("write", *output.first, why);
    }
  }
  // --log keeps what the plug-in writes; without a LagLog= line it writes
  // nothing, which a replay of the empty file would not explain.
  if (status == 0 && !options.log.empty() && !keptAny) {
    std::fprintf(stderr,
                 "tarvok-sim: %s is empty: the plug-in logged nothing, as "
                 "tarvok.ini had no LagLog= line\n",
                 escapeControlBytes(options.log).c_str());
  }
  if (status == 0 && !options.chart.empty()) {
    ChartPage page;
    page.title = "Lag checks of " +
                 (options.scenario.empty() ? "the demo" : options.scenario);
    page.duration = lastLogged;
    chartFile.write(
        chartHtml(page, logged, ConfigCheck(chartSettings).settings()));
    if (!chartFile.commit(&why)) {
      status = cannotUse("write", options.chart, why);
    }
  }
  return status;
}

int runCommand(const CommandLine& line, const std::string& besideUs) {
  switch (line.command) {
    case SimCommand::CheckIni:
      return checkIni(line.checkIni.file, line.checkIni.arena,
                      line.checkIni.players);
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
  int status = kFailed;
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
    status = kFailed;
  }
  return status;
}
