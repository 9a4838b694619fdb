#include "spawn/lag_log.h"

#include <cstdio>
#include <ctime>

#include "spawn/spawn.h"
#include "util/player.h"

namespace {

constexpr const char* kHeader =
    "time\tbot\tplayer\tlevel\tship\trequester\tcurrent\taverage\tlow\thigh\t"
    "s2c\tc2s\ts2cweapons\tlimits\tstrikes\taction\n";

// Appends `text` with its tabs, CRs and LFs as blanks.
void appendField(String& line, const char* text) {
  std::uint32_t run = 0;
  for (;; ++run) {
    const char c = text[run];
    if (c != '\0' && c != '\t' && c != '\r' && c != '\n') continue;
    line.append(text, run);
    if (c == '\0') return;
    line += " ";
    text += run + 1;
    run = static_cast<std::uint32_t>(-1);
  }
}

void appendUtcNow(String& line) {
  const std::time_t now = std::time(nullptr);
  const std::tm* utc = std::gmtime(&now);
  char stamp[32] = "";
  if (utc != nullptr)
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", utc);
  line += stamp;
}

// Writes `line` at the end of the file, after the header when the file is
// empty. False when the file cannot be opened or written.
bool appendToFile(const char* path, const String& line) {
  std::FILE* file = std::fopen(path, "ab");
  if (file == nullptr) return false;
  bool written = std::fseek(file, 0, SEEK_END) == 0;
  if (written && std::ftell(file) == 0) {
    written = std::fputs(kHeader, file) >= 0;
  }
  if (written) {
    written = std::fwrite(line.chars(), 1, line.size(), file) == line.size();
  }
  return std::fclose(file) == 0 && written;
}

}  // namespace

void LagLog::append(botInfo& bot, const LagLogEntry& entry) {
  if (bot.lagLogPath.size() == 0) return;
  String line;
  appendUtcNow(line);
  line += "\t";
  char handle[16];
  std::snprintf(
      handle, sizeof handle, "%lu",
      static_cast<unsigned long>(static_cast<std::uint32_t>(bot.handle)));
  line += handle;
  line += "\t";
  appendField(line, entry.playerName);
  line += "\t";
  if (entry.player != nullptr)
    line += static_cast<std::int32_t>(entry.player->accessLevel);
  line += "\t";
  if (entry.player != nullptr)
    line += static_cast<std::int32_t>(entry.player->ship);
  line += "\t";
  appendField(line, entry.requesterName);
  for (String botInfo::*text : kFigureTexts) {
    const String* figure = &(bot.*text);
    line += "\t";
    appendField(line, figure->chars());
  }
  line += "\t";
  appendLimitNames(line, entry.limits);
  line += "\t";
  if (entry.player == nullptr) {
    line += "-";
  } else {
    line += entry.strikes;
    line += "/";
    line += entry.strikesNeeded;
  }
  line += "\t";
  line += dealActionName(entry.action);
  line += "\n";
  if (appendToFile(bot.lagLogPath.chars(), line) || failureReported_) return;
  failureReported_ = true;
  bot.scratchText = "Lag log: cannot write to ";
  bot.scratchText += bot.lagLogPath;
  bot.sendEcho(bot.scratchText.chars());
}
