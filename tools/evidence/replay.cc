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
#include "sim/config_check.h"
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
// `lengths`, one after the other): "PING Current:420 ms  ...  S2CWeapons:
// 0.0%", written into `line`'s block in one go (a row is read for every
// logged check).
void zoneLagLine(const char* text, const std::uint16_t (&lengths)[kFigureCount],
                 std::string* line) {
  static constexpr std::string_view kBefore[kFigureCount] = {
      "PING Current:", " ms  Average:", " ms  Low:",       " ms  High:",
      " ms  S2C: ",    "%  C2S: ",      "%  S2CWeapons: "};
  static constexpr std::string_view kEnd = "%";
  static_assert(kCurrent == 0 && kAverage == 1 && kLow == 2 && kHigh == 3 &&
                    kS2C == 4 && kC2S == 5 && kS2CWeapons == 6,
                "the figures in the order of the zone's line");
  std::size_t total = kEnd.size();
  for (int i = 0; i < kFigureCount; ++i) {
    total += kBefore[i].size() + lengths[i];
  }
  line->resize(total);
  char* out = line->data();
  for (int i = 0; i < kFigureCount; ++i) {
    std::memcpy(out, kBefore[i].data(), kBefore[i].size());
    out += kBefore[i].size();
    std::memcpy(out, text, lengths[i]);
    out += lengths[i];
    text += lengths[i];
  }
  std::memcpy(out, kEnd.data(), kEnd.size());
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
      if (readRow(line, &stream.parsed, &error_) != LogLine::kRow) continue;
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
  LineSource lines(file, ~std::uint64_t{0});
  LagLogRow row;
  std::string error;
  std::string_view line;
  keptFileStart_.push_back(kept_.size());
  // The figures matter here only to the kept rows, a chart and an observer.
  const LagLogFigures figures =
      keepingRows_ || summary_.charting() || loadedObserver_
          ? LagLogFigures::kRead
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
  for (int i = 0; i < kFigureCount; ++i) {
    kept->figureLengths[i] = static_cast<std::uint16_t>(row.figures[i].size());
    text->insert(text->end(), row.figures[i].begin(), row.figures[i].end());
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

Replay::LoggedRow& Replay::pushRow() {
  if (windowEnd_ - windowStart_ == window_.size()) {
    std::vector<LoggedRow> grown(std::max<std::size_t>(1024, window_.size() * 2));
    for (std::uint64_t i = windowStart_; i < windowEnd_; ++i) {
      std::swap(grown[i & (grown.size() - 1)], rowAt(i));
    }
    window_.swap(grown);
  }
  return rowAt(windowEnd_++);
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
  *line = row.lagLine;
  return true;
}

const std::string& Replay::spelledName(const std::string& name) {
  const std::uint32_t known = knownName(name);
  return known == kNobody ? name : names_[known];
}

bool Replay::run(TalkFunction talk, const std::vector<std::string>& iniLines,
                 const ConfigSettings& settings, Transcript* transcript,
                 const Progress& progress, std::string* failure) {
  SimulatedHost host(talk, transcript);
  host.tickOnlyPopulatedBots();
  host.lagLogsNeverRotate();  // its own log, LagLogMaxBytes=0
  latestAnswer_ = latestAnswer(iniLines);
  // With a transcript, its log lines stand right after their events.
  if (transcript == nullptr) host.readLagLogsBySecond();
  bool refused = false;
  auto perform = [&](const ScenarioAction& action) {
    if (!refused && !host.run(action, failure)) refused = true;
  };

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
  } else {
    // The replay's own log must hold in every arena: its lines go before
    // the first section, and the file's lag log lines, wherever they
    // stand, are left out.
    bool logLinesAdded = false;
    for (const std::string& line : iniLines) {
      if (!logLinesAdded && startsSection(line)) {
        for (const std::string& logLine : logLines) {
          perform(actionOf(ActionKind::Ini, "", logLine));
        }
        logLinesAdded = true;
      }
      if (line.rfind("LagLog=", 0) == 0 ||
          line.rfind("LagLogMaxBytes=", 0) == 0)
        continue;
      perform(actionOf(ActionKind::Ini, "", line));
    }
  }

  // Simulated bots serve logged ones: a logged bot gets one at its first
  // row and gives it back when its arena is empty at the end of a second
  // (then nothing of it is left in the plug-in but its settings; another
  // logged bot that takes it connects it afresh), so that thousands of
  // logged handles need only as many bots as are busy at once.
  // The host's handle of a simulated bot is its index plus one.
  constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  std::vector<std::uint32_t> simulatedOf(bots_.size(), kNone);
  std::vector<std::uint32_t> loggedOf;  // per simulated bot, or kNone
  // Per simulated bot: the arena the replay put it in (arenas_), or kNone.
  std::vector<std::uint32_t> arenaIn;
  std::vector<std::uint32_t> idle;      // simulated bots free to serve
  std::vector<std::uint32_t> population(bots_.size(), 0);
  std::vector<std::uint32_t> servedThisSecond;
  std::uint32_t currentSimulated = 0;
  auto switchTo = [&](std::uint32_t simulated) {
    if (simulated == currentSimulated) return;
    currentSimulated = simulated;
    perform(actionOf(ActionKind::Bot, simulated == 0
                                          ? SimulatedHost::kFirstBotName
                                          : "Bot" + std::to_string(simulated + 1)));
  };
  // Makes the logged bot's simulated bot current. True when it was just
  // connected. A bot given back keeps serving its logged bot until another
  // one takes it.
  std::vector<bool> givenBack;  // per simulated bot
  auto serve = [&](std::uint32_t bot) {
    std::uint32_t simulated = simulatedOf[bot];
    if (simulated != kNone) {
      givenBack[simulated] = false;
      switchTo(simulated);
      return false;
    }
    while (!idle.empty() && !givenBack[idle.back()]) idle.pop_back();
    const bool reused = !idle.empty();
    if (reused) {
      simulated = idle.back();
      idle.pop_back();
      simulatedOf[loggedOf[simulated]] = kNone;
    } else {
      simulated = static_cast<std::uint32_t>(loggedOf.size());
      loggedOf.push_back(kNone);
      arenaIn.push_back(kNone);
      givenBack.push_back(false);
    }
    givenBack[simulated] = false;
    simulatedOf[bot] = simulated;
    loggedOf[simulated] = bot;
    switchTo(simulated);
    if (reused) perform(actionOf(ActionKind::Term));
    perform(actionOf(ActionKind::Init));
    return true;
  };
  auto loggedBotOf = [&](CALL_HANDLE handle) {
    const std::size_t simulated = static_cast<std::size_t>(handle) - 1;
    return simulated < loggedOf.size() ? loggedOf[simulated] : kNone;
  };

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
  std::unordered_map<std::uint64_t, Listed> players;
  // Where the log does not say who is there, a player whose first row is
  // an automatic check was listed at least the grace before it: they are
  // listed then (at the log's start at the earliest) in the spectator
  // ship, where nobody checks them, and take their ship in the second
  // before that row, so that they are due when the logged check came.
  struct Inferred {
    std::uint64_t player;
    bool boards;  // takes their ship; else arrives in the spectator ship
  };
  std::multimap<std::int64_t, Inferred> inferredArrivals;
  for (const auto& entry : known_) {
    Listed& player = players[entry.first];
    player.lastTime = entry.second.lastTime;
    player.level = entry.second.level;
    player.ship = entry.second.ship;
    player.summaryRow = entry.second.summaryRow;
    const std::uint32_t bot = static_cast<std::uint32_t>(entry.first >> 32);
    if (!bots_[bot].presenceLogged && entry.second.firstCheckAutomatic &&
        static_cast<std::uint32_t>(entry.first) != kNobody) {
      const std::int64_t first = entry.second.firstCheckTime;
      inferredArrivals.emplace(
          std::max(startTime_, first - std::max(settings.graceSeconds, 0)),
          Inferred{entry.first, false});
      inferredArrivals.emplace(std::max(startTime_, first - 1),
                               Inferred{entry.first, true});
    }
  }
  // Players of such logs whose check found no logged figures: the log
  // says nothing of them then, so they wait in the spectator ship, where
  // nobody checks them, until their next row.
  std::vector<std::uint64_t> unseen;

  host.answerLagWith([&](CALL_HANDLE handle, const std::string& name,
                         std::uint64_t second, std::string* line,
                         std::uint32_t* late) {
    const std::uint32_t bot = loggedBotOf(handle);
    if (bot != kNone && answer(bot, name, startTime_ + second, line, late)) {
      return true;
    }
    if (!logEnded_) {
      ++unanswered_;
      if (bot != kNone) {
        summary_.addBlind(1, bots_[bot].handle, spelledName(name), second);
      }
    }
    if (bot != kNone && !bots_[bot].presenceLogged) {
      const std::uint32_t player = knownName(name);
      if (player != kNobody) unseen.push_back(keyOf(bot, player));
    }
    return false;
  });
  // Rows the replayed plug-in writes, under the logged bot handles.
  LagLogRow row;
  std::string error;
  std::string player;
  std::uint64_t observedBytes = 0;  // of the replayed log, line ends too
  host.observeLagLog([&](std::string_view line, std::uint64_t second) {
    observedBytes += line.size() + 1;
    if (isLagLogHeader(line)) return;
    if (!parseLagLogRow(line, &row, &error,
                        replayedFigures_ ? LagLogFigures::kRead
                                         : LagLogFigures::kSkipped)) {
      std::fprintf(errors_, "%s: %s: %s\n", kReplayedLogName, error.c_str(),
                   shownField(line).c_str());
      return;
    }
    const std::uint32_t bot = loggedBotOf(row.bot);
    if (bot == kNone) return;
    row.bot = bots_[bot].handle;
    const std::uint32_t name =
        row.player.empty() ? kNobody : knownName(row.player);
    if (name != kNobody && row.player != names_[name]) row.player = names_[name];
    // A name no logged row has (no replayed plug-in writes one) has no
    // entry, and is counted by its name.
    const auto player = name == kNobody && !row.player.empty()
                            ? players.end()
                            : players.find(keyOf(bot, name));
    if (row.kind == LagRowKind::Check) {
      addToSummary(1, bot,
                   player == players.end() ? nullptr : &player->second.summaryRow,
                   row, second);
      // The check that a logged row answered: was it given that row's
      // allowance? Its row comes in the second its answer arrives; an
      // answer of an earlier second had none (its player left).
      const std::int64_t now = startTime_ + second;
      answered_.erase(
          std::remove_if(answered_.begin(), answered_.end(),
                         [now](const Answered& a) { return a.time < now; }),
          answered_.end());
      const auto found =
          name == kNobody
              ? answered_.end()
              : std::find_if(answered_.begin(), answered_.end(),
                             [key = keyOf(bot, name)](const Answered& a) {
                               return a.player == key;
                             });
      if (found != answered_.end()) {
        const std::int32_t logged = found->allowanceMs;
        if (logged >= 0 && allowanceOf(row) != logged) ++allowancesNotGiven_;
        answered_.erase(found);
      }
    }
    if (replayedFigures_) row.time = startTime_ + second;
    if (replayedObserver_) replayedObserver_(row);
    if (row.ship < 0) return;
    if (name == kNobody || player == players.end()) return;
    if (row.action == LagAction::Spectated) {
      player->second.spectatedInReplay = startTime_ + second;
    }
    if (row.kind != LagRowKind::Check) {
      player->second.replayedShip = static_cast<std::int8_t>(row.ship);
    }
  });

  // Arrivals and departures in the current bot's arena.
  auto enter = [&](std::uint32_t bot, const std::string& name, int level,
                   int ship) {
    ScenarioAction action = actionOf(ActionKind::Arrive, name);
    action.level = level < 0 ? 0u : static_cast<std::uint32_t>(level);
    action.ship = static_cast<std::uint8_t>(ship < 0 ? 0 : ship);
    ++population[bot];
    perform(action);
  };
  auto leave = [&](std::uint32_t bot, const std::string& name) {
    --population[bot];
    perform(actionOf(ActionKind::Leave, name));
  };
  auto arrive = [&](std::uint32_t bot, const std::string& name,
                    Listed& player, int level, int ship) {
    player.listed = true;
    player.replayedShip = static_cast<std::int8_t>(ship < 0 ? 0 : ship);
    enter(bot, name, level, ship);
  };
  auto changeShip = [&](const std::string& name, Listed& player, int ship) {
    ScenarioAction action = actionOf(ActionKind::Ship, name);
    action.ship = static_cast<std::uint8_t>(ship);
    player.replayedShip = static_cast<std::int8_t>(ship);
    perform(action);
  };

  std::vector<std::uint64_t> touched;   // players of logs without presence
  std::vector<std::uint64_t> visitors;  // requesters listed for a second
  std::unordered_set<std::uint64_t> visiting;
  const std::uint32_t horizon = idleHorizon(settings);
  std::int64_t now = startTime_;
  std::size_t done = 0;

  // Rows are read into the window as the time comes near them: a check
  // may be answered by a row up to kFigureWindow seconds ahead.
  RowSource source(*this);
  if (!source.failure().empty()) {
    *failure = source.failure();
    return false;
  }
  window_.clear();
  windowStart_ = windowEnd_ = 0;
  figures_.clear();
  unanswered_ = 0;
  logEnded_ = false;
  allowancesNotGiven_ = 0;
  answered_.clear();
  std::int64_t lastRead = startTime_;
  // Manual requests to type ahead of their rows, by the second before
  // whose Tick they are typed; the time of each bot's last check row read.
  std::multimap<std::int64_t, std::uint64_t> earlyRequests;
  std::vector<std::int64_t> lastCheckOf;
  constexpr std::int64_t kNoCheckYet = INT64_MIN / 2;
  const std::uint32_t ahead = std::min(latestAnswer_, kFigureWindow - 1);
  auto readRowsUpTo = [&](std::int64_t until) {
    while (const KeptRow* next = source.peek()) {
      const std::int64_t time = std::max(next->time, lastRead);
      if (time > until) return;
      const std::uint64_t sequence = windowEnd_;
      LoggedRow& row = pushRow();
      row.time = lastRead = time;
      row.bot = next->bot;
      row.player = next->player;
      row.requester = next->requester;
      row.arena = next->arena;
      row.kind = next->kind;
      row.automatic = next->automatic;
      row.level = next->level;
      row.ship = next->ship;
      row.action = next->action;
      row.used = false;
      row.typed = false;
      row.allowanceMs = next->allowanceMs;
      if (row.kind == LagRowKind::Check) {
        zoneLagLine(source.figures(), next->figureLengths, &row.lagLine);
        if (row.player != kNobody) {
          figures_[keyOf(row.bot, row.player)].rows.push_back(sequence);
        }
        if (lastCheckOf.size() <= row.bot) {
          lastCheckOf.resize(row.bot + 1, kNoCheckYet);
        }
        // A request answered late, a few seconds after the bot's check
        // logged before it, may have waited for that check's answer: typed
        // again just before that answer's second, it goes out when the
        // queue is free, as the logged one did, and not after the automatic
        // check that the freed queue would send first. Others are typed at
        // their rows' seconds.
        if (!row.automatic && row.requester != kNobody &&
            row.player != kNobody && lastCheckOf[row.bot] < time &&
            lastCheckOf[row.bot] + static_cast<std::int64_t>(ahead) > time) {
          earlyRequests.emplace(lastCheckOf[row.bot], sequence);
        }
        lastCheckOf[row.bot] = time;
      }
      source.pop();
    }
  };
  std::uint64_t playing = 0;

  // The second is over: visitors leave, and so does who was seen last in
  // it, where the log does not say who is there.
  auto endSecond = [&]() {
    for (std::uint64_t key : touched) {
      Listed& player = players[key];
      const std::uint32_t bot = static_cast<std::uint32_t>(key >> 32);
      if (player.listed && player.lastTime <= now) {
        serve(bot);
        leave(bot, names_[static_cast<std::uint32_t>(key)]);
        player.listed = false;
      }
    }
    for (std::uint64_t key : visitors) {
      const std::uint32_t bot = static_cast<std::uint32_t>(key >> 32);
      serve(bot);
      leave(bot, names_[static_cast<std::uint32_t>(key)]);
    }
    touched.clear();
    visitors.clear();
    visiting.clear();
    for (std::uint32_t bot : servedThisSecond) {
      const std::uint32_t simulated = simulatedOf[bot];
      if (population[bot] != 0 || simulated == kNone || givenBack[simulated])
        continue;
      givenBack[simulated] = true;
      idle.push_back(simulated);
    }
    servedThisSecond.clear();
  };
  auto passTo = [&](std::int64_t time) {
    const std::int64_t gap = time - now;
    const std::uint32_t played =
        !host.anyPopulatedBot()
            ? 0
            : static_cast<std::uint32_t>(std::min<std::int64_t>(gap, horizon));
    if (played > 0) {
      ScenarioAction wait = actionOf(ActionKind::Wait);
      wait.seconds = played;
      perform(wait);
    }
    if (gap > played) host.skip(static_cast<std::uint64_t>(gap - played));
    now = time;
    if (progress) progress(done, allRows_);
  };
  // Types a row's request again: "!lagme" when the requester is the player,
  // else "!lagcheck NAME" by the requester, listed for the second if need
  // be.
  auto typeRequest = [&](std::uint32_t bot, LoggedRow& row) {
    row.typed = true;
    ++figures_[keyOf(bot, row.player)].typedWaiting;
    const std::string& name = names_[row.player];
    if (row.requester == row.player) {
      perform(actionOf(ActionKind::Say, name, "!lagme"));
      return;
    }
    const std::uint64_t requesterKey = keyOf(bot, row.requester);
    const std::string& requester = names_[row.requester];
    const auto known = players.find(requesterKey);
    if ((known == players.end() || !known->second.listed) &&
        visiting.insert(requesterKey).second) {
      enter(bot, requester, kStaffLevel, kHighestShip);
      visitors.push_back(requesterKey);
    }
    perform(actionOf(ActionKind::Say, requester, "!lagcheck " + name));
  };
  auto parkUnseen = [&]() {
    for (std::uint64_t key : unseen) {
      Listed& player = players[key];
      if (!player.listed || player.replayedShip == kSpectator) continue;
      const std::uint32_t bot = static_cast<std::uint32_t>(key >> 32);
      servedThisSecond.push_back(bot);
      serve(bot);
      changeShip(names_[static_cast<std::uint32_t>(key)], player, kSpectator);
    }
    unseen.clear();
  };
  // Ahead of its row, where the player is listed now in the arena of the
  // row (else the row types it at its own second).
  auto typeEarly = [&](LoggedRow& row) {
    const std::uint32_t simulated = simulatedOf[row.bot];
    if (row.used || row.typed || simulated == kNone) return;
    if (row.arena != kNobody && arenaIn[simulated] != row.arena) return;
    const auto player = players.find(keyOf(row.bot, row.player));
    if (player == players.end() || !player->second.listed) return;
    servedThisSecond.push_back(row.bot);
    serve(row.bot);
    typeRequest(row.bot, row);
  };

  while (!refused) {
    if (playing == windowEnd_) {
      const KeptRow* next = source.peek();
      if (next == nullptr) break;
      readRowsUpTo(std::max(next->time, lastRead));
    }
    // Rows that can answer no check from now on go.
    while (windowStart_ < playing &&
           rowAt(windowStart_).time + kFigureWindow < now) {
      ++windowStart_;
    }
    readRowsUpTo(rowAt(playing).time + kFigureWindow);
    LoggedRow& row = rowAt(playing++);
    parkUnseen();
    if (row.time > now) {
      while (!inferredArrivals.empty() &&
             inferredArrivals.begin()->first < row.time) {
        const std::int64_t time = inferredArrivals.begin()->first;
        const Inferred inferred = inferredArrivals.begin()->second;
        inferredArrivals.erase(inferredArrivals.begin());
        if (time > now) {
          endSecond();
          passTo(time);
        }
        Listed& player = players[inferred.player];
        const std::uint32_t bot =
            static_cast<std::uint32_t>(inferred.player >> 32);
        const std::string& name =
            names_[static_cast<std::uint32_t>(inferred.player)];
        if (inferred.boards ? !player.listed ||
                                  player.replayedShip != kSpectator ||
                                  player.ship == kSpectator
                            : player.listed) {
          continue;
        }
        servedThisSecond.push_back(bot);
        serve(bot);
        if (inferred.boards) {
          changeShip(name, player, std::max<int>(player.ship, 0));
        } else {
          arrive(bot, name, player, player.level, kSpectator);
        }
        parkUnseen();
      }
      while (!earlyRequests.empty() &&
             earlyRequests.begin()->first <= row.time) {
        const auto early = earlyRequests.begin();
        const std::int64_t before = early->first - 1;
        const std::uint64_t sequence = early->second;
        earlyRequests.erase(early);
        if (before > now) {
          endSecond();
          passTo(before);
        }
        if (sequence >= windowStart_) typeEarly(rowAt(sequence));
      }
      endSecond();
      passTo(row.time);
    }
    ++done;
    const std::uint32_t bot = row.bot;
    const bool presenceLogged = bots_[bot].presenceLogged;
    servedThisSecond.push_back(bot);
    const bool justConnected = serve(bot);
    // Nobody of the bot's arena is listed any more.
    const auto arenaEmptied = [&]() {
      population[bot] = 0;
      for (auto& entry : players) {
        if (static_cast<std::uint32_t>(entry.first >> 32) == bot) {
          entry.second.listed = false;
        }
      }
      for (std::size_t i = 0; i < visitors.size();) {
        if (static_cast<std::uint32_t>(visitors[i] >> 32) == bot) {
          visiting.erase(visitors[i]);
          visitors.erase(visitors.begin() + static_cast<long>(i));
        } else {
          ++i;
        }
      }
    };
    // A row of arena sections puts the bot in its arena first, so that the
    // plug-in judges by that arena's section of the replayed settings.
    std::uint32_t& arena = arenaIn[simulatedOf[bot]];
    if (row.arena != kNobody && arena != row.arena) {
      arena = row.arena;
      ScenarioAction move = actionOf(ActionKind::EnterArena);
      move.arena = arenas_[row.arena];
      perform(move);
      arenaEmptied();
    }
    switch (row.kind) {
      case LagRowKind::Connected:
        if (!justConnected) {
          perform(actionOf(ActionKind::Term));
          perform(actionOf(ActionKind::Init));
        }
        continue;
      case LagRowKind::ArenaLeft:
        perform(actionOf(ActionKind::LeaveArena));
        arena = kNone;
        arenaEmptied();
        continue;
      default:
        break;
    }
    if (row.player == kNobody) {
      // Sent again as the server sent it; empty texts stay empty.
      perform(actionOf(ActionKind::Server, "", row.lagLine));
      continue;
    }
    const std::uint64_t key = keyOf(bot, row.player);
    const std::string& name = names_[row.player];
    Listed& player = players[key];
    // What the replayed plug-in logged so far moves the player's replayed
    // ship, which the rows below read and write, all but the check of a
    // listed player where the log says who is where.
    if (row.kind != LagRowKind::Check || !presenceLogged || !player.listed) {
      host.readLagLogs();
    }
    if (visiting.count(key) != 0) {
      // Listed as a requester earlier in this second: now as themself.
      leave(bot, name);
      visiting.erase(key);
      visitors.erase(std::find(visitors.begin(), visitors.end(), key));
    }
    const bool botsDoing = row.ship == kSpectator && player.spectatedByBot;
    switch (row.kind) {
      case LagRowKind::Arrived:
        if (!player.listed) {
          arrive(bot, name, player, row.level, row.ship);
        } else if (row.ship != player.replayedShip) {
          changeShip(name, player, row.ship);
        }
        player.spectatedByBot = false;
        continue;
      case LagRowKind::Left:
        if (player.listed) leave(bot, name);
        player.listed = false;
        player.spectatedByBot = false;
        continue;
      case LagRowKind::Ship:
        if (!player.listed) {
          arrive(bot, name, player, row.level, row.ship);
        } else if (row.ship != player.replayedShip && !botsDoing) {
          changeShip(name, player, row.ship);
        }
        player.spectatedByBot = false;
        continue;
      default:
        break;
    }
    // A check.
    if (!presenceLogged) touched.push_back(key);
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

    if (row.automatic || row.requester == kNobody) continue;
    // A row typed ahead is typed once; one that answered an automatic
    // check already has spent its figures: the replayed bot checked the
    // player before the request came.
    if (row.used || row.typed) continue;
    typeRequest(bot, row);
  }
  // Checks that the replay runs a little behind the log's still find their
  // rows; a check that finds none after the log's end is not counted blind.
  logEnded_ = true;
  if (!refused && host.anyPopulatedBot()) {
    ScenarioAction wait = actionOf(ActionKind::Wait);
    wait.seconds = kFigureWindow;
    perform(wait);
  }
  host.readLagLogs();
  if (progress) progress(done, allRows_);
  if (!refused && host.lagLogFailed()) {
    *failure = "the replayed plug-in could not write its lag log (" +
               host.lagLogFailure() +
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
  if (!refused && absent && allRows_ != 0) {
    *failure =
        "the replayed plug-in wrote no lag log: it could not read its "
        "settings or create the log (too many files open at once?)";
    return false;
  }
  if (!refused && !absent && written > observedBytes) {
    *failure = "the replay could not read all its plug-in logged (" +
               std::to_string(observedBytes) + " of " +
               std::to_string(written) +
               " bytes): its counts would be cut (too many files open at "
               "once?)";
    return false;
  }
  return !refused;
}
