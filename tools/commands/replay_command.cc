#include "commands/replay_command.h"

#include <cstdio>
#include <filesystem>

#include "commands/replay_inputs.h"
#include "hostkit/host_platform.h"
#include "hostkit/output_file.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"
#include "evidence/arena_log.h"
#include "evidence/chart.h"
#include "evidence/dispute_report.h"
#include "settings/config_check.h"
#include "sim/simulated_host.h"
#include "laglog/lag_log.h"
#include "evidence/progress_bar.h"
#include "evidence/replay.h"
#include "sim/scenario.h"
#include "hostkit/transcript.h"

namespace {

const int kFailed = kUsageFailed;

const char kReplayDescription[] =
    "replay plays the lag log LOG... (written by the plug-in with LagLog= in\n"
    "tarvok.ini) again through the plug-in, in simulated time, under the\n"
    "settings of --ini, and prints per player the checks, the limits\n"
    "reached, the warnings and the moves to spectator mode: logged beside\n"
    "replayed.\n";

const char kReplayFooter[] =
    "A damaged line of LOG is named on the standard error (LOG:LINE: why) and\n"
    "skipped. Exit status: 0 when the replay went through; 2 when a file\n"
    "cannot be used (LOG missing, a folder, no lag log; an output that cannot\n"
    "be written: checked before the replay starts) or for a faulty command\n"
    "line.";

int failed(const std::string& message) {
  std::fprintf(stderr, "tarvok-sim replay: %s\n", message.c_str());
  return kFailed;
}

int cannotUse(const std::string& what, const std::string& path,
              const std::string& why) {
  return failed("cannot " + what + " " + escapeControlBytes(path) + ": " +
                why);
}

// The table of logged and replayed counts, with the notes under it.
void printReplayTable(const Replay& replay,
                      const std::vector<std::string>& notes,
                      const std::string& log, const std::string& period,
                      const std::string& settingsName, bool classes) {
  std::printf("Replay of %s (%zu rows, %s) with the settings of %s\n",
              log.c_str(), replay.rows(), period.c_str(), settingsName.c_str());
  for (const std::string& note : notes) {
    std::printf("Note: %s\n", note.c_str());
  }
  std::printf("\n");
  for (const std::string& line : replay.summary().table()) {
    std::printf("%s\n", line.c_str());
  }
  std::printf("\nSkipped lines: %zu\n", replay.skippedLines());
  const std::uint64_t blind = replay.unansweredChecks();
  const std::uint64_t answered = replay.summary().total(1).checks;
  if (blind != 0) {
    std::printf("Blind checks (no logged figures near them to answer): %s\n",
                blindShareText(blind, answered).c_str());
  }
  if (tooManyBlind(blind, answered)) {
    std::printf("%s\n", kTooManyBlindWarning);
  }
  if (replay.allowancesNotGiven() != 0) {
    std::printf(
        "Checks logged with an allowance these settings lack (a live "
        "!lagallow is not replayed): %zu\n",
        replay.allowancesNotGiven());
  }
  if (classes) {
    std::printf("\n");
    for (const std::string& line : classScores(replay.summary(), 1)) {
      std::printf("%s\n", line.c_str());
    }
  }
}

// Loads the plug-in and replays in a work folder of its own, writing the
// transcript when `transcriptFile` is open. False, with the message in
// `error`, when the plug-in does not load; else `ran` says whether the
// replay went through (when not, `error` says why).
bool replayInWorkFolder(const std::string& library, const std::string& settings,
                        const ConfigCheck& settingsCheck, Replay* replay,
                        OutputFile* transcriptFile, bool* ran,
                        std::string* error) {
  std::error_code ignored;
  const std::filesystem::path libraryPath =
      std::filesystem::absolute(library, ignored);
  PluginLibrary plugin;
  if (!plugin.load(libraryPath.string(), error)) {
    *error = "cannot load the plug-in: " + escapeControlBytes(*error);
    return false;
  }
  WorkFolder folder;
  WorkFolder::Visit visit(folder);
  if (!visit.entered()) {
    *error = visit.error();
    return true;
  }
  Transcript transcript(transcriptFile->stream(), false);
  // Every row of the log, arrivals and departures too: more than the
  // check rows the table counts.
  ProgressBar bar(stderr, "log rows of every kind");
  *ran = replay->run(
      plugin.talk(), splitLines(settings), longestCountdowns(settingsCheck),
      transcriptFile->isOpen() ? &transcript : nullptr,
      [&bar](std::size_t done, std::size_t total) {
        bar.update(done, total);
      },
      error);
  // The plug-in's instances go before the player lists they point to.
  plugin.unload();
  return true;
}

// The chart page of a replay, with the notes on its log, its settings and
// its blind checks.
std::string replayChart(const Replay& replay,
                        const std::vector<std::string>& logNotes,
                        const std::string& log, const std::string& period,
                        const std::string& settingsName,
                        const ConfigCheck& settingsCheck) {
  ChartPage page;
  page.title = "Lag checks of " + log + ", replayed";
  page.notes.push_back("Log: " + log + ", " + std::to_string(replay.rows()) +
                       " rows, " + period + ".");
  page.notes.push_back(
      "Replayed with the settings of " + settingsName +
      "; skipped lines: " + std::to_string(replay.skippedLines()) + ".");
  for (const std::string& note : logNotes) page.notes.push_back(note);
  const std::uint64_t blind = replay.unansweredChecks();
  const std::uint64_t answered = replay.summary().total(1).checks;
  if (blind != 0) {
    page.notes.push_back("Blind checks (no logged figures near them to "
                         "answer; grey ticks at the foot of a plot): " +
                         blindShareText(blind, answered) + ".");
  }
  if (tooManyBlind(blind, answered)) {
    page.notes.push_back(kTooManyBlindWarning);
  }
  page.duration = replay.duration();
  // A log kept by a scenario run (--log) is on the simulated clock, whose
  // second 0 is 2000-01-01T00:00:00Z: its time axis counts from the
  // start instead of showing dates that never were.
  const bool simulated =
      replay.startTime() >= SimulatedHost::kSimulatedEpoch &&
      replay.startTime() < SimulatedHost::kSimulatedEpoch + 366 * 86400;
  if (replay.rows() != 0 && !simulated) page.startTime = replay.startTime();
  if (replay.rows() != 0 && simulated) {
    page.notes.push_back("On a scenario's simulated clock: the time axis "
                         "counts from its start.");
  }
  return chartHtml(page, replay.summary(), settingsCheck.settings(),
                   &settingsCheck.arenas());
}

}  // namespace

CommandSyntax describeReplayCommand(ReplayOptions* options) {
  CommandSyntax replay{"replay", "a lag log played again under other settings",
                       "tarvok-sim replay [OPTIONS] LOG...", "",
                       std::string(kReplayDescription) + "\n" + kReplayFooter};
  replay.arity = Arity::kOneOrMore;
  replay.argumentName = "LOG";
  replay.argumentHelp =
      "the lag log; several files are read as one,\n"
      "a rotated set (lag.log.2 lag.log.1 lag.log,\n"
      "in any order) oldest first";
  replay.arguments = &options->logs;
    replay.options = {
      textOption("--ini", "FILE",
                 "the settings to replay with (default:\n"
                 "tarvok.ini of the current folder, else the\n"
                 "plug-in's defaults)",
                 &options->ini),
      textOption("--chart", "OUT.html",
                 "also write the chart: one page, offline,\n"
                 "each player's figures over time against the\n"
                 "limits, with the warnings and moves",
                 &options->chart),
      textOption("--transcript", "FILE",
                 "write every event of the replay to FILE\n"
                 "(for small logs)",
                 &options->transcript),
      libraryOption(&options->library),
      flagOption("--classes",
                 "also print the scores by class, the class\n"
                 "being a player's name up to its first '-'\n"
                 "(the players of tarvok-sim arena)",
                 &options->classes),
      textOption("--player", "NAME",
                 "print the dispute report of NAME instead of\n"
                 "the table: each of their checks as logged\n"
                 "and as replayed, a verdict line at the top",
                 &options->player),
      textOption("--report", "OUT.html",
                 "with --player, also write the report as one\n"
                 "page, offline, readable on a phone",
                 &options->report),
  };
  return replay;
}

int runReplayCommand(const ReplayOptions& options,
                     const std::string& defaultLibrary) {
  const std::string& chart = options.chart;
  const std::string library =
      options.library.empty() ? defaultLibrary : options.library;
  if (!options.report.empty() && options.player.empty()) {
    return failed("--report needs --player NAME: the report is of one player");
  }

  // Everything is read, and the outputs checked, before the run moves into
  // its own folder.
  std::string why;
  LagLogSet logs;
  if (!logs.open(options.logs, &why)) return failed(why);
  const std::string log = logs.shown();
  std::string settingsName;
  std::string settings;
  if (!readSettings(options.ini, &settings, &settingsName, &why)) {
    return why.empty() ? kFailed : failed(why);
  }
  const std::vector<std::string> inputs =
      replayInputs(logs, options.ini, library);
  OutputFile chartFile;
  OutputFile transcriptFile;
  OutputFile reportFile;
  if (!checkOutputs({{&chart, &chartFile},
                     {&options.transcript, &transcriptFile},
                     {&options.report, &reportFile}},
                    inputs, &why)) {
    return failed(why);
  }
  Replay replay(stderr, !chart.empty());
  const ConfigCheck settingsCheck(settings);
  DisputeReport dispute(options.player, settingsCheck);
  if (!options.player.empty()) {
    replay.observeLoadedRows(
        [&dispute](const LagLogRow& row) { dispute.addLogged(row); });
    replay.observeReplayedRows(
        [&dispute](const LagLogRow& row) { dispute.addReplayed(row); });
    replay.observeReplayedFigures();
  }
  std::string error;
  if (!loadLagLogs(logs, &replay, &error)) return failed(error);
  if (!chart.empty() &&
      replay.summary().players().size() > kMostChartedPlayers) {
    return failed("the chart would draw " +
                  std::to_string(replay.summary().players().size()) +
                  " players, more than the " +
                  std::to_string(kMostChartedPlayers) +
                  " one page can hold: replay without --chart, or a part of "
                  "the log");
  }

  bool ran = false;
  if (!replayInWorkFolder(library, settings, settingsCheck, &replay,
                          &transcriptFile, &ran, &error)) {
    return failed(error);
  }
  // The transcript of a failed replay is kept too: it shows how far it got.
  if (transcriptFile.isOpen() && !transcriptFile.commit(&why)) {
    if (ran) return cannotUse("write", options.transcript, why);
  }
  if (!ran) return failed(error);

  const std::string period = replayPeriodText(replay);
  settingsName = escapeControlBytes(settingsName);
  if (options.player.empty()) {
    printReplayTable(replay, logs.notes(), log, period, settingsName,
                     options.classes);
  } else {
    const DisputeReport::Source source{
        log, std::to_string(replay.rows()) + " rows, " + period,
        settingsName};
    for (const std::string& line : dispute.text(source)) {
      std::printf("%s\n", line.c_str());
    }
    if (reportFile.isOpen()) {
      reportFile.write(dispute.html(source));
      if (!reportFile.commit(&why)) {
        return cannotUse("write", options.report, why);
      }
    }
  }
  if (chart.empty()) return 0;
  chartFile.write(replayChart(replay, logs.notes(), log, period, settingsName,
                              settingsCheck));
  if (!chartFile.commit(&why)) return cannotUse("write", chart, why);
  return 0;
}
