// tarvok-sim: plays the host bot and the zone server around the plug-in
// library, so that its behaviour can be watched and checked.
//
//   tarvok-sim [OPTIONS]            the built-in demo
//   tarvok-sim [OPTIONS] SCENARIO   one scenario file
//   tarvok-sim [OPTIONS] -i         scenario lines typed at a prompt
//   tarvok-sim check-ini FILE       what the plug-in makes of FILE
//   tarvok-sim replay LOG ...       a lag log played again (replay_command.h)
// OPTIONS: --library PATH, --output FILE, --chart OUT.html.
//
// Exit status: 0 when the run went through (check-ini: nothing surprising),
// 1 when check-ini found something, 2 for a faulty scenario line, a bad
// argument, or a library or folder that cannot be used.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/work_folder.h"
#include "sim/chart.h"
#include "sim/config_check.h"
#include "sim/demo_scenario.h"
#include "sim/lag_summary.h"
#include "sim/replay_command.h"
#include "sim/scenario.h"
#include "sim/simulated_host.h"
#include "sim/transcript.h"

namespace {

const int kFailed = 2;

const char kUsage[] =
    "usage: tarvok-sim [--library PATH] [--output FILE] [--chart OUT.html]\n"
    "                  [SCENARIO | -i]\n"
    "       tarvok-sim check-ini FILE\n"
    "       tarvok-sim replay LOG [--ini FILE] [--chart OUT.html]\n"
    "                             [--library PATH] [--transcript FILE]\n"
    "\n"
    "Without SCENARIO, runs a built-in demo; -i reads scenario lines typed at\n"
    "a prompt. The plug-in library is PATH, or the one beside this program.\n"
    "The transcript goes to FILE, or to the standard output. --chart draws\n"
    "the rows of the plug-in's lag log (LagLog= in tarvok.ini) as a page.\n"
    "\n"
    "Scenario lines (one action a line; # comments, ## notes):\n"
    "  bot NAME                  switch to bot NAME (added when new; the host\n"
    "                            starts with LagBot)\n"
    "  init [MAJOR.MINOR]        the host connects the plug-in (6.5)\n"
    "  term                      the host disconnects it\n"
    "  arrive NAME [ident=N] [level=L] [ship=N] [ping=C/A/L/H] [loss=S/C/W]\n"
    "  figures NAME [ping=C/A/L/H] [loss=S/C/W]\n"
    "  ship NAME N               the player changes ship (8: spectator)\n"
    "  NAME: TEXT                the player types TEXT (\"!...\": a command)\n"
    "  wait N                    N seconds pass\n"
    "  leave NAME                the player leaves\n"
    "  leave-arena               the bot leaves its arena\n"
    "  ini TEXT                  add a line to tarvok.ini\n"
    "  ini-set KEY=VALUE         replace the KEY= lines of tarvok.ini\n"
    "  ini-clear                 empty tarvok.ini\n"
    "  server TEXT               the zone server sends TEXT to the bot\n"
    "\n"
    "check-ini lists the lines of FILE that the plug-in ignores or reads in a\n"
    "surprising way, and the settings that result; exit 1 when there are "
    "any.\n"
    "\n"
    "replay plays the lag log LOG again through the plug-in with the settings\n"
    "of FILE (default: ./tarvok.ini) and compares what it did with the log.\n";

struct Options {
  std::string library;
  std::string output;
  std::string chart;
  std::string scenario;
  bool interactive = false;
};

int usageError(const std::string& message) {
  std::fprintf(stderr, "tarvok-sim: %s\n\n%s", message.c_str(), kUsage);
  return kFailed;
}

bool readFile(const std::string& path, std::string* contents) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    contents->append(buffer, count);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
}

int checkIni(const std::string& path) {
  std::string contents;
  if (!readFile(path, &contents)) {
    std::fprintf(stderr, "tarvok-sim: cannot read %s\n", path.c_str());
    return kFailed;
  }
  const ConfigCheck check(contents);
  for (const ConfigFinding& finding : check.findings()) {
    std::printf("%s:%zu: %s\n", path.c_str(), finding.line,
                finding.message.c_str());
  }
  if (!check.findings().empty()) std::printf("\n");
  std::printf("Settings the plug-in reads from %s:\n", path.c_str());
  for (const std::string& row : check.settings().describe()) {
    std::printf("  %s\n", row.c_str());
  }
  const std::size_t count = check.findings().size();
  if (count == 0) {
    std::printf("Nothing surprising: every line is read as written.\n");
    return 0;
  }
  std::printf("%zu finding%s.\n", count, count == 1 ? "" : "s");
  return 1;
}

// Scenario lines typed at a prompt, carried out one by one.
void runInteractive(SimulatedHost& host) {
  std::printf(
      "Type scenario lines (see tarvok-sim --help); quit or end of input "
      "stops.\n");
  std::string line;
  while (true) {
    std::printf("> ");
    std::fflush(stdout);
    if (!std::getline(std::cin, line)) break;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "quit" || line == "exit") break;
    ScenarioAction action;
    std::string error;
    if (!ScenarioAction::parse(line, &action, &error) ||
        !host.run(action, &error)) {
      std::printf("error: %s\n", error.c_str());
    }
  }
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "check-ini") {
    return checkIni(argv[2]);
  }
  if (argc >= 2 && std::string(argv[1]) == "replay") {
    return runReplayCommand(
        std::vector<std::string>(argv + 2, argv + argc),
        (std::filesystem::path(executablePath(argv[0])).parent_path() /
         PluginLibrary::defaultFileName())
            .string());
  }

  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::printf("%s", kUsage);
      return 0;
    }
    if (argument == "--library" || argument == "--output" ||
        argument == "--chart") {
      if (i + 1 == argc) return usageError(argument + " needs a value");
      (argument == "--library"  ? options.library
       : argument == "--output" ? options.output
                                : options.chart) = argv[++i];
    } else if (argument == "-i") {
      options.interactive = true;
    } else if (argument == "check-ini") {
      return usageError("check-ini takes one FILE and nothing else");
    } else if (!argument.empty() && argument[0] == '-') {
      return usageError("unknown option " + argument);
    } else if (options.scenario.empty()) {
      options.scenario = argument;
    } else {
      return usageError("one scenario at a time");
    }
  }
  if (options.interactive && !options.scenario.empty()) {
    return usageError("-i and a scenario file exclude each other");
  }

  // Everything is read before the run moves into its own folder.
  Scenario scenario;
  if (!options.interactive) {
    std::string name = "demo";
    std::string text = kDemoScenario;
    if (!options.scenario.empty()) {
      name = options.scenario;
      text.clear();
      if (!readFile(name, &text)) {
        std::fprintf(stderr, "tarvok-sim: cannot read %s\n", name.c_str());
        return kFailed;
      }
    }
    std::size_t errorLine = 0;
    std::string error;
    if (!scenario.load(text, &errorLine, &error)) {
      std::fprintf(stderr, "%s:%zu: %s\n", name.c_str(), errorLine,
                   error.c_str());
      return kFailed;
    }
  }

  std::filesystem::path library = options.library;
  if (library.empty()) {
    library = std::filesystem::path(executablePath(argv[0])).parent_path() /
              PluginLibrary::defaultFileName();
  }
  std::error_code failure;
  library = std::filesystem::absolute(library, failure);
  PluginLibrary plugin;
  std::string error;
  if (!plugin.load(library.string(), &error)) {
    std::fprintf(stderr, "tarvok-sim: cannot load the plug-in: %s\n",
                 error.c_str());
    return kFailed;
  }

  std::FILE* out = stdout;
  if (!options.output.empty()) {
    out = std::fopen(options.output.c_str(), "wb");
    if (out == nullptr) {
      std::fprintf(stderr, "tarvok-sim: cannot write %s\n",
                   options.output.c_str());
      return kFailed;
    }
  }

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
      Transcript transcript(out, terminalShowsColours(out));
      SimulatedHost host(plugin.talk(), &transcript);
      if (!options.chart.empty()) {
        host.observeLagLog([&](const std::string& line, std::uint32_t second) {
          LagLogRow row;
          std::string ignored;
          if (!parseLagLogRow(line, &row, &ignored)) return;
          logged.add(0, row.bot, row, second);
          lastLogged = second;
        });
      }
      if (options.interactive) {
        runInteractive(host);
      } else {
        for (const ScenarioLine& line : scenario.lines()) {
          if (!host.run(line.action, &error)) {
            std::fprintf(stderr, "tarvok-sim: line %zu: %s\n", line.number,
                         error.c_str());
            status = kFailed;
            break;
          }
        }
      }
      // The plug-in's instances go before the player lists they point to.
      plugin.unload();
      readFile("tarvok.ini", &chartSettings);
    }
  }
  if (out != stdout) std::fclose(out);
  if (status == 0 && !options.chart.empty()) {
    ChartPage page;
    page.title = "Lag checks of " +
                 (options.scenario.empty() ? "the demo" : options.scenario);
    page.duration = lastLogged;
    if (!writeWholeFile(
            options.chart,
            chartHtml(page, logged, ConfigCheck(chartSettings).settings()))) {
      std::fprintf(stderr, "tarvok-sim: cannot write %s\n",
                   options.chart.c_str());
      status = kFailed;
    }
  }
  return status;
}
