#include "commands/sweep_command.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "hostkit/host_platform.h"
#include "hostkit/output_file.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"
#include "settings/config_check.h"
#include "evidence/progress_bar.h"
#include "evidence/replay.h"
#include "commands/replay_inputs.h"
#include "sim/scenario.h"
#include "evidence/sweep.h"

namespace {

const int kFailed = kUsageFailed;

const char kSweepDescription[] =
    "sweep replays the lag log LOG... once for every combination of the\n"
    "--vary values (at most 1000), each time with the settings of --ini and\n"
    "those values, several replays at once, and prints a row per\n"
    "combination: the varied values; the replayed checks over a limit; the\n"
    "players announced, warned (or warned and spectated) and spectated; the\n"
    "honest players spectated, the laggers let through and the players\n"
    "spared on purpose (\"spared as steady\"); the blind checks (replayed\n"
    "checks that no logged figures answered), '!' after a row's over 5 %,\n"
    "whose counts then understate its settings.\n";

const char kSweepYardstick[] =
    "\n"
    "The yardstick is the plug-in's own judgement. Every check of the log\n"
    "is judged once, as the plug-in would judge it under the --ini settings\n"
    "(the base): with the arena's section, the population section the log\n"
    "names, the player's allowance and the steady verdict over their\n"
    "earlier checks. A lagger is over a limit in most of their checks. A\n"
    "player over the plain limits in most checks whom the base forgives on\n"
    "purpose (allow=, stability=) is spared: honest, like a player over a\n"
    "limit in at most one check in ten. The base is the yardstick because\n"
    "it is what you run and mean: the players its allow= and stability=\n"
    "lines spare are no laggers for any row. A row lets a lagger through\n"
    "when it never warned nor spectated them; laggers its own plug-in\n"
    "forgave as steady, and the base's spared players it left alone, are\n"
    "counted as spared, not misjudged; a spared player it spectated is an\n"
    "honest player spectated. Rows come best trade-off first: fewest\n"
    "players misjudged (honest spectated plus laggers let through), then\n"
    "fewest honest players spectated, then fewest laggers let through,\n"
    "then fewest players spectated: at equal mistakes the milder row.\n"
    "'*' marks the row of the --ini file's own values (run as a row of its\n"
    "own when no combination has them).\n"
    "\n"
    "With --classes, over the log of a made-up arena (see tarvok-sim arena),\n"
    "each row also says how many of the laggers (lagger-NN and flaky-NN),\n"
    "of the honest players (good-NN, spiky-NN, staff-NN) and of the steady\n"
    "high-latency links (far-NN) it warned or spectated, as replay\n"
    "--classes counts them:\n"
    "\n"
    "  tarvok-sim arena --seed 1 --output arena.log\n"
    "  tarvok-sim sweep arena.log --ini try.ini --classes\n"
    "      --vary stability=0,20,40 --vary strikes=1,3\n"
    "\n"
    "Exit status: 0 when every combination was replayed; 2 when a file\n"
    "cannot be used, a replay failed, or for a faulty command line (more\n"
    "than 1000 combinations among them).";

// The keys --vary takes, from the key table, in lines of at most 72
// characters.
std::string sweepKeysText() {
  std::string text =
      "KEY is a number key of tarvok.ini, without '=' and in its letter "
      "case:\n";
  std::string line;
  const std::string names = sweepKeyNames() + ".";
  std::size_t start = 0;
  while (start < names.size()) {
    std::size_t end = names.find(' ', start);
    if (end == std::string::npos) end = names.size();
    const std::string word = names.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > 72) {
      text += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  return text + line + "\n";
}

// Between a job's outcome and its scores by class.
const char kClassesMark = '|';

const char kClassesNote[] =
    "By class, from the players' names (tarvok-sim arena): laggers are "
    "lagger-NN and flaky-NN, honest players good-NN, spiky-NN and staff-NN, "
    "steady high-latency links far-NN; dealt with: warned or spectated at "
    "least once.";

int failed(const std::string& message) {
  std::fprintf(stderr, "tarvok-sim sweep: %s\n", message.c_str());
  return kFailed;
}

// A faulty --vary is a fault of the command line.
int usageFault(const std::string& message) {
  return failed(message + "; see \"tarvok-sim sweep --help\"");
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The jobs of a sweep: a row and its tarvok.ini for every combination, and
// for the base when no combination has its values.
void planJobs(const std::vector<SweepAxis>& axes,
              const std::vector<std::vector<std::int32_t>>& combinations,
              const std::vector<std::string>& baseLines,
              const ConfigSettings& baseSettings, std::vector<SweepRow>* rows,
              std::vector<std::vector<std::string>>* iniOf) {
  for (const std::vector<std::int32_t>& values : combinations) {
    SweepRow row;
    row.base = true;
    for (std::size_t i = 0; i < axes.size(); ++i) {
      row.values.push_back(std::to_string(values[i]));
      row.base = row.base && sweepRepairedValue(axes[i].key, values[i]) ==
                                 sweepSettingOf(baseSettings, axes[i].key);
    }
    rows->push_back(row);
    iniOf->push_back(sweepIniLines(baseLines, axes, values));
  }
  bool baseRun = false;
  for (const SweepRow& row : *rows) baseRun = baseRun || row.base;
  if (!baseRun) {
    SweepRow row;
    row.base = true;
    for (const SweepAxis& axis : axes) {
      row.values.push_back(
          std::to_string(sweepSettingOf(baseSettings, axis.key)));
    }
    rows->push_back(row);
    iniOf->push_back(baseLines);
  }
}

// One job: the loaded log replayed under `ini` in a work folder of its own.
// Its result as text, "ok OUTCOME[|CLASSES]", else the fault.
std::string replayJob(Replay& replay, const SweepYardstick& yardstick,
                      const std::string& libraryPath,
                      const std::vector<std::string>& ini, bool classes) {
  const std::string settings = joined(ini);
  SweepCounter counter;
  replay.observeReplayedRows(
      [&counter](const LagLogRow& row) { counter.addReplayed(row); });
  PluginLibrary plugin;
  std::string why;
  if (!plugin.load(libraryPath, &why)) {
    return "cannot load the plug-in: " + escapeControlBytes(why);
  }
  bool ran = false;
  {
    WorkFolder folder;
    WorkFolder::Visit visit(folder);
    if (!visit.entered()) return visit.error();
    ran = replay.run(plugin.talk(), ini,
                     longestCountdowns(ConfigCheck(settings)), nullptr, {},
                     &why);
    plugin.unload();
  }
  if (!ran) return why;
  SweepOutcome outcome = counter.outcome(yardstick);
  outcome.blind = replay.unansweredChecks();
  std::string result = "ok " + outcome.text();
  if (classes) {
    result += kClassesMark + counter.classScores(yardstick).text();
  }
  return result;
}

// Reads each job's result into its row; false, with the first result that
// is no outcome in `failedResult`, when a replay failed.
bool readResults(const std::vector<std::string>& results, bool classes,
                 std::vector<SweepRow>* rows, std::string* failedResult) {
  for (std::size_t job = 0; job < rows->size(); ++job) {
    const std::string& result = results[job];
    const std::size_t mark = result.find(kClassesMark);
    SweepRow& row = (*rows)[job];
    row.classed = classes;
    if (result.compare(0, 3, "ok ") != 0 ||
        !SweepOutcome::fromText(result.substr(3, mark - 3), &row.outcome) ||
        (mark != std::string::npos) != classes ||
        (classes &&
         !ClassScores::fromText(result.substr(mark + 1), &row.classes))) {
      *failedResult = result;
      return false;
    }
  }
  return true;
}

// What the output says over the table, on the page as on the terminal.
struct SweepNotes {
  std::string heading;
  std::string yardstick;
  std::string order;
};

SweepNotes sweepNotes(const Replay& replay, const std::string& log,
                      const std::string& baseName, std::size_t combinations,
                      const SweepYardstick& yardstick) {
  SweepNotes notes;
  notes.heading =
      "Sweep of " + log + " (" + std::to_string(replay.rows()) + " rows, " +
      replayPeriodText(replay) + ") over the settings of " + baseName + ": " +
      std::to_string(combinations) +
      (combinations == 1 ? " combination" : " combinations");
  notes.yardstick =
      "Judged by the limits of " + baseName +
      " in the log's own checks: honest players (over a limit in at most 1 "
      "check in 10): " +
      std::to_string(yardstick.honestPlayers()) +
      "; laggers (over in most of their checks): " +
      std::to_string(yardstick.laggers()) +
      (yardstick.sparedPlayers() == 0
           ? std::string()
           : "; spared on purpose by its allowances or as steady: " +
                 std::to_string(yardstick.sparedPlayers())) +
      ".";
  notes.order =
      "Best trade-offs first: fewest honest players spectated plus laggers "
      "let through, then fewest honest spectated, then fewest laggers let "
      "through, then fewest spectated; * marks the settings of " +
      baseName + ".";
  return notes;
}

void printSweep(const SweepNotes& notes,
                const std::vector<std::string>& logNotes, bool classes,
                const std::vector<SweepAxis>& axes,
                const std::vector<SweepRow>& rows, std::size_t skippedLines) {
  std::printf("%s\n", notes.heading.c_str());
  for (const std::string& note : logNotes) {
    std::printf("Note: %s\n", note.c_str());
  }
  std::printf("%s\n%s\n", notes.yardstick.c_str(), notes.order.c_str());
  if (classes) std::printf("%s\n", kClassesNote);
  std::printf("\n");
  for (const std::string& line : sweepTable(axes, rows)) {
    std::printf("%s\n", line.c_str());
  }
  if (anyTooManyBlind(rows)) std::printf("%s\n", kSweepBlindNote);
  std::printf("\nSkipped lines: %zu\n", skippedLines);
}

std::string sweepChart(const SweepNotes& notes, const std::string& log,
                       const std::vector<std::string>& logNotes, bool classes,
                       const std::vector<SweepAxis>& axes,
                       const std::vector<SweepRow>& rows) {
  SweepChartPage page;
  page.title = "Settings swept over " + log;
  page.notes = {notes.heading + ".", notes.yardstick, notes.order};
  if (classes) page.notes.push_back(kClassesNote);
  for (const std::string& note : logNotes) page.notes.push_back(note);
  if (anyTooManyBlind(rows)) page.notes.push_back(kSweepBlindNote);
  return sweepChartHtml(page, axes, rows);
}

}  // namespace

CommandSyntax describeSweepCommand(SweepOptions* options) {
  CommandSyntax sweep{"sweep", "many settings over one lag log, ranked",
                      "tarvok-sim sweep [OPTIONS] LOG...", "",
                      std::string(kSweepDescription) + "\n" + sweepKeysText() +
                          kSweepYardstick};
  sweep.arity = Arity::kOneOrMore;
  sweep.argumentName = "LOG";
  sweep.argumentHelp =
      "the lag log; several files are read as one,\n"
      "a rotated set oldest first";
  sweep.arguments = &options->logs;
    Option vary{"--vary", "KEY=...",
              "a key and its values: KEY=A..B, KEY=A..B:STEP\n"
              "or KEY=A,B,C; once for each key, several\n"
              "multiply",
              ValueKind::kTexts};
  vary.texts = &options->vary;
  vary.required = true;
  sweep.options = {
      vary,
      textOption("--ini", "BASE",
                 "the base settings (default: tarvok.ini of\n"
                 "the current folder, else the plug-in's\n"
                 "defaults)",
                 &options->ini),
      textOption("--chart", "OUT.html",
                 "also write the trade-off chart: a point per\n"
                 "row, its settings as hover text",
                 &options->chart),
      numberOption("--processes", "N",
                   "replays at once, 1 to 256 (default: one per\n"
                   "core)",
                   &options->processes, 1, 256),
      libraryOption(&options->library),
      flagOption("--classes",
                 "also score each row by class, as replay\n"
                 "--classes does (the players of tarvok-sim\n"
                 "arena)",
                 &options->classes),
  };
  return sweep;
}

int runSweepCommand(const SweepOptions& options,
                    const std::string& defaultLibrary) {
  std::vector<SweepAxis> axes;
  std::string error;
  for (const std::string& vary : options.vary) {
    axes.emplace_back();
    if (!parseSweepAxis(vary, &axes.back(), &error)) return usageFault(error);
  }
  const std::string& ini = options.ini;
  const std::string& chart = options.chart;
  const std::string library =
      options.library.empty() ? defaultLibrary : options.library;
  const unsigned processes =
      options.processes != 0
          ? options.processes
          : std::max(1u, std::thread::hardware_concurrency());
  const std::vector<std::vector<std::int32_t>> combinations =
      sweepCombinations(axes, &error);
  if (combinations.empty()) return usageFault(error);

  // Everything is read, and the outputs checked, before the runs move into
  // folders of their own.
  std::string why;
  LagLogSet logs;
  if (!logs.open(options.logs, &why)) return failed(why);
  const std::string log = logs.shown();
  std::string baseName;
  std::string base;
  if (!readSettings(ini, &base, &baseName, &why)) {
    return why.empty() ? kFailed : failed(why);
  }
  OutputFile chartFile;
  if (!checkOutputs({{&chart, &chartFile}},
                    replayInputs(logs, ini, library), &why)) {
    return failed(why);
  }
  baseName = escapeControlBytes(baseName);
  const std::vector<std::string> baseLines = splitLines(base);
  const ConfigCheck baseCheck(base);

  Replay replay(stderr, false);
  SweepYardstick yardstick(baseCheck);
  replay.observeLoadedRows(
      [&yardstick](const LagLogRow& row) { yardstick.addLogged(row); });
  if (!loadLagLogs(logs, &replay, &error)) return failed(error);

  std::vector<SweepRow> rows;
  std::vector<std::vector<std::string>> iniOf;
  planJobs(axes, combinations, baseLines, baseCheck.settings(), &rows, &iniOf);

  std::error_code ignored;
  const std::string libraryPath =
      std::filesystem::absolute(library, ignored).string();
  {
    // A library that does not load fails here, once, not in every job.
    PluginLibrary plugin;
    if (!plugin.load(libraryPath, &error)) {
      return failed("cannot load the plug-in: " + escapeControlBytes(error));
    }
  }
  std::vector<std::string> results;
  bool complete;
  {
    ProgressBar bar(stderr, "combinations");
    complete = runJobs(
        rows.size(), processes,
        [&](std::size_t job) {
          return replayJob(replay, yardstick, libraryPath, iniOf[job],
                           options.classes);
        },
        [&bar, &rows](std::size_t done) { bar.update(done, rows.size()); },
        &results);
  }
  if (!complete) return failed("a replay ended before its work was done");
  std::string failedResult;
  if (!readResults(results, options.classes, &rows, &failedResult)) {
    return failed("a replay failed: " + failedResult);
  }
  sortSweepRows(&rows);

  const SweepNotes notes =
      sweepNotes(replay, log, baseName, combinations.size(), yardstick);
  printSweep(notes, logs.notes(), options.classes, axes, rows,
             replay.skippedLines());
  if (chart.empty()) return 0;
  chartFile.write(
      sweepChart(notes, log, logs.notes(), options.classes, axes, rows));
  if (!chartFile.commit(&why)) {
    return failed("cannot write " + escapeControlBytes(chart) + ": " + why);
  }
  return 0;
}
