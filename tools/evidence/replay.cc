#include "evidence/replay.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <unordered_set>

#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "settings/config_check.h"
#include "sim/network_figures.h"
#include "sim/scenario_action.h"
#include "sim/simulated_host.h"
#include "spawn/arena_section.h"
#include "spawn/population_section.h"

namespace {

constexpr std::uint32_t kStaffLevel = 12;
constexpr std::int8_t kUnknown = -1;
constexpr std::int8_t kSpectator = static_cast<std::int8_t>(kHighestShip);
constexpr std::uint8_t kAllowanceVerdict = 1;  // of LagLogRow::verdicts

ScenarioAction actionOf(ActionKind kind, const std::string& name = "",
                        const std::string& text = "") {
  ScenarioAction action;
  action.kind = kind;
  action.name = name;
  action.text = text;
  return action;
}

std::uint64_t keyOf(std::uint32_t bot, std::uint32_t player) {
  return static_cast<std::uint64_t>(bot) << 32 | player;
}

// A name with A-Z folded to a-z: the plug-in tells players apart so.
std::string foldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// The latest an answer may come, in seconds after its query, under the
// settings of `iniLines`: before the answer timeout of every arena runs
// out where checks are ordered (one query out at a time), at once where
// they are not (answers to queries out together would cross).
std::uint32_t latestAnswer(const std::vector<std::string>& iniLines) {
  std::string text;
  for (const std::string& line : iniLines) text += line + "\n";
  const ConfigCheck check(text);
  std::vector<const ConfigSettings*> every{&check.settings()};
  for (const ConfigArena& arena : check.arenas()) {
    every.push_back(&arena.settings);
  }
  std::int32_t latest = Replay::kFigureWindow;
  for (const ConfigSettings* settings : every) {
    if (settings->queueMode == 0 && settings->autoCheckInterval <= 0) return 0;
    latest = std::min(latest, settings->answerTimeout - 1);
  }
  return static_cast<std::uint32_t>(std::max(latest, 0));
}

// The zone's lag line of the seven figures (`text`, each of its length in
// `lengths`, one after the other), made for every answered check.
void zoneLagLine(const char* text, const std::uint16_t (&lengths)[kFigureCount],
                 std::string* line) {
  static_assert(kCurrent == 0 && kAverage == 1 && kLow == 2 && kHigh == 3 &&
                    kS2C == 4 && kC2S == 5 && kS2CWeapons == 6 &&
                    kFigureCount == 7,
                "the figures in the order of the zone's line");
  std::string_view figures[kFigureCount];
  for (int i = 0; i < kFigureCount; ++i) {
    figures[i] = std::string_view(text, lengths[i]);
    text += lengths[i];
  }
  composeLagLine(figures, line);
}

// `allowanceMs` of a row with the allowance verdict, else -1.
std::int32_t allowanceOf(const LagLogRow& row) {
  return (row.verdicts & kAllowanceVerdict) != 0 ? row.allowanceMs : -1;
}

}  // namespace

const char* const kTooManyBlindWarning =
    "Warning: over 5% of the replayed checks were blind (no logged figures "
    "near them), so the counts understate what these settings would do; "
    "log more densely (see \"Blind checks\" in the guide).";

std::string blindShareText(std::uint64_t blind, std::uint64_t answered) {
  const std::uint64_t all = blind + answered;
  const std::uint64_t perMille = all == 0 ? 0 : (blind * 1000 + all / 2) / all;
  return std::to_string(blind) + " of " + std::to_string(all) +
         " replayed checks (" + std::to_string(perMille / 10) + "." +
         std::to_string(perMille % 10) + "%)";
}

bool tooManyBlind(std::uint64_t blind, std::uint64_t answered) {
  return blind * 100 > (blind + answered) * 5;
}

Replay::Replay(std::FILE* errors, bool charting)
    : errors_(errors), summary_({"logged", "replayed"}, charting) {}

// The lines of a file, each at most kLongestLine bytes, up to a byte count.
class LineSource {
 public:
  static constexpr std::size_t kReadSize = 16 * 1024;

  LineSource(std::FILE* file, std::uint64_t limit)
      : file_(file), left_(limit), buffer_(3 * Replay::kLongestLine) {}

  // The next line, without its line feed; false at the end, or at a line
  // longer than kLongestLine (tooLong()).
  bool next(std::string_view* line) {
    while (true) {
      const char* start = buffer_.data() + begin_;
      const void* feed = std::memchr(start, '\n', end_ - begin_);
      if (feed != nullptr) {
        const std::size_t length =
            static_cast<std::size_t>(static_cast<const char*>(feed) - start);
        if (length > Replay::kLongestLine) return stop();
        *line = std::string_view(start, length);
        begin_ += length + 1;
        ++lineNumber_;
        return true;
      }
      if (end_ - begin_ > Replay::kLongestLine) return stop();
      if (ended_) {
        if (begin_ == end_) return false;
        *line = std::string_view(start, end_ - begin_);
        begin_ = end_;
        ++lineNumber_;
        return true;
      }
      std::memmove(buffer_.data(), start, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
      // A small read at a time keeps the rows read in the processor's
      // cache beside the replay's tables, which a long read would push out.
      const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(
          std::min(buffer_.size() - end_, kReadSize), left_));
      const std::size_t count =
          room == 0 ? 0 : std::fread(buffer_.data() + end_, 1, room, file_);
      end_ += count;
      left_ -= count;
      read_ += count;
      if (count == 0) ended_ = true;
    }
  }
  bool tooLong() const { return tooLong_; }
  std::uint32_t lineNumber() const { return lineNumber_; }
  std::uint64_t bytesRead() const { return read_; }

 private:
  bool stop() {
    tooLong_ = true;
    return false;
  }

  std::FILE* file_;
  std::uint64_t left_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::uint64_t read_ = 0;
  std::uint32_t lineNumber_ = 0;
  bool ended_ = false;
  bool tooLong_ = false;
};

namespace {

// A line that load() takes as a row (the run skips what load reported).
enum class LogLine { kNothing, kRow, kFault };

LogLine readRow(std::string_view line, LagLogRow* row, std::string* error,
                LagLogFigures figures = LagLogFigures::kRead) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() || isLagLogHeader(line)) return LogLine::kNothing;
  if (!parseLagLogRow(line, row, error, figures)) return LogLine::kFault;
  // The replayed plug-in finds its population sections itself.
  if (row->kind == LagRowKind::Population) return LogLine::kNothing;
  if (row->player.find('\0') != std::string::npos ||
      row->requester.find('\0') != std::string::npos) {
    *error = "a name holding a NUL byte";
    return LogLine::kFault;
  }
  return LogLine::kRow;
}

// Seconds of loaded rows count from the first row loaded, shifted by half
// the range so that earlier rows fit too; finishLoading() moves them to
// count from the earliest row.
constexpr std::uint32_t kProvisionalZero = 0x80000000u;

}  // namespace

// The rows of every loaded file in the order of their times: the kept
// copy, or else each file read again as far as load() read it.
class Replay::RowSource {
 public:
  // Opens every file again where the rows are not kept; failure() says
  // when one cannot be opened or is not the file that was loaded.
  explicit RowSource(Replay& replay) : replay_(replay) {
    if (replay.keepingRows_) return;
    for (const LoadedFile& file : replay.files_) {
      streams_.emplace_back();
      Stream& stream = streams_.back();
      stream.file = std::fopen(file.absolute.c_str(), "rb");
      const std::string shown = escapeControlBytes(file.path);
      if (stream.file == nullptr) {
        if (failure_.empty()) {
          failure_ = "cannot open " + shown + " again to replay it: " +
                     std::strerror(errno);
        }
        continue;
      }
      FileIdentity identity;
      std::uint64_t size = 0;
      if (failure_.empty() && identityOf(stream.file, &identity, &size) &&
          (identity != file.identity || size < file.bytes)) {
        failure_ = shown +
                   " changed while it was replayed (rotated, replaced or cut "
                   "short): replay it again";
      }
      stream.lines.reset(new LineSource(stream.file, file.bytes));
      advance(stream);
    }
  }
  const std::string& failure() const { return failure_; }
  ~RowSource() {
    for (Stream& stream : streams_) {
      if (stream.file != nullptr) std::fclose(stream.file);
    }
  }
  RowSource(const RowSource&) = delete;
  RowSource& operator=(const RowSource&) = delete;

  // The next row, or nullptr at the end; valid until pop().
  const KeptRow* peek() {
    if (replay_.keepingRows_) {
      return next_ < replay_.kept_.size() ? &replay_.kept_[next_] : nullptr;
    }
    Stream* first = nullptr;
    for (Stream& stream : streams_) {
      if (stream.has && (first == nullptr || stream.row.time < first->row.time))
        first = &stream;
    }
    current_ = first;
    return first == nullptr ? nullptr : &first->row;
  }
  // The figures of the row peek() gave.
  const char* figures() const {
    return replay_.keepingRows_
               ? replay_.keptFigures_.data() + replay_.kept_[next_].figures
               : current_->figures.data();
  }
  void pop() {
    if (replay_.keepingRows_) {
      ++next_;
      return;
    }
    if (current_ != nullptr) advance(*current_);
    current_ = nullptr;
  }

 private:
  struct Stream {
    std::FILE* file = nullptr;
    std::unique_ptr<LineSource> lines;
    LagLogRow parsed;
    KeptRow row;
    std::vector<char> figures;
    bool has = false;
  };
  void advance(Stream& stream) {
    stream.has = false;
    std::string_view line;
    while (stream.lines->next(&line)) {
      if (readRow(line, &stream.parsed, &error_, LagLogFigures::kJoined) !=
          LogLine::kRow) {
        continue;
      }
      const LagLogRow& row = stream.parsed;
      stream.figures.clear();
      replay_.compact(
          row, replay_.botOf(row.bot),
          row.player.empty() ? kNobody : replay_.nameOf(row.player),
          row.requester.empty() ? kNobody : replay_.nameOf(row.requester),
          &stream.row, &stream.figures);
      stream.has = true;
      return;
    }
  }

  Replay& replay_;
  std::size_t next_ = 0;  // of the kept rows
  std::deque<Stream> streams_;
  Stream* current_ = nullptr;
  std::string error_;
  std::string failure_;
};

void Replay::report(std::uint32_t file, std::uint32_t line,
                    const std::string& reason) {
  std::fprintf(errors_, "%s:%lu: %s\n",
               escapeControlBytes(files_[file].path).c_str(),
               static_cast<unsigned long>(line), reason.c_str());
}

bool Replay::load(const std::string& path, std::string* failure,
                  const std::string& shownAs) {
  const std::string name = shownAs.empty() ? path : shownAs;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *failure = "cannot read " + escapeControlBytes(name);
    return false;
  }
  const std::uint32_t fileIndex = static_cast<std::uint32_t>(files_.size());
  std::error_code ignored;
  files_.push_back(LoadedFile{
      name, std::filesystem::absolute(path, ignored).string(), 0, {}});
  std::uint64_t size = 0;
  identityOf(file, &files_.back().identity, &size);
  reserveKeptRows(size);
  LineSource lines(file, ~std::uint64_t{0});
  LagLogRow row;
  std::string error;
  std::string_view line;
  keptFileStart_.push_back(kept_.size());
  // The figures matter here only to the kept rows, a chart and an observer;
  // the kept rows take them as one text.
  const LagLogFigures figures =
      summary_.charting() || loadedObserver_ ? LagLogFigures::kRead
      : keepingRows_                         ? LagLogFigures::kJoined
                                             : LagLogFigures::kSkipped;
  while (lines.next(&line)) {
    switch (readRow(line, &row, &error, figures)) {
      case LogLine::kNothing:
        break;
      case LogLine::kFault:
        report(fileIndex, lines.lineNumber(), error);
        ++skipped_;
        break;
      case LogLine::kRow:
        learn(row);
        break;
    }
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (lines.tooLong()) {
    *failure = escapeControlBytes(name) + ":" +
               std::to_string(lines.lineNumber() + 1) + ": " +
               lineTooLongReason(kLongestLine);
    return false;
  }
  if (failed) {
    *failure = "cannot read " + escapeControlBytes(name);
    return false;
  }
  files_.back().bytes = lines.bytesRead();
  return true;
}

void Replay::learn(LagLogRow& row) {
  ++allRows_;
  if (!anyRow_) {
    anyRow_ = true;
    firstTime_ = startTime_ = endTime_ = row.time;
  }
  startTime_ = std::min(startTime_, row.time);
  endTime_ = std::max(endTime_, row.time);
  const std::uint32_t bot = botOf(row.bot);
  if (row.kind != LagRowKind::Check) bots_[bot].presenceLogged = true;
  // Every spelling of a name counts under the first.
  std::uint32_t name = kNobody;
  if (!row.player.empty()) {
    name = nameOf(row.player);
    if (row.player != names_[name]) row.player = names_[name];
  }
  std::uint32_t requester = kNobody;
  if (!row.requester.empty()) {
    requester = nameOf(row.requester);
    if (row.requester != names_[requester]) row.requester = names_[requester];
  }
  if (keepingRows_) keep(row, bot, name, requester);
  if (loadedObserver_) loadedObserver_(row);
  if (name == kNobody && row.kind != LagRowKind::Check) return;
  // The rows without a player (lines nobody asked for) are one "player" of
  // the table too.
  KnownPlayer& player = known_[keyOf(bot, name)];
  if (name != kNobody) {
    player.lastTime = std::max(player.lastTime, row.time);
    if (player.level == kUnknown) player.level = static_cast<std::int8_t>(row.level);
    if (player.ship == kUnknown) player.ship = static_cast<std::int8_t>(row.ship);
  }
  if (row.kind != LagRowKind::Check) return;
  ++checkRows_;
  if (player.firstCheckRow == 0 || row.time < player.firstCheckTime) {
    player.firstCheckTime = row.time;
    player.firstCheckRow = allRows_;
    player.firstCheckAutomatic = row.automatic;
  }
  addToSummary(0, bot, &player.summaryRow, row,
               static_cast<std::uint32_t>(row.time - firstTime_) +
                   kProvisionalZero);
}

void Replay::compact(const LagLogRow& row, std::uint32_t bot,
                     std::uint32_t player, std::uint32_t requester,
                     KeptRow* kept, std::vector<char>* text) {
  // A figure is part of a line of at most kLongestLine bytes, beside the
  // row's time.
  static_assert(kLongestLine <= 0x10000, "a figure's length in 16 bits");
  kept->time = row.time;
  kept->bot = bot;
  kept->player = player;
  kept->requester = requester;
  kept->arena = row.arena.empty() ? kNobody : arenaOf(row.arena);
  kept->allowanceMs = allowanceOf(row);
  kept->kind = row.kind;
  kept->action = row.action;
  kept->automatic = row.automatic;
  kept->level = static_cast<std::int8_t>(row.level);
  kept->ship = static_cast<std::int8_t>(row.ship);
  kept->figures = static_cast<std::uint32_t>(text->size());
  if (row.kind != LagRowKind::Check) {
    std::fill(std::begin(kept->figureLengths), std::end(kept->figureLengths),
              std::uint16_t{0});
    return;
  }
  if (!row.joinedFigures.empty()) {
    for (int i = 0; i < kFigureCount; ++i) {
      kept->figureLengths[i] = static_cast<std::uint16_t>(row.figureLengths[i]);
    }
    text->insert(text->end(), row.joinedFigures.begin(),
                 row.joinedFigures.end());
    return;
  }
  std::size_t end = text->size();
  for (int i = 0; i < kFigureCount; ++i) {
    kept->figureLengths[i] = static_cast<std::uint16_t>(row.figures[i].size());
    end += row.figures[i].size();
  }
  // One growth for the seven figures, then plain copies.
  text->resize(end);
  char* out = text->data() + kept->figures;
  for (const std::string& figure : row.figures) {
    std::memcpy(out, figure.data(), figure.size());
    out += figure.size();
  }
}

void Replay::keep(const LagLogRow& row, std::uint32_t bot,
                  std::uint32_t player, std::uint32_t requester) {
  // Memory that runs out first (a limit of the process) drops the copy as
  // the budget does: the logs are read again then.
  try {
    kept_.emplace_back();
    compact(row, bot, player, requester, &kept_.back(), &keptFigures_);
  } catch (const std::bad_alloc&) {
    dropKeptRows();
    return;
  }
  // The blocks as they are, room grown ahead included.
  if (kept_.capacity() * sizeof(KeptRow) + keptFigures_.capacity() >
      keptRowsBudget_) {
    dropKeptRows();
  }
}

void Replay::reserveKeptRows(std::uint64_t fileBytes) {
  if (!keepingRows_) return;
  // Room for a file's rows ahead (a row takes some 50 to 80 bytes of the
  // file, a figure some 3): grown row by row, the copy would be copied
  // again at every doubling and touch twice its memory. Room never used
  // costs no memory, but counts against the budget: at most half of it.
  constexpr std::uint64_t kShortestRow = 48;
  const std::uint64_t rows = std::min<std::uint64_t>(
      fileBytes / kShortestRow, keptRowsBudget_ / 2 / sizeof(KeptRow));
  const std::uint64_t figures =
      std::min<std::uint64_t>(fileBytes / 4, keptRowsBudget_ / 4);
  try {
    kept_.reserve(kept_.size() + static_cast<std::size_t>(rows));
    keptFigures_.reserve(keptFigures_.size() +
                         static_cast<std::size_t>(figures));
  } catch (const std::bad_alloc&) {
    dropKeptRows();
  }
}

void Replay::dropKeptRows() {
  keepingRows_ = false;
  std::vector<KeptRow>().swap(kept_);
  std::vector<char>().swap(keptFigures_);
  std::vector<std::size_t>().swap(keptFileStart_);
}

void Replay::mergeKeptFiles() {
  if (!keepingRows_ || keptFileStart_.size() < 2) return;
  // As the files are read again: the earliest of the files' next rows,
  // the first file's at a tie.
  std::vector<std::size_t> next = keptFileStart_;
  std::vector<std::size_t> end(keptFileStart_.begin() + 1,
                               keptFileStart_.end());
  end.push_back(kept_.size());
  std::vector<KeptRow> merged;
  try {
    merged.reserve(kept_.size());
  } catch (const std::bad_alloc&) {
    dropKeptRows();
    return;
  }
  while (true) {
    std::size_t first = next.size();
    for (std::size_t file = 0; file < next.size(); ++file) {
      if (next[file] < end[file] &&
          (first == next.size() ||
           kept_[next[file]].time < kept_[next[first]].time)) {
        first = file;
      }
    }
    if (first == next.size()) break;
    merged.push_back(kept_[next[first]++]);
  }
  kept_.swap(merged);
}

void Replay::addToSummary(std::size_t source, std::uint32_t bot,
                          std::size_t* summaryRow, const LagLogRow& row,
                          std::uint64_t second) {
  if (summaryRow == nullptr) {
    summary_.add(source, bots_[bot].handle, row, second);
  } else if (*summaryRow == kNoSummaryRow) {
    *summaryRow = summary_.add(source, bots_[bot].handle, row, second);
  } else {
    summary_.addAt(*summaryRow, source, row, second);
  }
}

void Replay::finishLoading() {
  mergeKeptFiles();
  if (!anyRow_) return;
  // Files that interleave in time were counted one after the other.
  const auto knownOf = [this](const PlayerLag& player) -> KnownPlayer& {
    const std::uint32_t name = player.name.empty()
                                   ? kNobody
                                   : nameIndex_.at(foldedName(player.name));
    return known_.at(keyOf(botIndex_.at(player.bot), name));
  };
  summary_.reorder([&knownOf](const PlayerLag& a, const PlayerLag& b) {
    const KnownPlayer& first = knownOf(a);
    const KnownPlayer& second = knownOf(b);
    return std::make_pair(first.firstCheckTime, first.firstCheckRow) <
           std::make_pair(second.firstCheckTime, second.firstCheckRow);
  });
  summary_.moveEarlier(static_cast<std::uint32_t>(startTime_ - firstTime_) +
                       kProvisionalZero);
  for (std::size_t row = 0; row < summary_.players().size(); ++row) {
    knownOf(summary_.players()[row]).summaryRow = row;
  }
}

std::uint32_t Replay::knownName(const std::string& name) {
  const std::uint32_t spelled = spellings_.find(name);
  if (spelled != SpellingTable::kNone) return spelled;
  const auto found = nameIndex_.find(foldedName(name));
  if (found == nameIndex_.end()) return kNobody;
  spellings_.insert(name, found->second);
  return found->second;
}

std::uint32_t Replay::nameOf(const std::string& name) {
  const std::uint32_t known = knownName(name);
  if (known != kNobody) return known;
  const std::uint32_t index = static_cast<std::uint32_t>(names_.size());
  names_.push_back(name);
  nameIndex_.emplace(foldedName(name), index);
  spellings_.insert(name, index);
  return index;
}

std::uint32_t Replay::arenaOf(const std::string& arena) {
  const auto found = arenaIndex_.find(arena);
  if (found != arenaIndex_.end()) return found->second;
  const std::uint32_t index = static_cast<std::uint32_t>(arenas_.size());
  arenas_.push_back(arena);
  arenaIndex_.emplace(arena, index);
  return index;
}

std::uint32_t Replay::botOf(LoggedHandle handle) {
  // Most rows are of the bot of the row before.
  if (!bots_.empty() && bots_[lastBot_].handle == handle) return lastBot_;
  // Looked up before an insertion, which would build a node for every row.
  const auto found = botIndex_.find(handle);
  if (found != botIndex_.end()) return lastBot_ = found->second;
  const auto bot = botIndex_.emplace(handle, bots_.size());
  bots_.push_back(LoggedBot{handle});
  return lastBot_ = bot.first->second;
}

std::uint64_t Replay::duration() const {
  return anyRow_ ? static_cast<std::uint64_t>(endTime_ - startTime_) : 0;
}

void Replay::growWindow() {
  std::vector<LoggedRow> grown(std::max<std::size_t>(1024, window_.size() * 2));
  for (std::uint64_t i = windowStart_; i < windowEnd_; ++i) {
    std::swap(grown[i & (grown.size() - 1)], rowAt(i));
  }
  window_.swap(grown);
}

std::uint32_t Replay::idleHorizon(const ConfigSettings& settings) {
  const auto positive = [](std::int32_t value) {
    return static_cast<std::uint32_t>(std::max(value, 0));
  };
  // In 64 bits: every countdown may be near 2^31.
  std::uint64_t horizon = positive(settings.maxCheckRate);
  horizon = std::max<std::uint64_t>(horizon,
                                    std::uint64_t{positive(settings.graceSeconds)} +
                                        positive(settings.autoCheckInterval));
  horizon += positive(settings.answerTimeout) + kFigureWindow + 1;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(horizon, kLongestIdlePlay));
}

// The player's first unused row of the window from kFigureWindow seconds
// before `time` on, unless it is more than kFigureWindow seconds after
// `time`. Rows are taken in their order, so that a replay that keeps the
// log's schedule gets each check's own figures, and it answers at its
// row's time: as late as the logged answer came, but never so late that
// the plug-in gives the query up (an answer after that would be taken for
// the next query, another player's).
bool Replay::answer(std::uint32_t bot, const std::string& name,
                    std::int64_t time, std::string* line,
                    std::uint32_t* late) {
  const std::uint32_t player = knownName(name);
  if (player == kNobody) return false;
  const auto found = figures_.find(keyOf(bot, player));
  if (found == figures_.end()) return false;
  Figures& figures = found->second;
  while (figures.next < figures.rows.size() &&
         (figures.rows[figures.next] < windowStart_ ||
          rowAt(figures.rows[figures.next]).used ||
          rowAt(figures.rows[figures.next]).time + kFigureWindow < time)) {
    ++figures.next;
  }
  if (figures.next > 64 && figures.next * 2 > figures.rows.size()) {
    figures.rows.erase(figures.rows.begin(),
                       figures.rows.begin() + static_cast<long>(figures.next));
    figures.next = 0;
  }
  // A query while a request typed again waits is that request's: manual
  // requests go out before automatic checks.
  std::size_t chosen = figures.next;
  const auto skip = [&](bool typedOnly) {
    while (chosen < figures.rows.size() &&
           (rowAt(figures.rows[chosen]).used ||
            (typedOnly && !rowAt(figures.rows[chosen]).typed))) {
      ++chosen;
    }
  };
  if (figures.typedWaiting > 0) {
    skip(true);
    if (chosen == figures.rows.size()) {
      figures.typedWaiting = 0;  // its requests went unanswered
      chosen = figures.next;
    }
  }
  skip(false);
  if (chosen == figures.rows.size()) return false;
  LoggedRow& row = rowAt(figures.rows[chosen]);
  if (row.time > time + kFigureWindow) return false;
  row.used = true;
  if (row.typed) --figures.typedWaiting;
  *late = row.time > time
              ? std::min(static_cast<std::uint32_t>(row.time - time),
                         latestAnswer_)
              : 0;
  answered_.push_back({keyOf(bot, player), row.allowanceMs, time + *late});
  zoneLagLine(figureTextOf(row), row.figureLengths, line);
  return true;
}

const std::string& Replay::spelledName(const std::string& name) {
  const std::uint32_t known = knownName(name);
  return known == kNobody ? name : names_[known];
}

// One run of a replay: the simulated host, the simulated bots that serve
// the logged ones, who is listed in their arenas, the window of rows read
// and the clock. Its parts: loading the settings, the bots of a replay,
// presence, manual requests typed again, the window of figures that answer
// the plug-in's queries, the replayed plug-in's own log, the clock, and
// one row played.
class Replay::Session {
 public:
  Session(Replay& replay, TalkFunction talk, const ConfigSettings& settings,
          Transcript* transcript, const Progress& progress,
          std::string* failure);
  bool play(const std::vector<std::string>& iniLines);

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static constexpr std::int64_t kNoCheckYet = INT64_MIN / 2;
  // Answers kept before those of past seconds are dropped.
  static constexpr std::size_t kAnswersKeptAtMost = 64;

  // What the replay knows of each logged player of each bot.
  struct Listed {
    std::int64_t lastTime = 0;  // of their last row (logs without presence)
    std::int8_t level = kUnknown;  // of their first row that has it
    std::int8_t ship = kUnknown;
    std::int8_t replayedShip = kUnknown;  // in the replay, while listed
    bool listed = false;
    bool spectatedByBot = false;  // their latest row says the bot did
    std::int64_t spectatedInReplay = -1;  // when the replayed bot last did
    std::size_t summaryRow = kNoSummaryRow;  // of the summary, once counted
  };
  // Where the log does not say who is there, a player whose first row is
  // an automatic check was listed at least the grace before it: they are
  // listed then (at the log's start at the earliest) in the spectator
  // ship, where nobody checks them, and take their ship in the second
  // before that row, so that they are due when the logged check came.
  struct Inferred {
    std::uint64_t player;
    bool boards;  // takes their ship; else arrives in the spectator ship
  };

  void perform(const ScenarioAction& action) {
    if (!refused_ && !host_.run(action, failure_)) refused_ = true;
  }

  // Loading: the replayed settings, with the replay's own lag log.
  void loadSettings(const std::vector<std::string>& iniLines);
  void learnPlayers();

  // The bots of a replay. Simulated bots serve logged ones: a logged bot
  // gets one at its first row and gives it back when its arena is empty at
  // the end of a second (then nothing of it is left in the plug-in but its
  // settings; another logged bot that takes it connects it afresh), so
  // that thousands of logged handles need only as many bots as are busy at
  // once. The host's handle of a simulated bot is its index plus one.
  void switchTo(std::uint32_t simulated);
  // Makes the logged bot's simulated bot current. True when it was just
  // connected. A bot given back keeps serving its logged bot until another
  // one takes it. Most rows are of the current bot: that needs no call.
  bool serve(std::uint32_t bot) {
    const std::uint32_t simulated = simulatedOf_[bot];
    if (simulated == kNone || simulated != currentSimulated_) {
      return serveOther(bot);
    }
    givenBack_[simulated] = false;
    return false;
  }
  bool serveOther(std::uint32_t bot);
  std::uint32_t loggedBotOf(CALL_HANDLE handle) const;

  // Presence: arrivals and departures in the current bot's arena.
  void enter(std::uint32_t bot, const std::string& name, int level, int ship);
  void leave(std::uint32_t bot, const std::string& name);
  void arrive(std::uint32_t bot, const std::string& name, Listed& player,
              int level, int ship);
  void changeShip(const std::string& name, Listed& player, int ship);
  // The second is over: visitors leave, and so does who was seen last in
  // it, where the log does not say who is there.
  void endSecond();
  // Players whose check no logged figure answered wait in the spectator
  // ship.
  void parkUnseen();
  // Nobody of the bot's arena is listed any more.
  void arenaEmptied(std::uint32_t bot);
  // The inferred arrivals before `time`.
  void playInferredArrivals(std::int64_t time);
  // A presence row; false for a check.
  bool playPresence(const LoggedRow& row, Listed& player,
                    const std::string& name);

  // Manual requests typed again: "!lagme" when the requester is the
  // player, else "!lagcheck NAME" by the requester, listed for the second
  // if need be.
  void typeRequest(std::uint32_t bot, LoggedRow& row);
  // Ahead of its row, where the player is listed now in the arena of the
  // row (else the row types it at its own second).
  void typeEarly(LoggedRow& row);
  // The requests to type ahead of rows up to `time`.
  void typeEarlyRequests(std::int64_t time);

  // The window of figures: rows are read into it as the time comes near
  // them, since a check may be answered by a row up to kFigureWindow
  // seconds ahead.
  void readRowsUpTo(std::int64_t until) {
    // Asked before every row played, and most often nothing is due yet.
    const KeptRow* next = source_->peek();
    if (next != nullptr && std::max(next->time, lastRead_) <= until) {
      readRowsFrom(next, until);
    }
  }
  void readRowsFrom(const KeptRow* next, std::int64_t until);
  // The zone's answer to a "*lag" of a simulated bot.
  bool answerQuery(CALL_HANDLE handle, const std::string& name,
                   std::uint64_t second, std::string* line,
                   std::uint32_t* late);

  // A line of the replayed plug-in's own log, read in `second`.
  void observeReplayed(std::string_view line, std::uint64_t second);
  // The player of a replayed row of the bot, as knownName() finds them.
  std::uint32_t replayedName(std::uint32_t bot,
                             const std::string& spelled) const;
  // Was the check a logged row answered given that row's allowance?
  void matchAllowance(std::uint32_t bot, std::uint32_t name,
                      std::uint64_t second);

  // The clock: up to `time`, second by second while a bot has players, at
  // most idleHorizon() seconds of it.
  void passTo(std::int64_t time);

  // One row of the log.
  void playRow(LoggedRow& row);
  // After the last row: false, with the reason, when the counts are cut.
  bool finish();

  Replay& replay_;
  SimulatedHost host_;
  const ConfigSettings& settings_;
  const Progress& progress_;
  std::string* failure_;
  bool refused_ = false;

  std::vector<std::uint32_t> simulatedOf_;
  std::vector<std::uint32_t> loggedOf_;  // per simulated bot, or kNone
  // Per simulated bot: the arena the replay put it in (arenas_), or kNone.
  std::vector<std::uint32_t> arenaIn_;
  std::vector<std::uint32_t> idle_;  // simulated bots free to serve
  std::vector<std::uint32_t> population_;
  std::vector<std::uint32_t> servedThisSecond_;
  std::vector<bool> givenBack_;  // per simulated bot
  std::uint32_t currentSimulated_ = 0;

  std::unordered_map<std::uint64_t, Listed> players_;
  std::multimap<std::int64_t, Inferred> inferredArrivals_;
  // Players of such logs whose check found no logged figures: the log
  // says nothing of them then, so they wait in the spectator ship, where
  // nobody checks them, until their next row.
  std::vector<std::uint64_t> unseen_;
  std::vector<std::uint64_t> touched_;   // players of logs without presence
  std::vector<std::uint64_t> visitors_;  // requesters listed for a second
  std::unordered_set<std::uint64_t> visiting_;

  // Manual requests to type ahead of their rows, by the second before
  // whose Tick they are typed; the time of each bot's last check row read.
  std::multimap<std::int64_t, std::uint64_t> earlyRequests_;
  std::vector<std::int64_t> lastCheckOf_;
  std::uint32_t ahead_ = 0;
  std::int64_t lastRead_ = 0;

  // The replayed log as read back.
  LagLogRow replayed_;
  std::string error_;
  std::uint64_t observedBytes_ = 0;  // of the replayed log, line ends too

  std::unique_ptr<RowSource> source_;
  std::uint32_t horizon_ = 0;
  std::int64_t now_ = 0;
  std::size_t done_ = 0;
  std::uint64_t playing_ = 0;
};

Replay::Session::Session(Replay& replay, TalkFunction talk,
                         const ConfigSettings& settings,
                         Transcript* transcript, const Progress& progress,
                         std::string* failure)
    : replay_(replay),
      host_(talk, transcript),
      settings_(settings),
      progress_(progress),
      failure_(failure),
      simulatedOf_(replay.bots_.size(), kNone),
      population_(replay.bots_.size(), 0) {
  host_.tickOnlyPopulatedBots();
  host_.lagLogsNeverRotate();  // its own log, LagLogMaxBytes=0
  // With a transcript, its log lines stand right after their events.
  if (transcript == nullptr) host_.readLagLogsBySecond();
}

void Replay::Session::loadSettings(const std::vector<std::string>& iniLines) {
  const std::string logLines[] = {std::string("LagLog=") + kReplayedLogName,
                                  "LagLogMaxBytes=0"};
  const auto startsSection = [](const std::string& line) {
    return startsAnySection(line.c_str());
  };
  if (std::none_of(iniLines.begin(), iniLines.end(), startsSection)) {
    for (const std::string& line : iniLines) {
      perform(actionOf(ActionKind::Ini, "", line));
    }
    for (const std::string& line : logLines) {
      perform(actionOf(ActionKind::IniSet, "", line));
    }
    return;
  }
  // The replay's own log must hold in every arena: its lines go before the
  // first section, and the file's lag log lines, wherever they stand, are
  // left out.
  bool logLinesAdded = false;
  for (const std::string& line : iniLines) {
    if (!logLinesAdded && startsSection(line)) {
      for (const std::string& logLine : logLines) {
        perform(actionOf(ActionKind::Ini, "", logLine));
      }
      logLinesAdded = true;
    }
    if (line.rfind("LagLog=", 0) == 0 || line.rfind("LagLogMaxBytes=", 0) == 0)
      continue;
    perform(actionOf(ActionKind::Ini, "", line));
  }
}

void Replay::Session::learnPlayers() {
  for (const auto& entry : replay_.known_) {
    Listed& player = players_[entry.first];
    player.lastTime = entry.second.lastTime;
    player.level = entry.second.level;
    player.ship = entry.second.ship;
    player.summaryRow = entry.second.summaryRow;
    const std::uint32_t bot = static_cast<std::uint32_t>(entry.first >> 32);
    if (!replay_.bots_[bot].presenceLogged &&
        entry.second.firstCheckAutomatic &&
        static_cast<std::uint32_t>(entry.first) != kNobody) {
      const std::int64_t first = entry.second.firstCheckTime;
      inferredArrivals_.emplace(
          std::max(replay_.startTime_,
                   first - std::max(settings_.graceSeconds, 0)),
          Inferred{entry.first, false});
      inferredArrivals_.emplace(std::max(replay_.startTime_, first - 1),
                                Inferred{entry.first, true});
    }
  }
}

void Replay::Session::switchTo(std::uint32_t simulated) {
  if (simulated == currentSimulated_) return;
  currentSimulated_ = simulated;
  perform(actionOf(ActionKind::Bot,
                   simulated == 0 ? SimulatedHost::kFirstBotName
                                  : "Bot" + std::to_string(simulated + 1)));
}

bool Replay::Session::serveOther(std::uint32_t bot) {
  std::uint32_t simulated = simulatedOf_[bot];
  if (simulated != kNone) {
    givenBack_[simulated] = false;
    switchTo(simulated);
    return false;
  }
  while (!idle_.empty() && !givenBack_[idle_.back()]) idle_.pop_back();
  const bool reused = !idle_.empty();
  if (reused) {
    simulated = idle_.back();
    idle_.pop_back();
    simulatedOf_[loggedOf_[simulated]] = kNone;
  } else {
    simulated = static_cast<std::uint32_t>(loggedOf_.size());
    loggedOf_.push_back(kNone);
    arenaIn_.push_back(kNone);
    givenBack_.push_back(false);
  }
  givenBack_[simulated] = false;
  simulatedOf_[bot] = simulated;
  loggedOf_[simulated] = bot;
  switchTo(simulated);
  if (reused) perform(actionOf(ActionKind::Term));
  perform(actionOf(ActionKind::Init));
  return true;
}

std::uint32_t Replay::Session::loggedBotOf(CALL_HANDLE handle) const {
  const std::size_t simulated = static_cast<std::size_t>(handle) - 1;
  return simulated < loggedOf_.size() ? loggedOf_[simulated] : kNone;
}

void Replay::Session::enter(std::uint32_t bot, const std::string& name,
                            int level, int ship) {
  ScenarioAction action = actionOf(ActionKind::Arrive, name);
  action.level = level < 0 ? 0u : static_cast<std::uint32_t>(level);
  action.ship = static_cast<std::uint8_t>(ship < 0 ? 0 : ship);
  ++population_[bot];
  perform(action);
}

void Replay::Session::leave(std::uint32_t bot, const std::string& name) {
  --population_[bot];
  perform(actionOf(ActionKind::Leave, name));
}

void Replay::Session::arrive(std::uint32_t bot, const std::string& name,
                             Listed& player, int level, int ship) {
  player.listed = true;
  player.replayedShip = static_cast<std::int8_t>(ship < 0 ? 0 : ship);
  enter(bot, name, level, ship);
}

void Replay::Session::changeShip(const std::string& name, Listed& player,
                                 int ship) {
  ScenarioAction action = actionOf(ActionKind::Ship, name);
  action.ship = static_cast<std::uint8_t>(ship);
  player.replayedShip = static_cast<std::int8_t>(ship);
  perform(action);
}

void Replay::Session::endSecond() {
  for (std::uint64_t key : touched_) {
    Listed& player = players_[key];
    const std::uint32_t bot = static_cast<std::uint32_t>(key >> 32);
    if (player.listed && player.lastTime <= now_) {
      serve(bot);
      leave(bot, replay_.names_[static_cast<std::uint32_t>(key)]);
      player.listed = false;
    }
  }
  for (std::uint64_t key : visitors_) {
    const std::uint32_t bot = static_cast<std::uint32_t>(key >> 32);
    serve(bot);
    leave(bot, replay_.names_[static_cast<std::uint32_t>(key)]);
  }
  touched_.clear();
  visitors_.clear();
  visiting_.clear();
  for (std::uint32_t bot : servedThisSecond_) {
    const std::uint32_t simulated = simulatedOf_[bot];
    if (population_[bot] != 0 || simulated == kNone || givenBack_[simulated])
      continue;
    givenBack_[simulated] = true;
    idle_.push_back(simulated);
  }
  servedThisSecond_.clear();
}

void Replay::Session::parkUnseen() {
  for (std::uint64_t key : unseen_) {
    Listed& player = players_[key];
    if (!player.listed || player.replayedShip == kSpectator) continue;
    const std::uint32_t bot = static_cast<std::uint32_t>(key >> 32);
    servedThisSecond_.push_back(bot);
    serve(bot);
    changeShip(replay_.names_[static_cast<std::uint32_t>(key)], player,
               kSpectator);
  }
  unseen_.clear();
}

void Replay::Session::arenaEmptied(std::uint32_t bot) {
  population_[bot] = 0;
  for (auto& entry : players_) {
    if (static_cast<std::uint32_t>(entry.first >> 32) == bot) {
      entry.second.listed = false;
    }
  }
  for (std::size_t i = 0; i < visitors_.size();) {
    if (static_cast<std::uint32_t>(visitors_[i] >> 32) == bot) {
      visiting_.erase(visitors_[i]);
      visitors_.erase(visitors_.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

void Replay::Session::playInferredArrivals(std::int64_t until) {
  while (!inferredArrivals_.empty() &&
         inferredArrivals_.begin()->first < until) {
    const std::int64_t time = inferredArrivals_.begin()->first;
    const Inferred inferred = inferredArrivals_.begin()->second;
    inferredArrivals_.erase(inferredArrivals_.begin());
    if (time > now_) {
      endSecond();
      passTo(time);
    }
    Listed& player = players_[inferred.player];
    const std::uint32_t bot = static_cast<std::uint32_t>(inferred.player >> 32);
    const std::string& name =
        replay_.names_[static_cast<std::uint32_t>(inferred.player)];
    if (inferred.boards ? !player.listed ||
                              player.replayedShip != kSpectator ||
                              player.ship == kSpectator
                        : player.listed) {
      continue;
    }
    servedThisSecond_.push_back(bot);
    serve(bot);
    if (inferred.boards) {
      changeShip(name, player, std::max<int>(player.ship, 0));
    } else {
      arrive(bot, name, player, player.level, kSpectator);
    }
    parkUnseen();
  }
}

void Replay::Session::typeRequest(std::uint32_t bot, LoggedRow& row) {
  row.typed = true;
  ++replay_.figures_[keyOf(bot, row.player)].typedWaiting;
  const std::string& name = replay_.names_[row.player];
  if (row.requester == row.player) {
    perform(actionOf(ActionKind::Say, name, "!lagme"));
    return;
  }
  const std::uint64_t requesterKey = keyOf(bot, row.requester);
  const std::string& requester = replay_.names_[row.requester];
  const auto known = players_.find(requesterKey);
  if ((known == players_.end() || !known->second.listed) &&
      visiting_.insert(requesterKey).second) {
    enter(bot, requester, kStaffLevel, kHighestShip);
    visitors_.push_back(requesterKey);
  }
  perform(actionOf(ActionKind::Say, requester, "!lagcheck " + name));
}

void Replay::Session::typeEarly(LoggedRow& row) {
  const std::uint32_t simulated = simulatedOf_[row.bot];
  if (row.used || row.typed || simulated == kNone) return;
  if (row.arena != kNobody && arenaIn_[simulated] != row.arena) return;
  const auto player = players_.find(keyOf(row.bot, row.player));
  if (player == players_.end() || !player->second.listed) return;
  servedThisSecond_.push_back(row.bot);
  serve(row.bot);
  // Only a bot still waiting for its check's answer made the request wait:
  // typed now, it would otherwise go out at once and hold back the check
  // due in the next second. It is then typed at its own row's second.
  if (!host_.answerHeldForCurrentBot()) return;
  typeRequest(row.bot, row);
}

void Replay::Session::typeEarlyRequests(std::int64_t time) {
  while (!earlyRequests_.empty() && earlyRequests_.begin()->first <= time) {
    const auto early = earlyRequests_.begin();
    const std::int64_t before = early->first - 1;
    const std::uint64_t sequence = early->second;
    earlyRequests_.erase(early);
    if (before > now_) {
      endSecond();
      passTo(before);
    }
    if (sequence >= replay_.windowStart_) typeEarly(replay_.rowAt(sequence));
  }
}

void Replay::Session::readRowsFrom(const KeptRow* next, std::int64_t until) {
  RowSource& source = *source_;
  for (; next != nullptr; next = source.peek()) {
    const std::int64_t time = std::max(next->time, lastRead_);
    if (time > until) return;
    const std::uint64_t sequence = replay_.windowEnd_;
    LoggedRow& row = replay_.pushRow();
    static_cast<KeptRow&>(row) = *next;
    row.time = lastRead_ = time;
    row.used = false;
    row.typed = false;
    if (row.kind == LagRowKind::Check) {
      // Kept rows keep their figures in place; a row read again has them
      // only until the next one is read.
      if (!replay_.keepingRows_) {
        std::size_t length = 0;
        for (std::uint16_t figure : row.figureLengths) length += figure;
        row.figureText.assign(source.figures(), length);
      }
      if (row.player != kNobody) {
        replay_.figures_[keyOf(row.bot, row.player)].rows.push_back(sequence);
      }
      if (lastCheckOf_.size() <= row.bot) {
        lastCheckOf_.resize(row.bot + 1, kNoCheckYet);
      }
      // A request answered late, a few seconds after the bot's check
      // logged before it, may have waited for that check's answer: typed
      // again just before that answer's second, while the replayed bot
      // waits for it too, it goes out when the queue is free, as the logged
      // one did, and not after the automatic check that the freed queue
      // would send first. Others are typed at their rows' seconds.
      if (!row.automatic && row.requester != kNobody &&
          row.player != kNobody && lastCheckOf_[row.bot] < time &&
          lastCheckOf_[row.bot] + static_cast<std::int64_t>(ahead_) > time) {
        earlyRequests_.emplace(lastCheckOf_[row.bot], sequence);
      }
      lastCheckOf_[row.bot] = time;
    }
    source.pop();
  }
}

bool Replay::Session::answerQuery(CALL_HANDLE handle, const std::string& name,
                                  std::uint64_t second, std::string* line,
                                  std::uint32_t* late) {
  const std::uint32_t bot = loggedBotOf(handle);
  if (bot != kNone &&
      replay_.answer(bot, name, replay_.startTime_ + second, line, late)) {
    return true;
  }
  if (!replay_.logEnded_) {
    ++replay_.unanswered_;
    if (bot != kNone) {
      replay_.summary_.addBlind(1, replay_.bots_[bot].handle,
                                replay_.spelledName(name), second);
    }
  }
  if (bot != kNone && !replay_.bots_[bot].presenceLogged) {
    const std::uint32_t player = replay_.knownName(name);
    if (player != kNobody) unseen_.push_back(keyOf(bot, player));
  }
  return false;
}

void Replay::Session::observeReplayed(std::string_view line,
                                      std::uint64_t second) {
  observedBytes_ += line.size() + 1;
  if (isLagLogHeader(line)) return;
  LagLogRow& row = replayed_;
  if (!parseLagLogRow(line, &row, &error_,
                      replay_.replayedFigures_ ? LagLogFigures::kRead
                                               : LagLogFigures::kSkipped)) {
    std::fprintf(replay_.errors_, "%s: %s: %s\n", kReplayedLogName,
                 error_.c_str(), shownField(line).c_str());
    return;
  }
  const std::uint32_t bot = loggedBotOf(row.bot);
  if (bot == kNone) return;
  row.bot = replay_.bots_[bot].handle;
  const std::uint32_t name =
      row.player.empty() ? kNobody : replayedName(bot, row.player);
  if (name != kNobody && row.player != replay_.names_[name]) {
    row.player = replay_.names_[name];
  }
  // A name no logged row has (no replayed plug-in writes one) has no
  // entry, and is counted by its name.
  const auto player = name == kNobody && !row.player.empty()
                          ? players_.end()
                          : players_.find(keyOf(bot, name));
  if (row.kind == LagRowKind::Check) {
    replay_.addToSummary(
        1, bot, player == players_.end() ? nullptr : &player->second.summaryRow,
        row, second);
    matchAllowance(bot, name, second);
  }
  if (replay_.replayedFigures_) row.time = replay_.startTime_ + second;
  if (replay_.replayedObserver_) replay_.replayedObserver_(row);
  if (row.ship < 0) return;
  if (name == kNobody || player == players_.end()) return;
  if (row.action == LagAction::Spectated) {
    player->second.spectatedInReplay = replay_.startTime_ + second;
  }
  if (row.kind != LagRowKind::Check) {
    player->second.replayedShip = static_cast<std::int8_t>(row.ship);
  }
}

std::uint32_t Replay::Session::replayedName(std::uint32_t bot,
                                           const std::string& spelled) const {
  // The row of a check is nearly always of the oldest answer waiting: its
  // player's name as first read is compared before the names are looked
  // up (the same name, spelled alike, is the same player).
  const std::vector<Answered>& answered = replay_.answered_;
  if (replay_.answeredFirst_ < answered.size()) {
    const std::uint64_t key = answered[replay_.answeredFirst_].player;
    const std::uint32_t index = static_cast<std::uint32_t>(key);
    if (static_cast<std::uint32_t>(key >> 32) == bot &&
        replay_.names_[index] == spelled) {
      return index;
    }
  }
  return replay_.knownName(spelled);
}

void Replay::Session::matchAllowance(std::uint32_t bot, std::uint32_t name,
                                     std::uint64_t second) {
  // The check's row comes in the second its answer arrives; an answer of
  // an earlier second had none (its player left), and since the seconds
  // only grow it never matches again: such answers, and those matched,
  // are dropped now and then, not at every row.
  std::vector<Answered>& answered = replay_.answered_;
  std::size_t& first = replay_.answeredFirst_;
  const std::int64_t now = replay_.startTime_ + second;
  const auto stale = [now](const Answered& a) { return a.time < now; };
  if (first >= kAnswersKeptAtMost ||
      answered.size() - first >= kAnswersKeptAtMost) {
    answered.erase(answered.begin(),
                   answered.begin() + static_cast<long>(first));
    first = 0;
    answered.erase(std::remove_if(answered.begin(), answered.end(), stale),
                   answered.end());
  }
  if (name == kNobody) return;
  const auto found =
      std::find_if(answered.begin() + static_cast<long>(first), answered.end(),
                   [key = keyOf(bot, name), stale](const Answered& a) {
                     return a.player == key && !stale(a);
                   });
  if (found == answered.end()) return;
  if (found->allowanceMs >= 0 &&
      allowanceOf(replayed_) != found->allowanceMs) {
    ++replay_.allowancesNotGiven_;
  }
  if (found == answered.begin() + static_cast<long>(first)) {
    ++first;
  } else {
    answered.erase(found);
  }
}

void Replay::Session::passTo(std::int64_t time) {
  const std::int64_t gap = time - now_;
  const std::uint32_t played =
      !host_.anyPopulatedBot()
          ? 0
          : static_cast<std::uint32_t>(std::min<std::int64_t>(gap, horizon_));
  if (played > 0) {
    ScenarioAction wait = actionOf(ActionKind::Wait);
    wait.seconds = played;
    perform(wait);
  }
  if (gap > played) host_.skip(static_cast<std::uint64_t>(gap - played));
  now_ = time;
  if (progress_) progress_(done_, replay_.allRows_);
}

bool Replay::Session::playPresence(const LoggedRow& row, Listed& player,
                                   const std::string& name) {
  const std::uint32_t bot = row.bot;
  const bool botsDoing = row.ship == kSpectator && player.spectatedByBot;
  switch (row.kind) {
    case LagRowKind::Arrived:
      if (!player.listed) {
        arrive(bot, name, player, row.level, row.ship);
      } else if (row.ship != player.replayedShip) {
        changeShip(name, player, row.ship);
      }
      player.spectatedByBot = false;
      return true;
    case LagRowKind::Left:
      if (player.listed) leave(bot, name);
      player.listed = false;
      player.spectatedByBot = false;
      return true;
    case LagRowKind::Ship:
      if (!player.listed) {
        arrive(bot, name, player, row.level, row.ship);
      } else if (row.ship != player.replayedShip && !botsDoing) {
        changeShip(name, player, row.ship);
      }
      player.spectatedByBot = false;
      return true;
    default:
      return false;
  }
}

void Replay::Session::playRow(LoggedRow& row) {
  ++done_;
  const std::uint32_t bot = row.bot;
  const bool presenceLogged = replay_.bots_[bot].presenceLogged;
  // Rows of one bot come in runs: it is noted once per run.
  if (servedThisSecond_.empty() || servedThisSecond_.back() != bot) {
    servedThisSecond_.push_back(bot);
  }
  const bool justConnected = serve(bot);
  // A row of arena sections puts the bot in its arena first, so that the
  // plug-in judges by that arena's section of the replayed settings.
  std::uint32_t& arena = arenaIn_[simulatedOf_[bot]];
  if (row.arena != kNobody && arena != row.arena) {
    arena = row.arena;
    ScenarioAction move = actionOf(ActionKind::EnterArena);
    move.arena = replay_.arenas_[row.arena];
    perform(move);
    arenaEmptied(bot);
  }
  switch (row.kind) {
    case LagRowKind::Connected:
      if (!justConnected) {
        perform(actionOf(ActionKind::Term));
        perform(actionOf(ActionKind::Init));
      }
      return;
    case LagRowKind::ArenaLeft:
      perform(actionOf(ActionKind::LeaveArena));
      arena = kNone;
      arenaEmptied(bot);
      return;
    default:
      break;
  }
  if (row.player == kNobody) {
    // Sent again as the server sent it; empty texts stay empty.
    std::string lagLine;
    zoneLagLine(replay_.figureTextOf(row), row.figureLengths, &lagLine);
    perform(actionOf(ActionKind::Server, "", lagLine));
    return;
  }
  const std::uint64_t key = keyOf(bot, row.player);
  const std::string& name = replay_.names_[row.player];
  Listed& player = players_[key];
  // What the replayed plug-in logged so far moves the player's replayed
  // ship, which the rows below read and write, all but the check of a
  // listed player where the log says who is where.
  if (row.kind != LagRowKind::Check || !presenceLogged || !player.listed) {
    host_.readLagLogs();
  }
  if (!visiting_.empty() && visiting_.count(key) != 0) {
    // Listed as a requester earlier in this second: now as themself.
    leave(bot, name);
    visiting_.erase(key);
    visitors_.erase(std::find(visitors_.begin(), visitors_.end(), key));
  }
  if (row.kind != LagRowKind::Check && playPresence(row, player, name)) return;
  // A check.
  const bool botsDoing = row.ship == kSpectator && player.spectatedByBot;
  if (!presenceLogged) touched_.push_back(key);
  if (!player.listed) {
    if (presenceLogged) {
      arrive(bot, name, player, row.level, row.ship);
    } else {
      arrive(bot, name, player, player.level, player.ship);
    }
  }
  // Where the log says who is where, its ship rows alone move players.
  // Otherwise a check row's ship counts, unless the replayed bot has just
  // spectated the player: the row is of the check that led to it.
  if (!presenceLogged && row.ship != kUnknown &&
      row.ship != player.replayedShip && !botsDoing &&
      player.spectatedInReplay != row.time) {
    changeShip(name, player, row.ship);
  }
  player.spectatedByBot = row.action == LagAction::Spectated;

  if (row.automatic || row.requester == kNobody) return;
  // A row typed ahead is typed once; one that answered an automatic check
  // already has spent its figures: the replayed bot checked the player
  // before the request came.
  if (row.used || row.typed) return;
  typeRequest(bot, row);
}

bool Replay::Session::play(const std::vector<std::string>& iniLines) {
  replay_.latestAnswer_ = latestAnswer(iniLines);
  loadSettings(iniLines);
  learnPlayers();
  host_.answerLagWith([this](CALL_HANDLE handle, const std::string& name,
                             std::uint64_t second, std::string* line,
                             std::uint32_t* late) {
    return answerQuery(handle, name, second, line, late);
  });
  // Rows the replayed plug-in writes, under the logged bot handles.
  host_.observeLagLog([this](std::string_view line, std::uint64_t second) {
    observeReplayed(line, second);
  });
  horizon_ = idleHorizon(settings_);
  now_ = replay_.startTime_;
  source_.reset(new RowSource(replay_));
  if (!source_->failure().empty()) {
    *failure_ = source_->failure();
    return false;
  }
  replay_.window_.clear();
  replay_.windowStart_ = replay_.windowEnd_ = 0;
  replay_.figures_.clear();
  replay_.unanswered_ = 0;
  replay_.logEnded_ = false;
  replay_.allowancesNotGiven_ = 0;
  replay_.answered_.clear();
  replay_.answeredFirst_ = 0;
  lastRead_ = replay_.startTime_;
  ahead_ = std::min(replay_.latestAnswer_, kFigureWindow - 1);

  while (!refused_) {
    if (playing_ == replay_.windowEnd_) {
      const KeptRow* next = source_->peek();
      if (next == nullptr) break;
      readRowsUpTo(std::max(next->time, lastRead_));
    }
    // Rows that can answer no check from now on go.
    while (replay_.windowStart_ < playing_ &&
           replay_.rowAt(replay_.windowStart_).time + kFigureWindow < now_) {
      ++replay_.windowStart_;
    }
    readRowsUpTo(replay_.rowAt(playing_).time + kFigureWindow);
    LoggedRow& row = replay_.rowAt(playing_++);
    if (!unseen_.empty()) parkUnseen();
    if (row.time > now_) {
      playInferredArrivals(row.time);
      typeEarlyRequests(row.time);
      endSecond();
      passTo(row.time);
    }
    playRow(row);
  }
  return finish();
}

bool Replay::Session::finish() {
  // Checks that the replay runs a little behind the log's still find their
  // rows; a check that finds none after the log's end is not counted blind.
  replay_.logEnded_ = true;
  if (!refused_ && host_.anyPopulatedBot()) {
    ScenarioAction wait = actionOf(ActionKind::Wait);
    wait.seconds = kFigureWindow;
    perform(wait);
  }
  host_.readLagLogs();
  if (progress_) progress_(done_, replay_.allRows_);
  if (!refused_ && host_.lagLogFailed()) {
    *failure_ = "the replayed plug-in could not write its lag log (" +
                host_.lagLogFailure() +
                "): its counts would be cut (a full disk, or too many files "
                "open at once?)";
    return false;
  }
  // The host reads the replayed log as it grows; where it could not open
  // it (too many files open), rows were written but never counted. A
  // plug-in that could not read its settings logs nothing at all.
  std::error_code absent;
  const std::uintmax_t written =
      std::filesystem::file_size(kReplayedLogName, absent);
  if (!refused_ && absent && replay_.allRows_ != 0) {
    *failure_ =
        "the replayed plug-in wrote no lag log: it could not read its "
        "settings or create the log (too many files open at once?)";
    return false;
  }
  if (!refused_ && !absent && written > observedBytes_) {
    *failure_ = "the replay could not read all its plug-in logged (" +
                std::to_string(observedBytes_) + " of " +
                std::to_string(written) +
                " bytes): its counts would be cut (too many files open at "
                "once?)";
    return false;
  }
  return !refused_;
}

bool Replay::run(TalkFunction talk, const std::vector<std::string>& iniLines,
                 const ConfigSettings& settings, Transcript* transcript,
                 const Progress& progress, std::string* failure) {
  Session session(*this, talk, settings, transcript, progress, failure);
  return session.play(iniLines);
}
