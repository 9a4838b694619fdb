#include "commands/scenario_command.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "evidence/chart.h"
#include "evidence/lag_summary.h"
#include "hostkit/host_platform.h"
#include "hostkit/output_file.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/transcript.h"
#include "hostkit/work_folder.h"
#include "laglog/lag_log.h"
#include "settings/config_check.h"
#include "sim/demo_scenario.h"
#include "sim/scenario.h"
#include "sim/simulated_host.h"

namespace {

const int kFailed = kUsageFailed;

const char kRunDescription[] =
    "tarvok-sim plays the host bot and the zone server around the tarvok\n"
    "plug-in library, loaded as the host loads it, and writes a transcript:\n"
    "each line says, at the simulated time, who said what to whom.\n";

const char kScenarioLines[] =
    "Each run works in a folder of its own with its own tarvok.ini (empty, or\n"
    "the copy of --ini): files of yours are never changed.\n"
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
    "Exit status: 0 when the run went through; 2 for a faulty scenario line\n"
    "(with -i: of piped input), a faulty command line, or a file, library or\n"
    "folder that cannot be used.";

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

// The scenario to play: the file's, or the demo's (with its own settings
// unless --ini gives others). False, with the message on the standard
// error, when it cannot be read or has a faulty line.
bool loadScenario(const RunOptions& options, Scenario* scenario) {
  std::string name = "demo";
  std::string text = options.ini.empty() ? kDemoSettings : "";
  text += kDemoStory;
  if (!options.scenario.empty()) {
    name = options.scenario;
    text.clear();
    if (!readFile(name, &text)) return false;
  }
  std::size_t errorLine = 0;
  std::string error;
  if (!scenario->load(text, &errorLine, &error)) {
    std::fprintf(stderr, "%s:%zu: %s\n", escapeControlBytes(name).c_str(),
                 errorLine, escapeControlBytes(error).c_str());
    return false;
  }
  return true;
}

// The files a run writes, each open only when asked for.
struct RunOutputs {
  OutputFile transcript;
  OutputFile chart;
  OutputFile log;
};

// Refuses an output that is an input, another output or the tarvok.ini of
// the current folder, then opens each. False, with the message on the
// standard error, when one cannot be used.
bool openOutputs(const RunOptions& options, RunOutputs* files) {
  const std::vector<std::string> outputs = {options.output, options.chart,
                                             options.log};
  std::string fault = sameFileFault(
      outputs, {options.ini, options.scenario, options.library});
  if (fault.empty()) fault = folderSettingsFault(outputs);
  if (!fault.empty()) {
    std::fprintf(stderr, "tarvok-sim: refused: %s\n", fault.c_str());
    return false;
  }
  std::string why;
  for (const auto& output :
       {std::make_pair(&options.output, &files->transcript),
        std::make_pair(&options.chart, &files->chart),
        std::make_pair(&options.log, &files->log)}) {
    if (!output.first->empty() && !output.second->open(*output.first, &why)) {
      cannotUse("write", *output.first, why);
      return false;
    }
  }
  return true;
}

// What a run leaves for its chart: the check rows the plug-in logged, the
// second of the last, and the tarvok.ini it ended with.
struct RunRecord {
  LagSummary logged{{"run"}, true};
  std::uint32_t lastLogged = 0;
  std::string settings;
};

// Plays the run in the current (work) folder, writing the transcript to
// `out`. Returns the exit status; the plug-in is unloaded on return.
int playRun(const RunOptions& options, const std::string& iniContents,
            const Scenario& scenario, PluginLibrary& plugin, std::FILE* out,
            std::FILE* keptLog, RunRecord* record) {
  const char* noColour = std::getenv("NO_COLOR");
  const bool colours = (noColour == nullptr || *noColour == '\0') &&
                       terminalShowsColours(out);
  Transcript transcript(out, colours);
  SimulatedHost host(plugin.talk(), &transcript);
  if (!options.chart.empty()) {
    host.observeLagLog([record](std::string_view line, std::uint64_t second) {
      LagLogRow row;
      std::string ignored;
      if (!parseLagLogRow(line, &row, &ignored)) return;
      if (row.kind != LagRowKind::Check) return;
      record->logged.add(0, row.bot, row, second);
      record->lastLogged = second;
    });
  }
  // A memory soak's diagnostic; see SimulatedHost::reportHeapEvery.
  if (const char* every = std::getenv("TARVOK_SIM_HEAP_EVERY")) {
    host.reportHeapEvery(
        static_cast<std::uint32_t>(std::strtoul(every, nullptr, 10)));
  }
  if (keptLog != nullptr) host.keepLagLog(keptLog);
  int status = 0;
  std::string error;
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
  readTextFile("tarvok.ini", &record->settings, &ignored);
  return status;
}

// Commits the outputs of a run that ended with `status` and draws its
// chart; returns the final status. The transcript and the log of a failed
// run are kept too: they show how far it got.
int finishOutputs(const RunOptions& options, const RunRecord& record,
                  int status, RunOutputs* files) {
  std::string why;
  const bool keptAny =
      files->log.isOpen() && std::ftell(files->log.stream()) > 0;
  for (const auto& output :
       {std::make_pair(&options.output, &files->transcript),
        std::make_pair(&options.log, &files->log)}) {
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
    page.duration = record.lastLogged;
    files->chart.write(chartHtml(page, record.logged,
                                 ConfigCheck(record.settings).settings()));
    if (!files->chart.commit(&why)) {
      status = cannotUse("write", options.chart, why);
    }
  }
  return status;
}

}  // namespace

CommandSyntax describeScenarioCommand(RunOptions* options) {
  CommandSyntax run{"tarvok-sim", "",
                    "tarvok-sim [OPTIONS] [SCENARIO]\n"
                    "       tarvok-sim COMMAND [OPTIONS] ...",
                    std::string(kRunDescription) + "\n", kScenarioLines};
  run.arity = Arity::kOptionalOne;
  run.argumentName = "SCENARIO";
  run.argumentHelp =
      "a scenario file, one action a line (below);\n"
      "without it, the built-in demo";
  run.argument = &options->scenario;
  run.tooMany = "one scenario at a time";
  run.options = {
      libraryOption(&options->library),
      textOption("--output", "FILE",
                 "write the transcript to FILE (default: the\n"
                 "standard output; colours only on a terminal,\n"
                 "never with NO_COLOR set)",
                 &options->output),
      textOption("--ini", "FILE",
                 "start with a copy of that tarvok.ini instead\n"
                 "of an empty one (the demo then leaves out its\n"
                 "own settings)",
                 &options->ini),
      textOption("--chart", "OUT.html",
                 "draw the rows of the plug-in's lag log\n"
                 "(LagLog= in tarvok.ini) as a page",
                 &options->chart),
      textOption("--log", "FILE",
                 "keep the plug-in's lag log in FILE, on the\n"
                 "simulated clock (second 0 is\n"
                 "2000-01-01T00:00:00Z), ready for replay",
                 &options->log),
      flagOption("-i", "take scenario lines typed at a prompt",
                 &options->interactive),
  };
  run.conflict = [options] {
    return options->interactive && !options->scenario.empty()
               ? std::string("-i and a scenario file exclude each other")
               : std::string();
  };
  return run;
}

int runScenario(const RunOptions& options, const std::string& besideUs) {
  // Everything is read, and the outputs checked, before the run moves into
  // its own folder.
  std::string iniContents;
  if (!options.ini.empty() && !readFile(options.ini, &iniContents)) {
    return kFailed;
  }
  Scenario scenario;
  if (!options.interactive && !loadScenario(options, &scenario)) {
    return kFailed;
  }
  RunOutputs files;
  if (!openOutputs(options, &files)) return kFailed;

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

  std::FILE* out =
      files.transcript.isOpen() ? files.transcript.stream() : stdout;
  int status = 0;
  RunRecord record;
  {
    WorkFolder folder;
    WorkFolder::Visit visit(folder);
    if (!visit.entered()) {
      std::fprintf(stderr, "tarvok-sim: %s\n", visit.error().c_str());
      status = kFailed;
    } else {
      status = playRun(options, iniContents, scenario, plugin, out,
                       files.log.isOpen() ? files.log.stream() : nullptr,
                       &record);
    }
  }
  return finishOutputs(options, record, status, &files);
}
