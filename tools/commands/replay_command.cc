#include "commands/replay_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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
#include "sim/file_access.h"
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

// The number after the last '.' of `path` ("lag.log.2": 2), 0 without one.
unsigned long rotationOf(const std::string& path, std::string* base) {
  const std::size_t dot = path.rfind('.');
  *base = path;
  if (dot == std::string::npos || dot + 1 == path.size() ||
      path.size() - dot > 6) {
    return 0;
  }
  for (std::size_t i = dot + 1; i < path.size(); ++i) {
    if (path[i] < '0' || path[i] > '9') return 0;
  }
  *base = path.substr(0, dot);
  return std::stoul(path.substr(dot + 1));
}

// The logs oldest first: the files of one rotated set (FILE.2, FILE.1,
// FILE) in that order, where the set first appears; others as given.
std::vector<std::string> rotationOrder(const std::vector<std::string>& logs) {
  std::vector<std::pair<std::string, unsigned long>> keyed;
  for (const std::string& log : logs) {
    std::string base;
    const unsigned long number = rotationOf(log, &base);
    keyed.emplace_back(base, number);
  }
  std::vector<std::size_t> order(logs.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::vector<std::size_t> firstOfBase(logs.size());
  for (std::size_t i = 0; i < logs.size(); ++i) {
    firstOfBase[i] = i;
    for (std::size_t j = 0; j < i; ++j) {
      if (keyed[j].first == keyed[i].first) {
        firstOfBase[i] = firstOfBase[j];
        break;
      }
    }
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) {
                     if (firstOfBase[a] != firstOfBase[b]) {
                       return firstOfBase[a] < firstOfBase[b];
                     }
                     return keyed[a].second > keyed[b].second;
                   });
  std::vector<std::string> ordered;
  for (std::size_t i : order) ordered.push_back(logs[i]);
  return ordered;
}

int failed(const std::string& message) {
  std::fprintf(stderr, "tarvok-sim replay: %s\n", message.c_str());
  return kFailed;
}

int cannotUse(const std::string& what, const std::string& path,
              const std::string& why) {
  return failed("cannot " + what + " " + escapeControlBytes(path) + ": " +
                why);
}

// The longest first line looked at to tell a lag log.
constexpr std::size_t kLongestFirstLine = 4096;

// True when the first line of `path` is the lag log's header or a row.
// Only a regular file is looked at: a pipe would lose what is read here, and
// the log's own reader bounds a device's endless line.
bool looksLikeLagLog(const std::string& path) {
  std::error_code failure;
  if (!std::filesystem::is_regular_file(path, failure)) return true;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::string line(kLongestFirstLine, '\0');
  line.resize(std::fread(&line[0], 1, line.size(), file));
  std::fclose(file);
  if (line.empty()) return true;  // nothing logged yet
  line = line.substr(0, line.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  LagLogRow row;
  std::string ignored;
  return isLagLogHeader(line) || parseLagLogRow(line, &row, &ignored);
}

// The notes of the files missing in the middle of a rotated set among
// `logs`: "lag.log.2 is missing between lag.log.3 and lag.log.1 ...".
std::vector<std::string> rotationGaps(const std::vector<std::string>& logs) {
  std::vector<std::string> notes;
  std::vector<std::string> bases;
  for (const std::string& log : logs) {
    std::string base;
    rotationOf(log, &base);
    if (std::find(bases.begin(), bases.end(), base) != bases.end()) continue;
    bases.push_back(base);
    std::vector<unsigned long> numbers;  // 0: the current file
    for (const std::string& other : logs) {
      std::string otherBase;
      const unsigned long number = rotationOf(other, &otherBase);
      if (otherBase == base) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    for (std::size_t i = 1; i < numbers.size(); ++i) {
      if (numbers[i] - numbers[i - 1] < 2) continue;
      const auto nameOf = [&base](unsigned long number) {
        return escapeControlBytes(
            number == 0 ? base : base + "." + std::to_string(number));
      };
      const unsigned long missing = numbers[i] - numbers[i - 1] - 1;
      notes.push_back(
          (missing == 1 ? nameOf(numbers[i - 1] + 1) + " is"
                        : nameOf(numbers[i - 1] + 1) + " to " +
                              nameOf(numbers[i] - 1) + " are") +
          " missing between " + nameOf(numbers[i]) + " and " +
          nameOf(numbers[i - 1]) + ": the rows " +
          (missing == 1 ? "it holds" : "they hold") + " are not replayed.");
    }
  }
  return notes;
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

ConfigSettings longestCountdowns(const ConfigCheck& check) {
  ConfigSettings longest = check.settings();
  for (const ConfigArena& arena : check.arenas()) {
    for (std::int32_t ConfigSettings::*field :
         {&ConfigSettings::maxCheckRate, &ConfigSettings::graceSeconds,
          &ConfigSettings::autoCheckInterval, &ConfigSettings::answerTimeout}) {
      longest.*field = std::max(longest.*field, arena.settings.*field);
    }
  }
  return longest;
}

bool LagLogSet::open(const std::vector<std::string>& logs,
                     std::string* fault) {
  names_.clear();
  inputs_.clear();
  notes_.clear();
  for (const std::string& log : rotationOrder(logs)) {
    std::string twice;
    for (const std::string& named : names_) {
      std::error_code failure;
      if (named == log || std::filesystem::equivalent(named, log, failure)) {
        twice = named;
      }
    }
    if (!twice.empty()) {
      notes_.push_back(
          (twice == log ? escapeControlBytes(log) + " is named twice"
                        : escapeControlBytes(twice) + " and " +
                              escapeControlBytes(log) + " are one file") +
          ": read once.");
      continue;
    }
    names_.push_back(log);
    inputs_.emplace_back();
    std::string why;
    const TextRead read = inputs_.back().open(log, &why);
    if (read == TextRead::kRefused) {
      *fault = why;
      return false;
    }
    const std::string& readFrom = inputs_.back().readFrom();
    if (read == TextRead::kCannotRead || !checkReadable(readFrom, &why)) {
      *fault = "cannot read " + escapeControlBytes(log) + ": " + why;
      return false;
    }
    if (!looksLikeLagLog(readFrom)) {
      *fault = escapeControlBytes(log) +
               " is not a lag log: its first line is neither the log's "
               "header nor a row";
      return false;
    }
  }
  for (std::string& note : rotationGaps(names_)) notes_.push_back(note);
  return true;
}

std::string LagLogSet::shown() const {
  std::string shown;
  for (const std::string& name : names_) {
    shown += (shown.empty() ? "" : ", ") + escapeControlBytes(name);
  }
  return shown;
}

// Reads the settings of --ini (empty: tarvok.ini here, else the plug-in's
// defaults) into `settings`, and names them in `name`. On a fault, its
// message in `fault`.
bool readSettings(const std::string& ini, std::string* settings,
                  std::string* name, std::string* fault) {
  *name = ini.empty() ? "tarvok.ini" : ini;
  std::error_code absent;
  if (ini.empty() && !std::filesystem::exists(*name, absent)) {
    *name = "the plug-in's defaults (no tarvok.ini here)";
    return true;
  }
  std::string why;
  const TextRead read = readTextFile(*name, settings, &why);
  fault->clear();
  if (read == TextRead::kRefused) std::fprintf(stderr, "%s\n", why.c_str());
  if (read == TextRead::kCannotRead) {
    *fault = "cannot read " + escapeControlBytes(*name) + ": " + why;
  }
  if (read != TextRead::kRead) return false;
  *fault = replayedSettingsFault(*name, settings->size());
  return fault->empty();
}

bool checkOutputs(const std::vector<std::pair<const std::string*, OutputFile*>>&
                      outputs,
                  const std::vector<std::string>& inputs, std::string* fault) {
  std::vector<std::string> paths;
  for (const auto& output : outputs) paths.push_back(*output.first);
  *fault = sameFileFault(paths, inputs);
  if (fault->empty()) *fault = folderSettingsFault(paths);
  if (!fault->empty()) {
    *fault = "refused: " + *fault;
    return false;
  }
  std::string why;
  for (const auto& output : outputs) {
    if (output.first->empty() || output.second->open(*output.first, &why)) {
      continue;
    }
    *fault = "cannot write " + escapeControlBytes(*output.first) + ": " + why;
    return false;
  }
  return true;
}

bool loadLagLogs(const LagLogSet& logs, Replay* replay, std::string* error) {
  for (std::size_t i = 0; i < logs.names().size(); ++i) {
    if (!replay->load(logs.readFrom(i), error, logs.names()[i])) return false;
  }
  replay->finishLoading();
  return true;
}

std::vector<std::string> replayInputs(const LagLogSet& logs,
                                      const std::string& ini,
                                      const std::string& library) {
  std::vector<std::string> inputs = logs.names();
  inputs.push_back(ini.empty() ? "tarvok.ini" : ini);
  inputs.push_back(library);
  return inputs;
}

// The replay's period: "from TIME, hh:mm:ss long", or "no rows".
std::string replayPeriodText(const Replay& replay) {
  return replay.rows() == 0
             ? std::string("no rows")
             : "from " + lagLogTimeText(replay.startTime()) + ", " +
                   Transcript::clock(replay.duration()) + " long";
}

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
