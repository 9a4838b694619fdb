#include "sim/sweep_command.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"
#include "sim/config_check.h"
#include "sim/progress_bar.h"
#include "sim/replay.h"
#include "sim/replay_command.h"
#include "sim/scenario.h"
#include "sim/sweep.h"
#include "sim/transcript.h"

const char kSweepHelp[] =
    "usage: tarvok-sim sweep LOG... [--ini BASE] --vary KEY=A..B[:STEP]\n"
    "                        [--vary KEY=A,B,C ...] [--chart OUT.html]\n"
    "                        [--library PATH] [--processes N]\n"
    "\n"
    "Replays the lag logs once for every combination of the --vary values,\n"
    "each time with the settings of BASE (default: ./tarvok.ini) and those\n"
    "values, at most 1000 combinations, N replays at once (default: one per\n"
    "core). KEY is a number key of tarvok.ini, without '=' and in its letter\n"
    "case: current, average, s2cploss, c2sploss, s2cweapons, display, deal,\n"
    "maxcheckrate, queue, autocheck, strikes, grace, autochecklevel,\n"
    "answertimeout.\n"
    "\n"
    "Each row: the varied values; the replayed checks over a limit; the\n"
    "players announced, warned (or warned and spectated) and spectated; the\n"
    "honest players spectated and the laggers let through. Honest and\n"
    "lagging are judged once, from the log's own figures against the limits\n"
    "of BASE: honest when over a limit in at most one check in ten of\n"
    "theirs, a lagger when over in most of them; let through: never warned\n"
    "nor spectated. Rows come best trade-off first: fewest players misjudged\n"
    "(honest spectated plus laggers let through), then fewest honest players\n"
    "spectated, then fewest laggers let through. '*' marks the row of BASE's\n"
    "own settings (run as a row of its own when no combination has them).\n"
    "--chart writes a page with a point per row: laggers let through across,\n"
    "honest players spectated up, the settings in each point's hover text.\n";

namespace {

const int kFailed = 2;

int failed(const std::string& message) {
  std::fprintf(stderr, "tarvok-sim sweep: %s\n", message.c_str());
  return kFailed;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace

int runSweepCommand(const std::vector<std::string>& arguments,
                    const std::string& defaultLibrary) {
  std::vector<std::string> logs;
  std::vector<SweepAxis> axes;
  std::string ini, chart, library = defaultLibrary, processesText;
  std::string error;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      std::printf("%s", kSweepHelp);
      return 0;
    }
    std::string vary;
    std::string* value = argument == "--ini"         ? &ini
                         : argument == "--chart"     ? &chart
                         : argument == "--library"   ? &library
                         : argument == "--processes" ? &processesText
                         : argument == "--vary"      ? &vary
                                                     : nullptr;
    if (value != nullptr) {
      if (i + 1 == arguments.size()) {
        return failed(argument + " needs a value\n\n" + kSweepHelp);
      }
      *value = arguments[++i];
      if (value == &vary) {
        axes.emplace_back();
        if (!parseSweepAxis(vary, &axes.back(), &error)) return failed(error);
      }
    } else if (!argument.empty() && argument[0] == '-') {
      return failed("unknown option " + shownField(argument) + "\n\n" +
                    kSweepHelp);
    } else {
      logs.push_back(argument);
    }
  }
  if (logs.empty()) return failed(std::string("which log?\n\n") + kSweepHelp);
  if (axes.empty()) {
    return failed(std::string("what to vary? (--vary KEY=A..B)\n\n") +
                  kSweepHelp);
  }
  unsigned processes = std::max(1u, std::thread::hardware_concurrency());
  if (!processesText.empty()) {
    char* end = nullptr;
    const unsigned long count = std::strtoul(processesText.c_str(), &end, 10);
    if (end == processesText.c_str() || *end != '\0' || count < 1 ||
        count > 256) {
      return failed("--processes takes a number from 1 to 256");
    }
    processes = static_cast<unsigned>(count);
  }
  const std::vector<std::vector<std::int32_t>> combinations =
      sweepCombinations(axes, &error);
  if (combinations.empty()) return failed(error);

  logs = logsOldestFirst(logs);
  std::string log = logs.front();
  for (std::size_t i = 1; i < logs.size(); ++i) log += ", " + logs[i];
  log = escapeControlBytes(log);

  // Everything is read before the runs move into folders of their own.
  std::string baseName = ini.empty() ? "tarvok.ini" : ini;
  std::string base;
  if (!readWholeFile(baseName, &base)) {
    if (!ini.empty()) return failed("cannot read " + shownField(ini));
    baseName = "the plug-in's defaults (no tarvok.ini here)";
  }
  baseName = escapeControlBytes(baseName);
  const std::vector<std::string> baseLines = splitLines(base);
  const ConfigSettings baseSettings = ConfigCheck(base).settings();

  Replay replay(stderr, false);
  SweepYardstick yardstick(baseSettings);
  replay.observeLoadedRows(
      [&yardstick](const LagLogRow& row) { yardstick.addLogged(row); });
  for (const std::string& each : logs) {
    if (!replay.load(each, &error)) return failed(error);
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
      return failed("cannot load the plug-in: " + error);
    }
  }

  auto replayOne = [&](std::size_t job) -> std::string {
    const std::string settings = joined(iniOf[job]);
    SweepCounter counter;
    replay.observeReplayedRows(
        [&counter](const LagLogRow& row) { counter.addReplayed(row); });
    PluginLibrary plugin;
    std::string why;
    if (!plugin.load(libraryPath, &why)) return "cannot load the plug-in: " + why;
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
    return "ok " + counter.outcome(yardstick).text();
  };
  std::vector<std::string> results;
  bool complete;
  {
    ProgressBar bar(stderr);
    complete = runJobs(
        rows.size(), processes, replayOne,
        [&bar, &rows](std::size_t done) { bar.update(done, rows.size()); },
        &results);
  }
  if (!complete) return failed("a replay ended before its work was done");
  for (std::size_t job = 0; job < rows.size(); ++job) {
    const std::string& result = results[job];
    if (result.compare(0, 3, "ok ") != 0 ||
        !SweepOutcome::fromText(result.substr(3), &rows[job].outcome)) {
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
      std::to_string(yardstick.laggers()) + ".";
  const std::string orderNote =
      "Best trade-offs first: fewest honest players spectated plus laggers "
      "let through, then fewest honest spectated, then fewest laggers let "
      "through; * marks the settings of " +
      baseName + ".";
  std::printf("%s\n%s\n%s\n\n", heading.c_str(), yardstickNote.c_str(),
              orderNote.c_str());
  for (const std::string& line : sweepTable(axes, rows)) {
    std::printf("%s\n", line.c_str());
  }
  std::printf("\nSkipped lines: %zu\n", replay.skippedLines());

  if (!chart.empty()) {
    SweepChartPage page;
    page.title = "Settings swept over " + log;
    page.notes = {heading + ".", yardstickNote, orderNote};
    if (!writeWholeFile(chart, sweepChartHtml(page, axes, rows))) {
      return failed("cannot write " + shownField(chart));
    }
  }
  return 0;
}
