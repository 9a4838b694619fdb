// Fuzzes loadConfig with arbitrary file contents. Each input is written as
// "tarvok.ini" into a private temporary folder that is the current
// directory while the bot reads it; the settings that result are compared
// with a model of the reading rules: lines of at most 255 bytes ended by LF
// or CR LF, keys matched exactly at the start of the line up to its first
// zero byte, numbers read as a saturating atoi, negative limits repaired,
// and arena sections: before ArenaEnter the bot reads the lines before the
// first "[arena NAME]" line; after it, from the defaults, those and the
// lines of its arena's sections. The bot enters the arena of the file's
// first section, in upper case, and then another one.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host/event_makers.h"
#include "input_folder.h"
#include "spawn/spawn.h"

namespace {

struct Settings {
  std::string warnMessage;
  std::string lockMessage;
  std::int32_t currentPingLimit = 300;
  std::int32_t averagePingLimit = 300;
  std::int32_t s2cLossLimit = 2;
  std::int32_t c2sLossLimit = 2;
  std::int32_t s2cWeaponsLossLimit = 2;
  std::int32_t displayMode = 1;
  std::int32_t dealMode = 1;
  std::int32_t maxCheckRate = 600;
};

constexpr std::size_t kLineLimit = 255;

std::vector<std::string> modelLines(const std::string& file) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (;;) {
    std::string line;
    bool tookAnyByte = false;
    while (line.size() < kLineLimit && at < file.size()) {
      const char c = file[at++];
      tookAnyByte = true;
      if (c == '\n') break;
      if (c == '\r' && at < file.size() && file[at] == '\n') {
        ++at;
        break;
      }
      line += c;
    }
    if (!tookAnyByte) return lines;
    lines.push_back(line);
  }
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

std::int32_t modelAtoi(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size() && isSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    negative = text[at] == '-';
    ++at;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kBeyond = std::int64_t{1} << 32;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + (text[at] - '0');
    if (value > kBeyond) value = kBeyond;
    ++at;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

bool startsWith(const std::string& text, const char* key, std::string* rest) {
  const std::string prefix(key);
  if (text.compare(0, prefix.size(), prefix) != 0) return false;
  *rest = text.substr(prefix.size());
  return true;
}

std::string lowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string upperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string withoutBlanksAround(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The NAME of a line "[arena NAME]", or false.
bool modelSection(const std::string& line, std::string* name) {
  const std::string shown = withoutBlanksAround(line);
  if (line.empty() || line[0] != '[' || shown.size() < 2 ||
      shown.back() != ']') {
    return false;
  }
  const std::string inside =
      withoutBlanksAround(shown.substr(1, shown.size() - 2));
  if (inside.size() < 7 || lowerCase(inside.substr(0, 5)) != "arena" ||
      (inside[5] != ' ' && inside[5] != '\t')) {
    return false;
  }
  *name = withoutBlanksAround(inside.substr(6));
  return true;
}

// The reader's buffer is C text: a zero byte ends the line early.
std::string asRead(const std::string& rawLine) {
  return rawLine.substr(0, rawLine.find('\0'));
}

void modelApply(Settings& settings, const std::string& line) {
  std::string value;
  if (startsWith(line, "WarnMessage=", &value)) {
    settings.warnMessage = "*warn " + value;
  } else if (startsWith(line, "LockMessage=", &value)) {
    settings.lockMessage = "*warn " + value;
  } else if (startsWith(line, "current=", &value)) {
    settings.currentPingLimit = modelAtoi(value);
  } else if (startsWith(line, "average=", &value)) {
    settings.averagePingLimit = modelAtoi(value);
  } else if (startsWith(line, "s2cploss=", &value)) {
    settings.s2cLossLimit = modelAtoi(value);
  } else if (startsWith(line, "c2sploss=", &value)) {
    settings.c2sLossLimit = modelAtoi(value);
  } else if (startsWith(line, "s2cweapons=", &value)) {
    settings.s2cWeaponsLossLimit = modelAtoi(value);
  } else if (startsWith(line, "display=", &value)) {
    settings.displayMode = modelAtoi(value);
  } else if (startsWith(line, "deal=", &value)) {
    settings.dealMode = modelAtoi(value);
  } else if (startsWith(line, "maxcheckrate=", &value)) {
    settings.maxCheckRate = modelAtoi(value);
  }
}

// The arena of the file's first section; false for a file without one.
bool modelFirstSection(const std::string& file, std::string* arena) {
  for (const std::string& line : modelLines(file)) {
    if (modelSection(asRead(line), arena)) return true;
  }
  return false;
}

// `arena`: the bot's arena, empty before it entered one.
Settings modelLoad(Settings settings, const std::string& file,
                   const std::string& arena) {
  bool applies = true;
  for (const std::string& rawLine : modelLines(file)) {
    const std::string line = asRead(rawLine);
    std::string section;
    if (modelSection(line, &section)) {
      applies = !arena.empty() && lowerCase(section) == lowerCase(arena);
    } else if (applies) {
      modelApply(settings, line);
    }
  }
  if (settings.currentPingLimit < 0) settings.currentPingLimit = 300;
  if (settings.averagePingLimit < 0) settings.averagePingLimit = 300;
  if (settings.s2cLossLimit < 0) settings.s2cLossLimit = 2;
  if (settings.c2sLossLimit < 0) settings.c2sLossLimit = 2;
  if (settings.s2cWeaponsLossLimit < 0) settings.s2cWeaponsLossLimit = 2;
  return settings;
}

void checkSettings(const botInfo& bot, const Settings& expected) {
  FUZZ_CHECK(expected.warnMessage ==
                 std::string(bot.warnMessage.chars(), bot.warnMessage.size()),
             "warnMessage '" + std::string(bot.warnMessage.chars()) +
                 "', expected '" + expected.warnMessage + "'");
  FUZZ_CHECK(expected.lockMessage ==
                 std::string(bot.lockMessage.chars(), bot.lockMessage.size()),
             "lockMessage '" + std::string(bot.lockMessage.chars()) +
                 "', expected '" + expected.lockMessage + "'");
  const struct {
    const char* name;
    std::int32_t actual;
    std::int32_t expected;
  } numbers[] = {
      {"currentPingLimit", bot.currentPingLimit, expected.currentPingLimit},
      {"averagePingLimit", bot.averagePingLimit, expected.averagePingLimit},
      {"s2cLossLimit", bot.s2cLossLimit, expected.s2cLossLimit},
      {"c2sLossLimit", bot.c2sLossLimit, expected.c2sLossLimit},
      {"s2cWeaponsLossLimit", bot.s2cWeaponsLossLimit,
       expected.s2cWeaponsLossLimit},
      {"displayMode", bot.displayMode, expected.displayMode},
      {"dealMode", bot.dealMode, expected.dealMode},
      {"maxCheckRate", bot.maxCheckRate, expected.maxCheckRate},
  };
  for (const auto& number : numbers) {
    FUZZ_CHECK(number.actual == number.expected,
               std::string(number.name) + " " + std::to_string(number.actual) +
                   ", expected " + std::to_string(number.expected));
  }
}

std::string readFile(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const InputFolder inside;
  const std::string contents(reinterpret_cast<const char*>(data), size);
  std::error_code ignored;
  if (size == 0) {
    // No file at all: the reader creates it empty.
    std::filesystem::remove(kConfigFileName, ignored);
  } else {
    std::ofstream out(kConfigFileName, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  }

  botInfo bot(1);
  bot.loadConfig();
  const Settings once = modelLoad(Settings(), contents, "");
  checkSettings(bot, once);
  // A second reading over the settings of the first changes nothing.
  bot.loadConfig();
  checkSettings(bot, modelLoad(once, contents, ""));

  std::string arena;
  const bool sections = modelFirstSection(contents, &arena);
  FUZZ_CHECK(sections == (bot.arena.sectionsInFile != 0),
             "arena sections found where the model finds none, or the other "
             "way round");
  if (sections) {
    const std::string entered = arena + "X";
    for (const std::string& name : {upperCase(arena), entered}) {
      BotEvent enter = makeArenaEnter(name.c_str(), nullptr, 0);
      bot.onEvent(enter);
      checkSettings(bot, modelLoad(Settings(), contents, name));
    }
  } else {
    // Ignored: the settings stay as they are.
    BotEvent enter = makeArenaEnter("league", nullptr, 0);
    bot.onEvent(enter);
    checkSettings(bot, modelLoad(once, contents, ""));
  }

  FUZZ_CHECK(std::filesystem::exists(kConfigFileName), "file not created");
  FUZZ_CHECK(readFile(kConfigFileName) == contents, "the file was changed");
  return 0;
}
