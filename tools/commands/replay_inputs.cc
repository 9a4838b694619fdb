#include "commands/replay_inputs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "evidence/replay.h"
#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "hostkit/transcript.h"
#include "laglog/lag_log.h"
#include "sim/file_access.h"

namespace {

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
