#include "spawn/lag_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

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

constexpr const char kHeader[] =
    "time\tbot\tplayer\tlevel\tship\trequester\tcurrent\taverage\tlow\thigh\t"
    "s2c\tc2s\ts2cweapons\tlimits\tstrikes\taction\n";
// The header's last column while the settings have arena sections.
constexpr const char kArenaColumn[] = "\tarena";

// A row under composition in a fixed buffer: what does not fit is dropped,
// which the sizes of the fields rule out.
class RowBuffer {
 public:
  void put(char c) {
    if (size_ < sizeof bytes_) bytes_[size_++] = c;
  }
  void put(const char* text) { putBytes(text, std::strlen(text)); }
  void putBytes(const char* text, std::size_t count) {
    if (count > sizeof bytes_ - size_) count = sizeof bytes_ - size_;
    std::memcpy(bytes_ + size_, text, count);
    size_ += count;
  }
  void put(std::int32_t number) {
    if (number < 0) put('-');
    putDigits(number < 0 ? 0u - static_cast<std::uint32_t>(number)
                         : static_cast<std::uint32_t>(number));
  }
  void putDigits(std::uint64_t number) {
    char digits[20];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number != 0);
    while (count > 0) put(digits[--count]);
  }
  // `count` bytes of `text` (fewer at a NUL), escaped; a name's leading '*'
  // too.
  void putEscaped(const char* text, std::size_t count, bool name) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    std::size_t plain = 0;  // the start of the bytes not yet put
    std::size_t i = 0;
    for (; i < count && text[i] != '\0'; ++i) {
      const unsigned char byte = static_cast<unsigned char>(text[i]);
      if (byte >= 0x20 && byte != 0x7F && byte != '\\' &&
          !(name && i == 0 && byte == '*')) {
        continue;  // put with the rest of its run
      }
      putBytes(text + plain, i - plain);
      plain = i + 1;
      if (byte == '\\') {
        put("\\\\");
      } else if (byte == '\t') {
        put("\\t");
      } else if (byte == '\r') {
        put("\\r");
      } else if (byte == '\n') {
        put("\\n");
      } else if (byte < 0x20 || byte == 0x7F ||
                 (name && i == 0 && byte == '*')) {
        put('\\');
        put('x');
        put(kHexDigits[byte >> 4]);
        put(kHexDigits[byte & 0xF]);
      }
    }
    putBytes(text + plain, i - plain);
  }
  void putName(const char* text) { putEscaped(text, kPlayerNameSize, true); }
  void putName(const Player* player) {
    putEscaped(player->name, player->nameLength(), true);
  }
  // The whole handle, a 64-bit host's too.
  void putHandle(CALL_HANDLE handle) {
    putDigits(static_cast<std::uint64_t>(handle));
  }
  const char* bytes() const { return bytes_; }
  std::size_t size() const { return size_; }

 private:
  char bytes_[LagLog::kMostRowBytes - sizeof kHeader - sizeof kArenaColumn];
  std::size_t size_ = 0;
};

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

// While the settings have arena sections, a row ends with the arena whose
// settings are in force (empty before the bot entered one); without
// sections it is the row of before.
void putArena(const botInfo& bot, RowBuffer& row) {
  if (!bot.arenaSectionsInFile) return;
  row.put('\t');
  row.putEscaped(bot.arenaName.chars(), LagLog::kArenaBytes, false);
}

}  // namespace

const char* LagLog::timeStamp() {
  const std::time_t now = std::time(nullptr);
  if (now != stampSecond_) {
    stampSecond_ = now;
    stamp_[0] = '\0';
    const std::tm* utc = std::gmtime(&now);
    if (utc != nullptr)
      std::strftime(stamp_, sizeof stamp_, "%Y-%m-%dT%H:%M:%SZ", utc);
  }
  return stamp_;
}

void LagLog::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void LagLog::append(botInfo& bot, const LagLogEntry& entry) {
  if (bot.lagLogPath.size() == 0) return;
  RowBuffer row;
  row.put(timeStamp());
  row.put('\t');
  row.putHandle(bot.handle);
  row.put('\t');
  // The row is evidence about the player judged: their name as listed,
  // not as the requester typed it ("farah" for Farah), so that one player
  // is one name in the log. A row that judged nobody keeps the typed name.
  if (entry.player != nullptr) {
    row.putName(entry.player);
  } else {
    row.putName(entry.playerName);
  }
  row.put('\t');
  if (entry.player != nullptr)
    row.put(static_cast<std::int32_t>(entry.player->accessLevel));
  row.put('\t');
  if (entry.player != nullptr)
    row.put(static_cast<std::int32_t>(entry.player->ship));
  row.put('\t');
  if (entry.automatic) {
    row.put(kAutomaticRequester);
  } else {
    row.putName(entry.requesterName);
  }
  for (String botInfo::*text : kFigureTexts) {
    row.put('\t');
    row.putEscaped((bot.*text).chars(), kFigureBytes, false);
  }
  row.put('\t');
  bool first = true;
  for (int bit = 0; bit < 8; ++bit) {
    if ((entry.limits & 1u << bit) == 0) continue;
    if (!first) row.put(',');
    row.put(limitName(bit));
    first = false;
  }
  if (first) row.put('-');
  row.put('\t');
  if (entry.player == nullptr) {
    row.put('-');
  } else {
    row.put(entry.strikes);
    row.put('/');
    row.put(entry.strikesNeeded);
  }
  row.put('\t');
  row.put(dealActionName(entry.action));
  if (entry.verdicts & kVerdictAllowance) {
    row.put("+allowance=");
    row.put(entry.allowanceMs);
  }
  if (entry.verdicts & kVerdictNoQuorum) row.put("+no-quorum");
  if (entry.verdicts & kVerdictSteady) row.put("+steady");
  if (entry.verdicts & kVerdictGlitch) row.put("+glitch");
  putArena(bot, row);
  row.put('\n');
  write(bot, row.bytes(), row.size());
}

void LagLog::appendPresence(botInfo& bot, Presence event,
                            const Player* player) {
  if (event == Presence::Connected) {
    connectionUnlogged_ = bot.lagLogPath.size() == 0;
  }
  if (bot.lagLogPath.size() == 0) return;
  static const char* const kEventNames[] = {"arrived", "left", "ship",
                                            "connected", "arena-left"};
  RowBuffer row;
  row.put(timeStamp());
  row.put('\t');
  row.putHandle(bot.handle);
  row.put('\t');
  if (player != nullptr) {
    row.putName(player);
    row.put('\t');
    row.put(static_cast<std::int32_t>(player->accessLevel));
    row.put('\t');
    row.put(static_cast<std::int32_t>(player->ship));
  } else {
    row.put("\t\t");
  }
  // The requester, the seven figures, the limits and the strikes.
  row.put("\t\t\t\t\t\t\t\t\t-\t-\t");
  row.put(kEventNames[static_cast<int>(event)]);
  putArena(bot, row);
  row.put('\n');
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
  if (bot.lagLogPath.size() == 0) return;
  RowBuffer row;
  row.put(timeStamp());
  row.put('\t');
  row.putHandle(bot.handle);
  // No player, level or ship; the requester, the seven figures, the limits
  // and the strikes.
  row.put("\t\t\t\t\t\t\t\t\t\t\t\t-\t-\tplayers=");
  row.put(players);
  putArena(bot, row);
  row.put('\n');
  write(bot, row.bytes(), row.size());
}

bool LagLog::open(botInfo& bot) {
  file_ = openLog(bot.lagLogPath.chars());
  openPath_ = bot.lagLogPath;
  openedSecond_ = stampSecond_;
  rotationsSeen_ = rotationsDone;
  end_ = -1;
  return file_ != nullptr;
}

void LagLog::write(botInfo& bot, const char* row, std::size_t size) {
  if (file_ != nullptr &&
      (openedSecond_ != stampSecond_ || rotationsSeen_ != rotationsDone ||
       std::strcmp(openPath_.chars(), bot.lagLogPath.chars()) != 0)) {
    close();
  }
  bool diskFull = false;
  bool written = put(bot, row, size, &diskFull);
  // On a full disk a capped log keeps its newest rows: the oldest rotated
  // file makes room for them.
  String dropped;
  while (!written && diskFull && bot.lagLogMaxBytes > 0 &&
         dropOldestRotated(bot.lagLogPath, &dropped)) {
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
  bot.scratchText += bot.lagLogPath;
  bot.sendEcho(bot.scratchText.chars());
}

bool LagLog::put(botInfo& bot, const char* row, std::size_t size,
                 bool* diskFull) {
  *diskFull = false;
  if (file_ == nullptr && !open(bot)) return false;
  const long cap = bot.lagLogMaxBytes;
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
    const char* c = kHeader;
    for (; *c != '\n'; ++c) out[length++] = *c;
    if (bot.arenaSectionsInFile) {
      for (const char* a = kArenaColumn; *a != '\0'; ++a) out[length++] = *a;
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
  if (rotate(bot.lagLogPath)) {
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
  bot.scratchText += bot.lagLogPath;
  bot.scratchText += ": it grows past LagLogMaxBytes";
  bot.sendEcho(bot.scratchText.chars());
}
