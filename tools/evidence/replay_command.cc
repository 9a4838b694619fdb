#include "evidence/replay_command.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"
#include "evidence/arena_log.h"
#include "evidence/chart.h"
#include "sim/config_check.h"
#include "sim/file_access.h"
#include "evidence/lag_log.h"
#include "evidence/progress_bar.h"
#include "evidence/replay.h"
#include "sim/scenario.h"
#include "sim/transcript.h"

namespace {

const int kFailed = kUsageFailed;

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

std::vector<std::string> logsOldestFirst(
    const std::vector<std::string>& logs) {
  return rotationOrder(logs);
}

bool checkLagLogs(const std::vector<std::string>& logs, std::string* fault) {
  std::string why;
  for (const std::string& each : logs) {
    if (!checkReadable(each, &why)) {
      *fault = "cannot read " + escapeControlBytes(each) + ": " + why;
      return false;
    }
    if (!looksLikeLagLog(each)) {
      *fault = escapeControlBytes(each) +
               " is not a lag log: its first line is neither the log's "
               "header nor a row";
      return false;
    }
  }
  return true;
}

int runReplayCommand(const ReplayOptions& options,
                     const std::string& defaultLibrary) {
  const std::vector<std::string> logs = rotationOrder(options.logs);
  const std::string& ini = options.ini;
  const std::string& chart = options.chart;
  const std::string& transcriptPath = options.transcript;
  const std::string library =
      options.library.empty() ? defaultLibrary : options.library;
  std::string log = logs.front();
  for (std::size_t i = 1; i < logs.size(); ++i) log += ", " + logs[i];
  log = escapeControlBytes(log);

  // Everything is read, and the outputs checked, before the run moves into
  // its own folder.
  std::string why;
  if (!checkLagLogs(logs, &why)) return failed(why);
  std::string settingsName = ini.empty() ? "tarvok.ini" : ini;
  std::string settings;
  std::error_code absent;
  if (ini.empty() && !std::filesystem::exists(settingsName, absent)) {
    settingsName = "the plug-in's defaults (no tarvok.ini here)";
  } else {
    const TextRead read = readTextFile(settingsName, &settings, &why);
    if (read == TextRead::kRefused) {
      std::fprintf(stderr, "%s\n", why.c_str());
      return kFailed;
    }
    if (read == TextRead::kCannotRead) {
      return cannotUse("read", settingsName, why);
    }
  }
  for (const std::string* output : {&chart, &transcriptPath}) {
    if (!output->empty() && !checkWritable(*output, &why)) {
      return cannotUse("write", *output, why);
    }
  }
  Replay replay(stderr, !chart.empty());
  std::string error;
  for (const std::string& each : logs) {
    if (!replay.load(each, &error)) return failed(error);
  }
  replay.finishLoading();
  const ConfigCheck settingsCheck(settings);

  std::error_code ignored;
  const std::filesystem::path libraryPath =
      std::filesystem::absolute(library, ignored);
  PluginLibrary plugin;
  if (!plugin.load(libraryPath.string(), &error)) {
    return failed("cannot load the plug-in: " + error);
  }
  std::FILE* transcriptFile = nullptr;
  if (!transcriptPath.empty()) {
    transcriptFile = std::fopen(transcriptPath.c_str(), "wb");
    if (transcriptFile == nullptr) {
      return cannotUse("write", transcriptPath, std::strerror(errno));
    }
  }

  bool ran = false;
  {
    WorkFolder folder;
    WorkFolder::Visit visit(folder);
    if (!visit.entered()) {
      error = visit.error();
    } else {
      Transcript transcript(transcriptFile, false);
      ProgressBar bar(stderr);
      ran = replay.run(
          plugin.talk(), splitLines(settings), longestCountdowns(settingsCheck),
          transcriptFile != nullptr ? &transcript : nullptr,
          [&bar](std::size_t done, std::size_t total) {
            bar.update(done, total);
          },
          &error);
      // The plug-in's instances go before the player lists they point to.
      plugin.unload();
    }
  }
  if (transcriptFile != nullptr) std::fclose(transcriptFile);
  if (!ran) return failed(error);

  const std::string period =
      replay.rows() == 0 ? std::string("no rows")
                         : "from " + lagLogTimeText(replay.startTime()) + ", " +
                               Transcript::clock(replay.duration()) + " long";
  std::printf("Replay of %s (%zu rows, %s) with the settings of %s\n\n",
              log.c_str(), replay.rows(), period.c_str(), settingsName.c_str());
  for (const std::string& line : replay.summary().table()) {
    std::printf("%s\n", line.c_str());
  }
  std::printf("\nSkipped lines: %zu\n", replay.skippedLines());
  if (replay.unansweredChecks() != 0) {
    std::printf("Checks with no logged figures near them (not answered): %zu\n",
                replay.unansweredChecks());
  }
  if (replay.allowancesNotGiven() != 0) {
    std::printf(
        "Checks logged with an allowance these settings lack (a live "
        "!lagallow is not replayed): %zu\n",
        replay.allowancesNotGiven());
  }
  if (options.classes) {
    std::printf("\n");
    for (const std::string& line : classScores(replay.summary(), 1)) {
      std::printf("%s\n", line.c_str());
    }
  }

  if (!chart.empty()) {
    ChartPage page;
    page.title = "Lag checks of " + log + ", replayed";
    page.notes.push_back("Log: " + log + ", " + std::to_string(replay.rows()) +
                         " rows, " + period + ".");
    page.notes.push_back(
        "Replayed with the settings of " + settingsName +
        "; skipped lines: " + std::to_string(replay.skippedLines()) + ".");
    page.duration = replay.duration();
    if (replay.rows() != 0) page.startTime = replay.startTime();
    if (!writeWholeFile(chart,
                        chartHtml(page, replay.summary(),
                                  settingsCheck.settings()),
                        &why)) {
      return cannotUse("write", chart, why);
    }
  }
  return 0;
}
