#include "sim/replay_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/work_folder.h"
#include "sim/chart.h"
#include "sim/config_check.h"
#include "sim/file_access.h"
#include "sim/lag_log.h"
#include "sim/progress_bar.h"
#include "sim/replay.h"
#include "sim/scenario.h"
#include "sim/transcript.h"

namespace {

const int kFailed = kUsageFailed;

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
bool looksLikeLagLog(const std::string& path) {
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
  return line == kLagLogHeader || parseLagLogRow(line, &row, &ignored);
}

}  // namespace

int runReplayCommand(const ReplayOptions& options,
                     const std::string& defaultLibrary) {
  const std::string& log = options.log;
  const std::string& ini = options.ini;
  const std::string& chart = options.chart;
  const std::string& transcriptPath = options.transcript;
  const std::string library =
      options.library.empty() ? defaultLibrary : options.library;
  // Everything is read, and the outputs checked, before the run moves into
  // its own folder.
  std::string why;
  if (!checkReadable(log, &why)) return cannotUse("read", log, why);
  if (!looksLikeLagLog(log)) {
    return failed(escapeControlBytes(log) +
                  " is not a lag log: its first line is neither the log's "
                  "header nor a row");
  }
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
  Replay replay(log, stderr, !chart.empty());
  std::string error;
  if (!replay.load(log, &error)) return failed(error);

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
          plugin.talk(), splitLines(settings),
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
  if (replay.heldFigures() != 0) {
    std::printf("Rows whose figures could not be sent again: %zu\n",
                replay.heldFigures());
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
                                  ConfigCheck(settings).settings()),
                        &why)) {
      return cannotUse("write", chart, why);
    }
  }
  return 0;
}
