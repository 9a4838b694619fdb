// tarvok-sim: plays the host bot and the zone server around the plug-in
// library, so that its behaviour can be watched and checked.
//
//   tarvok-sim [OPTIONS]            the built-in demo
//   tarvok-sim [OPTIONS] SCENARIO   one scenario file
//   tarvok-sim [OPTIONS] -i         scenario lines typed at a prompt
//   tarvok-sim check-ini FILE [--arena NAME]
//                                   what the plug-in makes of FILE (-: stdin)
//   tarvok-sim replay LOG ...       a lag log played again (replay_command.h)
// OPTIONS: --library PATH, --output FILE, --ini FILE, --chart OUT.html,
// --log FILE.
//
// Exit status: 0 when the run went through (check-ini: nothing surprising),
// 1 when check-ini found something or no file, 2 for a faulty scenario line
// (with -i: of piped input), a bad argument, or a file, library or folder
// that cannot be used.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"
#include "sim/chart.h"
#include "sim/config_check.h"
#include "sim/demo_scenario.h"
#include "sim/lag_summary.h"
#include "sim/arena_log.h"
#include "sim/replay_command.h"
#include "sim/scenario.h"
#include "sim/simulated_host.h"
#include "sim/transcript.h"

namespace {

const int kFailed = 2;

const char kUsage[] =
    "usage: tarvok-sim [--library PATH] [--output FILE] [--ini FILE]\n"
    "                  [--chart OUT.html] [--log FILE] [SCENARIO | -i]\n"
    "       tarvok-sim check-ini FILE [--arena NAME]\n"
    "       tarvok-sim replay LOG [--ini FILE] [--chart OUT.html]\n"
    "                             [--library PATH] [--transcript FILE]\n"
    "                             [--classes]\n"
    "       tarvok-sim arena [--seed N] [--minutes M] [--output LOG]\n"
    "\n"
    "Without SCENARIO, runs a built-in demo; -i reads scenario lines typed at\n"
    "a prompt. The plug-in library is PATH, or the one beside this program.\n"
    "The transcript goes to FILE, or to the standard output (colours only on\n"
    "a terminal, and never with NO_COLOR set). --ini starts the run with a\n"
    "copy of that tarvok.ini instead of an empty one (the demo then leaves\n"
    "out its own settings). --chart draws the rows of the plug-in's lag log\n"
    "(LagLog= in tarvok.ini) as a page. --log keeps those rows in FILE, on\n"
    "the simulated clock (from 2000-01-01T00:00:00Z), ready for replay; the\n"
    "log itself lives in the run's work folder, never in a real one.\n"
    "\n"
    "Scenario lines (one action a line; # comments, ## notes):\n"
    "  bot NAME [arena=ARENA]    switch to bot NAME (added when new; the host\n"
    "                            starts with LagBot), in arena ARENA\n"
    "  init [MAJOR.MINOR]        the host connects the plug-in (6.5)\n"
    "  term                      the host disconnects it\n"
    "  arrive NAME [ident=N] [level=L] [ship=N] [ping=C/A/L/H] [loss=S/C/W]\n"
    "                            defaults: the next free ident, level 0\n"
    "                            (Player), ship 0, ping=100/100/100/100,\n"
    "                            loss=0.0/0.0/0.0; a NAME with blanks is\n"
    "                            quoted: \"Big Bob\"\n"
    "  figures NAME [ping=C/A/L/H] [loss=S/C/W]\n"
    "  ship NAME N               the player changes ship (8: spectator)\n"
    "  NAME: TEXT                the player types TEXT (\"!...\": a command)\n"
    "  wait N                    N seconds pass\n"
    "  leave NAME                the player leaves\n"
    "  leave-arena               the bot leaves its arena\n"
    "  enter-arena ARENA         the bot moves to arena ARENA\n"
    "  ini TEXT                  add a line to tarvok.ini\n"
    "  ini-set KEY=VALUE         replace the KEY= lines of tarvok.ini\n"
    "  ini-clear                 empty tarvok.ini\n"
    "  server TEXT               the zone server sends TEXT to the bot\n"
    "  server-delay N            the server answers \"*lag\" N seconds late\n"
    "  server-drop NAME          it stops answering \"*lag\" for NAME\n"
    "  server-answer NAME        it answers \"*lag\" for NAME again\n"
    "  spike NAME SECONDS [ping=C/A/L/H] [loss=S/C/W]\n"
    "                            those figures for a while, then the old ones\n"
    "\n"
    "check-ini lists the lines of FILE (- for the standard input) that the\n"
    "plug-in ignores or reads in a surprising way, and the settings that\n"
    "result, for every arena and for each [arena NAME] section; --arena\n"
    "shows only what a bot in arena NAME uses. Exit 1 when there are any\n"
    "findings, or when FILE is missing.\n"
    "\n"
    "replay plays the lag log LOG again through the plug-in with the settings\n"
    "of FILE (default: ./tarvok.ini) and compares what it did with the log;\n"
    "--classes adds the scores by the class in each player's name. arena\n"
    "writes the lag log of a synthetic arena whose players' classes are known\n"
    "(good, spiky, lagger, flaky, far, staff) for replay --classes.\n";

struct Options {
  std::string library;
  std::string output;
  std::string chart;
  std::string scenario;
  std::string ini;
  std::string log;
  bool interactive = false;
};

int usageError(const std::string& message) {
  std::fprintf(stderr, "tarvok-sim: %s\n\n%s",
               escapeControlBytes(message).c_str(), kUsage);
  return kFailed;
}

// The name check-ini gives the standard input.
const char kStandardInput[] = "(standard input)";

// Reads the file at `path` (bounded: see text_input.h); false, with the
// message on the standard error, when it cannot.
bool readFile(const std::string& path, std::string* contents) {
  std::string why;
  const TextRead read = readTextFile(path, contents, &why);
  if (read == TextRead::kRefused) std::fprintf(stderr, "%s\n", why.c_str());
  if (read == TextRead::kCannotRead) {
    std::fprintf(stderr, "tarvok-sim: cannot read %s: %s\n",
                 escapeControlBytes(path).c_str(), why.c_str());
  }
  return read == TextRead::kRead;
}

void printSettings(const ConfigSettings& settings) {
  for (const std::string& row : settings.describe()) {
    std::printf("  %s\n", row.c_str());
  }
}

// `arena`: show only the settings of a bot in that arena; empty: all.
int checkIni(const std::string& argument, const std::string& arena) {
  const bool standardInput = argument == "-";
  const std::string path = standardInput ? kStandardInput : argument;
  const std::string shownPath = escapeControlBytes(path);
  std::string contents;
  std::string why;
  const TextRead read = standardInput
                            ? readTextStream(stdin, path, &contents, &why)
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
    std::fprintf(stderr, "tarvok-sim: cannot read %s: %s\n", shownPath.c_str(),
                 why.c_str());
    return kFailed;
  }
  const ConfigCheck check(
      contents, standardInput ? std::string(".")
                : std::filesystem::path(path).parent_path().empty()
                    ? std::string(".")
                    : std::filesystem::path(path).parent_path().string());
  for (const ConfigFinding& finding : check.findings()) {
    std::printf("%s:%zu: %s\n", shownPath.c_str(), finding.line,
                finding.message.c_str());
  }
  if (!check.findings().empty()) std::printf("\n");
  for (const std::string& line :
       check.settingsReport(shownPath, arena.empty() ? nullptr : &arena)) {
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "check-ini") {
    return checkIni(argv[2], "");
  }
  // check-ini FILE --arena NAME, or check-ini --arena NAME FILE.
  if (argc == 5 && std::string(argv[1]) == "check-ini") {
    const bool arenaFirst = std::string(argv[2]) == "--arena";
    if (arenaFirst || std::string(argv[3]) == "--arena") {
      const std::string arena = arenaFirst ? argv[3] : argv[4];
      if (arena.empty()) return usageError("--arena needs an arena's name");
      return checkIni(arenaFirst ? argv[4] : argv[2], arena);
    }
  }
  if (argc >= 2 && std::string(argv[1]) == "arena") {
    return runArenaCommand(std::vector<std::string>(argv + 2, argv + argc));
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
        argument == "--ini" || argument == "--chart" || argument == "--log") {
      if (i + 1 == argc) return usageError(argument + " needs a value");
      (argument == "--library"  ? options.library
       : argument == "--output" ? options.output
       : argument == "--ini"    ? options.ini
       : argument == "--log"    ? options.log
                                : options.chart) = argv[++i];
    } else if (argument == "-i") {
      options.interactive = true;
    } else if (argument == "check-ini") {
      return usageError(
          "check-ini takes one FILE and nothing else but --arena NAME");
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

  // The kept log is named from here, before the run changes folder.
  std::string keptLog;
  if (!options.log.empty()) {
    keptLog = std::filesystem::absolute(options.log, failure).string();
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
      const char* noColour = std::getenv("NO_COLOR");
      const bool colours = (noColour == nullptr || *noColour == '\0') &&
                           terminalShowsColours(out);
      Transcript transcript(out, colours);
      SimulatedHost host(plugin.talk(), &transcript);
      if (!options.chart.empty()) {
        host.observeLagLog([&](const std::string& line, std::uint32_t second) {
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
      if (!keptLog.empty() && !host.keepLagLog(keptLog)) {
        std::fprintf(stderr, "tarvok-sim: cannot write %s\n",
                     options.log.c_str());
        status = kFailed;
      } else if (!options.ini.empty() &&
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
