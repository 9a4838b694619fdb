#include "spawn/lag_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string_view>

#include "spawn/spawn.h"
#include "util/player.h"

namespace {

// Windows lets nobody move or remove a file that is open (the C library
// opens without delete sharing), so there each row closes the log again,
// as an operator's own rotation expects; elsewhere it stays open for the
// rest of the second.
#ifdef _WIN32
constexpr bool kHoldLogOpen = false;
#else
constexpr bool kHoldLogOpen = true;
#endif

namespace schema = lag_log_schema;

// The plug-in's kinds are the schema's names, index for index.
static_assert(static_cast<int>(DealAction::Spectated) + 1 ==
              schema::kActionCount);
static_assert(static_cast<int>(Presence::ArenaLeft) + 1 ==
              schema::kPresenceCount);
static_assert(static_cast<int>(Presence::Ship) + 1 == schema::kPlayerPresences);
static_assert(kVerdictAllowance == 1 << schema::kAllowanceVerdict &&
              kVerdictGlitch == 1 << (schema::kVerdictCount - 1));
static_assert(kS2cWeaponsLossNegative == 1 << (schema::kLimitCount - 1));
static_assert(kPlayerNameSize == schema::kNameBytes);

// `text` up to its first NUL byte, of at most `most` bytes.
std::string_view cString(const char* text, std::size_t most) {
  std::size_t length = 0;
  while (length < most && text[length] != '\0') ++length;
  return std::string_view(text, length);
}

schema::RowPlayer rowPlayer(const Player* player) {
  schema::RowPlayer row;
  row.name = std::string_view(player->name, player->nameLength());
  row.level = static_cast<std::int32_t>(player->accessLevel);
  row.ship = static_cast<std::int32_t>(player->ship);
  return row;
}

// Rotations done by any bot of this library. A bot that holds its file
// open from before one opens it afresh by its name: the file it holds may
// have become FILE.1.
std::uint32_t rotationsDone = 0;

// FILE.n of the log at `path`.
String rotatedName(const String& path, int n) {
  String name = path;
  name += ".";
  name += static_cast<std::int32_t>(n);
  return name;
}

// Moves FILE to FILE.1, FILE.1 to FILE.2 and so on, dropping the oldest.
// False when FILE could not be moved (no right to rename it; on Windows,
// another program holding it open).
bool rotate(const String& path) {
  for (int n = LagLog::kKeptFiles; n >= 1; --n) {
    const String older = rotatedName(path, n);
    const String newer = n > 1 ? rotatedName(path, n - 1) : path;
    // Renaming onto an existing file fails on some systems.
    std::remove(older.chars());
    const bool moved = std::rename(newer.chars(), older.chars()) == 0;
    if (n == 1) return moved;
  }
  return false;
}

// Removes the oldest rotated file of the log at `path`, whose room new rows
// need more than old ones; false when there is none.
bool dropOldestRotated(const String& path, String* dropped) {
  for (int n = LagLog::kKeptFiles; n >= 1; --n) {
    *dropped = rotatedName(path, n);
    if (std::remove(dropped->chars()) == 0) return true;
  }
  return false;
}

// Opens the log for appending and reading its end, unbuffered so that a row
// goes out in one write.
std::FILE* openLog(const char* path) {
  std::FILE* file = std::fopen(path, "a+b");
  if (file != nullptr) std::setvbuf(file, nullptr, _IONBF, 0);
  return file;
}

// The size of the file at `file` and whether its last byte is a line end.
bool inspect(std::FILE* file, long* size, bool* endsLine) {
  if (std::fseek(file, 0, SEEK_END) != 0) return false;
  *size = std::ftell(file);
  if (*size < 0) return false;
  *endsLine = true;
  if (*size > 0) {
    if (std::fseek(file, -1, SEEK_END) != 0) return false;
    *endsLine = std::fgetc(file) == '\n';
    // Writing after reading needs a seek between.
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
  }
  return true;
}

// A row of the bot's: while the settings have arena sections it ends with
// the arena whose settings are in force (empty before the bot entered one);
// without sections it is the row of before.
schema::RowText rowText(const botInfo& bot) {
  return schema::RowText(bot.arena.sectionsInFile,
                         cString(bot.arena.name.chars(), schema::kArenaBytes));
}

}  // namespace

const char* LagLog::timeStamp() {
  const std::time_t now = std::time(nullptr);
  if (now != stampSecond_) {
    stampSecond_ = now;
    stamp_[0] = '\0';
    const std::tm* utc = std::gmtime(&now);
    if (utc != nullptr)
      std::strftime(stamp_, sizeof stamp_, schema::kTimeFormat, utc);
  }
  return stamp_;
}

void LagLog::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void LagLog::append(botInfo& bot, const LagLogEntry& entry) {
  if (bot.logSettings.lagLogPath.size() == 0) return;
  schema::CheckFields fields;
  fields.time = timeStamp();
  fields.bot = static_cast<std::uint64_t>(bot.handle);
  // The row is evidence about the player judged: their name as listed,
  // not as the requester typed it ("farah" for Farah), so that one player
  // is one name in the log. A row that judged nobody keeps the typed name.
  fields.listed = entry.player != nullptr;
  if (fields.listed) {
    fields.player = rowPlayer(entry.player);
  } else {
    fields.player.name = cString(entry.playerName, kPlayerNameSize);
  }
  fields.automatic = entry.automatic;
  fields.requester = cString(entry.requesterName, kPlayerNameSize);
  for (std::size_t i = 0; i < std::size(kFigureTexts); ++i) {
    fields.figures[i] = cString((bot.*kFigureTexts[i]).chars(), kFigureBytes);
  }
  fields.limits = entry.limits;
  fields.strikes = entry.strikes;
  fields.strikesNeeded = entry.strikesNeeded;
  fields.action = static_cast<int>(entry.action);
  fields.verdicts = entry.verdicts;
  fields.allowanceMs = entry.allowanceMs;
  schema::RowText row = rowText(bot);
  row.check(fields);
  write(bot, row.bytes(), row.size());
}

void LagLog::appendPresence(botInfo& bot, Presence event,
                            const Player* player) {
  if (event == Presence::Connected) {
    connectionUnlogged_ = bot.logSettings.lagLogPath.size() == 0;
  }
  if (bot.logSettings.lagLogPath.size() == 0) return;
  schema::RowText row = rowText(bot);
  row.presence(timeStamp(), static_cast<std::uint64_t>(bot.handle),
               static_cast<int>(event),
               player != nullptr ? rowPlayer(player) : schema::RowPlayer());
  write(bot, row.bytes(), row.size());
  if (event != Presence::Connected || bot.playerList == nullptr) return;
  for (const _listnode<Player>* node = bot.playerList->head; node != nullptr;
       node = node->next) {
    appendPresence(bot, Presence::Arrived, node->item);
  }
}

void LagLog::appendSection(botInfo& bot, std::int32_t players) {
  if (bot.population.loggedSection == players) return;
  bot.population.loggedSection = players;
  if (bot.logSettings.lagLogPath.size() == 0) return;
  schema::RowText row = rowText(bot);
  row.population(timeStamp(), static_cast<std::uint64_t>(bot.handle), players);
  write(bot, row.bytes(), row.size());
}

bool LagLog::open(botInfo& bot) {
  file_ = openLog(bot.logSettings.lagLogPath.chars());
  openPath_ = bot.logSettings.lagLogPath;
  openedSecond_ = stampSecond_;
  rotationsSeen_ = rotationsDone;
  end_ = -1;
  return file_ != nullptr;
}

void LagLog::write(botInfo& bot, const char* row, std::size_t size) {
  if (file_ != nullptr &&
      (openedSecond_ != stampSecond_ || rotationsSeen_ != rotationsDone ||
       std::strcmp(openPath_.chars(), bot.logSettings.lagLogPath.chars()) != 0)) {
    close();
  }
  bool diskFull = false;
  bool written = put(bot, row, size, &diskFull);
  // On a full disk a capped log keeps its newest rows: the oldest rotated
  // file makes room for them.
  String dropped;
  while (!written && diskFull && bot.logSettings.lagLogMaxBytes > 0 &&
         dropOldestRotated(bot.logSettings.lagLogPath, &dropped)) {
    bot.scratchText = "Lag log: the disk is full: removed ";
    bot.scratchText += dropped;
    bot.scratchText += " to keep the newest rows";
    bot.sendEcho(bot.scratchText.chars());
    written = put(bot, row, size, &diskFull);
  }
  if (written) {
    failureReported_ = false;
    return;
  }
  if (failureReported_) return;
  failureReported_ = true;
  bot.scratchText = "Lag log: cannot write to ";
  bot.scratchText += bot.logSettings.lagLogPath;
  bot.sendEcho(bot.scratchText.chars());
}

bool LagLog::put(botInfo& bot, const char* row, std::size_t size,
                 bool* diskFull) {
  *diskFull = false;
  if (file_ == nullptr && !open(bot)) return false;
  const long cap = bot.logSettings.lagLogMaxBytes;
  long fileSize = 0;
  bool endsLine = true;
  // After this bot's last row the file ended with its line end; under a
  // cap the size is looked at afresh, other bots' rows included.
  if (end_ >= 0 && cap <= 0) {
    fileSize = end_;
  } else if (end_ < 0 || std::fseek(file_, 0, SEEK_END) != 0 ||
             std::ftell(file_) != end_) {
    if (!inspect(file_, &fileSize, &endsLine)) {
      close();
      return false;
    }
  } else {
    fileSize = end_;
  }
  if (cap > 0 && fileSize > 0 && fileSize + static_cast<long>(size) > cap) {
    // Another bot may have rotated the file since this one opened it: the
    // file by its name decides, so that a file rotates once per cap.
    close();
    if (!open(bot) || !inspect(file_, &fileSize, &endsLine)) {
      close();
      return false;
    }
    if (fileSize > 0 && fileSize + static_cast<long>(size) > cap &&
        rotationFailedSecond_ != stampSecond_) {
      close();
      rotateOrSay(bot);
      if (!open(bot) || !inspect(file_, &fileSize, &endsLine)) {
        close();
        return false;
      }
    }
  }
  char out[kMostRowBytes];
  std::size_t length = 0;
  if (!endsLine) out[length++] = '\n';
  if (fileSize == 0) {
    // The header names an arena column when the first row has one.
    std::memcpy(out + length, schema::kHeader.data(), schema::kHeader.size());
    length += schema::kHeader.size();
    if (bot.arena.sectionsInFile) {
      std::memcpy(out + length, schema::kArenaHeader.data(),
                  schema::kArenaHeader.size());
      length += schema::kArenaHeader.size();
    }
    out[length++] = '\n';
  }
  std::memcpy(out + length, row, size);
  length += size;
  errno = 0;
  const bool written = std::fwrite(out, 1, length, file_) == length;
  *diskFull = !written && errno == ENOSPC;
  // Appending writes at the file's end, wherever others left it: the
  // position after the row is the file's size, rows of other bots
  // included. Only the cap needs that size; without one, any size past
  // the header will do, and the system call is saved.
  if (!written) {
    end_ = -1;
  } else if (cap > 0) {
    end_ = std::ftell(file_);
  } else {
    end_ = fileSize + static_cast<long>(length);
  }
  if (!written || !kHoldLogOpen) close();
  return written;
}

void LagLog::rotateOrSay(botInfo& bot) {
  if (rotate(bot.logSettings.lagLogPath)) {
    ++rotationsDone;
    rotationFailureReported_ = false;
    return;
  }
  // The file goes on growing past its cap, its one header kept; it is
  // tried again in a later second, and said again after a rotation worked.
  rotationFailedSecond_ = stampSecond_;
  if (rotationFailureReported_) return;
  rotationFailureReported_ = true;
  bot.scratchText = "Lag log: cannot rotate ";
  bot.scratchText += bot.logSettings.lagLogPath;
  bot.scratchText += ": it grows past LagLogMaxBytes";
  bot.sendEcho(bot.scratchText.chars());
}
