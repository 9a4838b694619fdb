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
#include "commands/replay_command.h"
#include "sim/scenario.h"
#include "evidence/sweep.h"
#include "hostkit/transcript.h"

namespace {

const int kFailed = kUsageFailed;

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

}  // namespace

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
  std::vector<std::string> inputs = logs.names();
  inputs.push_back(ini.empty() ? "tarvok.ini" : ini);
  inputs.push_back(library);
  OutputFile chartFile;
  if (!checkOutputs({{&chart, &chartFile}}, inputs, &why)) return failed(why);
  baseName = escapeControlBytes(baseName);
  const std::vector<std::string> baseLines = splitLines(base);
  const ConfigCheck baseCheck(base);
  const ConfigSettings& baseSettings = baseCheck.settings();

  Replay replay(stderr, false);
  SweepYardstick yardstick(baseCheck);
  replay.observeLoadedRows(
      [&yardstick](const LagLogRow& row) { yardstick.addLogged(row); });
  for (std::size_t i = 0; i < logs.names().size(); ++i) {
    if (!replay.load(logs.readFrom(i), &error, logs.names()[i])) {
      return failed(error);
    }
  }
  replay.finishLoading();

  // The jobs: every combination, and the base when none has its values.
  std::vector<SweepRow> rows;
  std::vector<std::vector<std::string>> iniOf;
  for (const std::vector<std::int32_t>& values : combinations) {
    SweepRow row;
    row.base = true;
    for (std::size_t i = 0; i < axes.size(); ++i) {
      row.values.push_back(std::to_string(values[i]));
      row.base = row.base && sweepRepairedValue(axes[i].key, values[i]) ==
                                 sweepSettingOf(baseSettings, axes[i].key);
    }
    rows.push_back(row);
    iniOf.push_back(sweepIniLines(baseLines, axes, values));
  }
  bool baseRun = false;
  for (const SweepRow& row : rows) baseRun = baseRun || row.base;
  if (!baseRun) {
    SweepRow row;
    row.base = true;
    for (const SweepAxis& axis : axes) {
      row.values.push_back(
          std::to_string(sweepSettingOf(baseSettings, axis.key)));
    }
    rows.push_back(row);
    iniOf.push_back(baseLines);
  }

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

  auto replayOne = [&](std::size_t job) -> std::string {
    const std::string settings = joined(iniOf[job]);
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
      ran = replay.run(plugin.talk(), iniOf[job],
                       longestCountdowns(ConfigCheck(settings)), nullptr, {},
                       &why);
      plugin.unload();
    }
    if (!ran) return why;
    SweepOutcome outcome = counter.outcome(yardstick);
    outcome.blind = replay.unansweredChecks();
    std::string result = "ok " + outcome.text();
    if (options.classes) {
      result += kClassesMark + counter.classScores(yardstick).text();
    }
    return result;
  };
  std::vector<std::string> results;
  bool complete;
  {
    ProgressBar bar(stderr, "combinations");
    complete = runJobs(
        rows.size(), processes, replayOne,
        [&bar, &rows](std::size_t done) { bar.update(done, rows.size()); },
        &results);
  }
  if (!complete) return failed("a replay ended before its work was done");
  for (std::size_t job = 0; job < rows.size(); ++job) {
    const std::string& result = results[job];
    const std::size_t mark = result.find(kClassesMark);
    SweepRow& row = rows[job];
    row.classed = options.classes;
    if (result.compare(0, 3, "ok ") != 0 ||
        !SweepOutcome::fromText(result.substr(3, mark - 3), &row.outcome) ||
        (mark != std::string::npos) != options.classes ||
        (options.classes &&
         !ClassScores::fromText(result.substr(mark + 1), &row.classes))) {
      return failed("a replay failed: " + result);
    }
  }
  sortSweepRows(&rows);

  const std::string period =
      replay.rows() == 0 ? std::string("no rows")
                         : "from " + lagLogTimeText(replay.startTime()) + ", " +
                               Transcript::clock(replay.duration()) + " long";
  const std::string heading =
      "Sweep of " + log + " (" + std::to_string(replay.rows()) + " rows, " +
      period + ") over the settings of " + baseName + ": " +
      std::to_string(combinations.size()) +
      (combinations.size() == 1 ? " combination" : " combinations");
  const std::string yardstickNote =
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
  const std::string orderNote =
      "Best trade-offs first: fewest honest players spectated plus laggers "
      "let through, then fewest honest spectated, then fewest laggers let "
      "through, then fewest spectated; * marks the settings of " +
      baseName + ".";
  std::printf("%s\n", heading.c_str());
  for (const std::string& note : logs.notes()) {
    std::printf("Note: %s\n", note.c_str());
  }
  std::printf("%s\n%s\n", yardstickNote.c_str(), orderNote.c_str());
  if (options.classes) std::printf("%s\n", kClassesNote);
  std::printf("\n");
  for (const std::string& line : sweepTable(axes, rows)) {
    std::printf("%s\n", line.c_str());
  }
  if (anyTooManyBlind(rows)) std::printf("%s\n", kSweepBlindNote);
  std::printf("\nSkipped lines: %zu\n", replay.skippedLines());

  if (!chart.empty()) {
    SweepChartPage page;
    page.title = "Settings swept over " + log;
    page.notes = {heading + ".", yardstickNote, orderNote};
    if (options.classes) page.notes.push_back(kClassesNote);
    for (const std::string& note : logs.notes()) page.notes.push_back(note);
    if (anyTooManyBlind(rows)) page.notes.push_back(kSweepBlindNote);
    chartFile.write(sweepChartHtml(page, axes, rows));
    if (!chartFile.commit(&why)) {
      return failed("cannot write " + escapeControlBytes(chart) + ": " + why);
    }
  }
  return 0;
}
