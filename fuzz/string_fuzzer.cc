// Fuzzes String and the text helpers on arbitrary chat text, and the lag
// line handler fed directly. The first input byte picks the mode:
//
// - String operations: a sequence of operations on two Strings, each checked
//   against a std::string model after every step (contents, length, the
//   terminator), self-assignment and buffers inside the String's own block
//   included, with the free text functions run on the same texts.
// - Lag lines: a bot with fuzzed modes, limits, pending check and player
//   list is handed one chat line of type 0; the figure texts, the numbers,
//   every record it sends and the state it leaves are compared with a model
//   built on the std::string model of split().
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "checking_host.h"
#include "fuzz_check.h"
#include "spawn/spawn.h"
#include "util/player.h"
#include "util/string.h"
#include "util/text.h"

namespace {

// ---- The std::string model ----

std::string textOf(const String& s) { return std::string(s.chars(), s.size()); }

// What C text functions see of `s`: the bytes before its first zero.
std::string cTextOf(const std::string& s) { return s.substr(0, s.find('\0')); }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

bool foldEquals(const std::string& a, const std::string& b) {
  const std::string x = cTextOf(a);
  const std::string y = cTextOf(b);
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (lowerAscii(x[i]) != lowerAscii(y[i])) return false;
  }
  return true;
}

std::string trimLeftModel(const std::string& s) {
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : s.substr(first);
}
std::string trimRightModel(const std::string& s) {
  const std::size_t last = s.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}
std::string trimModel(const std::string& s) {
  return trimLeftModel(trimRightModel(s));
}
std::string leftModel(const std::string& s, std::uint32_t n) {
  return s.substr(0, std::min<std::size_t>(n, s.size()));
}
std::string rightModel(const std::string& s, std::uint32_t n) {
  return s.substr(s.size() - std::min<std::size_t>(n, s.size()));
}
std::string midModel(const std::string& s, std::uint32_t start,
                     std::uint32_t count) {
  if (start >= s.size()) return std::string();
  return s.substr(start, std::min<std::size_t>(count, s.size() - start));
}

// split(): the trimmed token before the first delimiter; `s` keeps the
// trimmed text after it (at most 32000 bytes), or stays as it was.
std::string splitModel(std::string& s, char delimiter) {
  const std::size_t at = s.find(delimiter);
  if (at == std::string::npos) return trimModel(s);
  const std::string token = trimModel(s.substr(0, at));
  s = trimModel(midModel(s, static_cast<std::uint32_t>(at + 1), 32000));
  return token;
}

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

std::int32_t atoiModel(const std::string& raw) {
  const std::string text = cTextOf(raw);
  std::size_t at = 0;
  while (at < text.size() && isCSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    negative = text[at] == '-';
    ++at;
  }
  std::int64_t value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = std::min<std::int64_t>(value * 10 + (text[at] - '0'),
                                   std::int64_t{1} << 32);
    ++at;
  }
  if (negative) value = -value;
  value =
      std::max<std::int64_t>(value, std::numeric_limits<std::int32_t>::min());
  value =
      std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(value);
}

void checkSame(const String& s, const std::string& model, const char* step) {
  FUZZ_CHECK(s.chars() != nullptr, std::string(step) + ": null text");
  FUZZ_CHECK(s.chars()[s.size()] == '\0',
             std::string(step) + ": no terminator");
  FUZZ_CHECK(textOf(s) == model, std::string(step) + ": '" + textOf(s) +
                                     "', expected '" + model + "'");
}

// ---- String operations ----

// Texts grow by doubling under self-append; this keeps every step cheap.
constexpr std::size_t kLongestText = 2048;

void runFreeTextFunctions(FuzzedDataProvider& input, const std::string& text,
                          const std::string& other) {
  const std::string cText = cTextOf(text);
  FUZZ_CHECK(textLength(text.c_str()) == cText.size(), "textLength");
  FUZZ_CHECK(atoiSaturated(text.c_str()) == atoiModel(text),
             "atoiSaturated of '" + cText + "' is " +
                 std::to_string(atoiSaturated(text.c_str())) + ", expected " +
                 std::to_string(atoiModel(text)));
  FUZZ_CHECK(
      equalsIgnoreCase(text.c_str(), other.c_str()) == foldEquals(text, other),
      "equalsIgnoreCase");
  const std::string otherText = cTextOf(other);
  FUZZ_CHECK(isPrefixOf(text.c_str(), other.c_str()) ==
                 (otherText.compare(0, cText.size(), cText) == 0),
             "isPrefixOf");
  isNumeric(text.c_str());

  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  const std::size_t textEnd = cText.size();
  auto inBuffer = [&](const char* at) {
    return at >= buffer.data() && at <= buffer.data() + textEnd;
  };
  switch (input.ConsumeIntegralInRange(0, 5)) {
    case 0: {
      const std::uint32_t slotCount = input.ConsumeIntegralInRange(0u, 8u);
      const std::uint32_t slotSize = input.ConsumeIntegralInRange(0u, 24u);
      std::vector<char> slots(std::size_t{slotCount} * slotSize);
      splitFields(input.ConsumeIntegral<char>(), text.c_str(), slots.data(),
                  slotCount, slotSize);
      break;
    }
    case 1:
      isIllegalName(buffer.data());
      FUZZ_CHECK(textLength(buffer.data()) <= 19, "isIllegalName kept it long");
      break;
    case 2:
      isIllegalShortName(buffer.data());
      FUZZ_CHECK(textLength(buffer.data()) <= 10,
                 "isIllegalShortName kept it long");
      break;
    case 3:
      hasOneNameMark(text.c_str());
      FUZZ_CHECK(inBuffer(nameOfNameMarkLine(buffer.data())),
                 "nameOfNameMarkLine outside its text");
      break;
    case 4:
      hasOneBracketMark(text.c_str());
      FUZZ_CHECK(inBuffer(nameOfBracketLine(buffer.data())),
                 "nameOfBracketLine outside its text");
      break;
    default: {
      const char* message = messageOfNameMarkLine(buffer.data());
      FUZZ_CHECK(inBuffer(message), "messageOfNameMarkLine outside its text");
      message = messageOfBracketLine(buffer.data());
      FUZZ_CHECK(inBuffer(message), "messageOfBracketLine outside its text");
      break;
    }
  }
}

void runStringOperations(FuzzedDataProvider& input) {
  String strings[2];
  std::string models[2];
  while (input.remaining_bytes() > 0) {
    const int which = input.ConsumeBool() ? 1 : 0;
    String& s = strings[which];
    std::string& m = models[which];
    const String& other = strings[1 - which];
    const std::string& otherModel = models[1 - which];
    if (m.size() > kLongestText) {
      s = "";
      m.clear();
    }
    const std::uint32_t size = s.size();
    // A piece of this String's own block: [start, start + count).
    const std::uint32_t start = input.ConsumeIntegralInRange(0u, size);
    const std::uint32_t count = input.ConsumeIntegralInRange(0u, size - start);

    switch (input.ConsumeIntegralInRange(0, 24)) {
      case 0: {
        const std::string bytes = input.ConsumeRandomLengthString(64);
        s.assign(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        m = bytes;
        break;
      }
      case 1: {
        const std::string bytes = input.ConsumeRandomLengthString(64);
        s.append(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        m += bytes;
        break;
      }
      case 2: {
        const std::string bytes = input.ConsumeRandomLengthString(64);
        s.prepend(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        m = bytes + m;
        break;
      }
      case 3: {
        const std::string bytes = input.ConsumeRandomLengthString(64);
        s = bytes.c_str();
        m = cTextOf(bytes);
        break;
      }
      case 4: {
        const std::string bytes = input.ConsumeRandomLengthString(64);
        s += bytes.c_str();
        m += cTextOf(bytes);
        break;
      }
      case 5: {
        const std::int32_t value = input.ConsumeIntegral<std::int32_t>();
        s += value;
        m += std::to_string(value);
        break;
      }
      case 6: {
        const std::int32_t value = input.ConsumeIntegral<std::int32_t>();
        s = value;
        m = std::to_string(value);
        break;
      }
      case 7:
        s = other;
        m = otherModel;
        break;
      case 8:
        s += other;
        m += otherModel;
        break;
      case 9: {
        const String& same = s;
        s = same;
        // Moved away and back: the block travels, the text stays.
        String moved(std::move(s));
        checkSame(s, "", "moved from");
        s = std::move(moved);
        break;
      }
      case 10: {
        const String& same = s;
        s += same;
        m += m;
        break;
      }
      case 11:
        s.assign(s.chars() + start, count);
        m = m.substr(start, count);
        break;
      case 12:
        s.append(s.chars() + start, count);
        m += m.substr(start, count);
        break;
      case 13:
        s.prepend(s.chars() + start, count);
        m = m.substr(start, count) + m;
        break;
      case 14: {
        const char delimiters[] = {' ', ':', '%',
                                   input.ConsumeIntegral<char>()};
        const char delimiter = delimiters[input.ConsumeIntegralInRange(0, 3)];
        // The cut whose token is returned, written into the other String
        // (which may hold a longer text), dropped, or written into itself.
        switch (input.ConsumeIntegralInRange(0, 3)) {
          case 0: {
            const String token = s.split(delimiter);
            checkSame(token, splitModel(m, delimiter), "split token");
            break;
          }
          case 1:
            s.split(delimiter, strings[1 - which]);
            models[1 - which] = splitModel(m, delimiter);
            break;
          case 2:
            s.skip(delimiter);
            splitModel(m, delimiter);
            break;
          default:
            s.split(delimiter, s);
            m = splitModel(m, delimiter);
            break;
        }
        break;
      }
      case 15: {
        const std::uint32_t n =
            input.ConsumeIntegral<std::uint32_t>() % (size + 8);
        checkSame(s.left(n), leftModel(m, n), "left");
        checkSame(s.right(n), rightModel(m, n), "right");
        const std::uint32_t length = input.ConsumeIntegral<std::uint32_t>();
        checkSame(s.mid(n, length), midModel(m, n, length), "mid");
        break;
      }
      case 16:
        checkSame(s.trim(), trimModel(m), "trim");
        checkSame(s.trimLeft(), trimLeftModel(m), "trimLeft");
        checkSame(s.trimRight(), trimRightModel(m), "trimRight");
        break;
      case 17: {
        // The pads come from a run of 110 spaces: callers stay within it.
        const std::uint32_t width =
            input.ConsumeIntegralInRange(0u, size + 110);
        checkSame(s.padLeft(width),
                  size < width ? std::string(width - size, ' ') + m
                               : rightModel(m, width),
                  "padLeft");
        checkSame(s.padRight(width),
                  size < width ? m + std::string(width - size, ' ')
                               : leftModel(m, width),
                  "padRight");
        break;
      }
      case 18: {
        const bool lower = input.ConsumeBool();
        if (lower) {
          s.toLowerInPlace();
        } else {
          s.toUpperInPlace();
        }
        for (char& c : m) {
          if (c == '\0') break;
          c = lower ? lowerAscii(c) : upperAscii(c);
        }
        break;
      }
      case 19: {
        const std::string bytes = input.ConsumeRandomLengthString(32);
        const std::int32_t value = input.ConsumeIntegral<std::int32_t>();
        FUZZ_CHECK((s == other) == foldEquals(m, otherModel), "== String");
        FUZZ_CHECK((s != other) != foldEquals(m, otherModel), "!= String");
        FUZZ_CHECK((s == bytes.c_str()) == foldEquals(m, bytes), "== text");
        FUZZ_CHECK((s != bytes.c_str()) != foldEquals(m, bytes), "!= text");
        FUZZ_CHECK((s == value) == foldEquals(m, std::to_string(value)),
                   "== integer");
        FUZZ_CHECK((s != value) != foldEquals(m, std::to_string(value)),
                   "!= integer");
        break;
      }
      case 20: {
        const char c = input.ConsumeIntegral<char>();
        const std::size_t at = m.find(c);
        FUZZ_CHECK(
            s.indexOf(c) ==
                (at == std::string::npos ? -1 : static_cast<std::int32_t>(at)),
            "indexOf");
        break;
      }
      case 21: {
        const std::string bytes = input.ConsumeRandomLengthString(32);
        const std::int32_t value = input.ConsumeIntegral<std::int32_t>();
        checkSame(s + bytes.c_str(), m + cTextOf(bytes), "String + text");
        checkSame(s + value, m + std::to_string(value), "String + integer");
        checkSame(s + other, m + otherModel, "String + String");
        checkSame(bytes.c_str() + s, cTextOf(bytes) + m, "text + String");
        break;
      }
      case 22: {
        const std::int32_t value = input.ConsumeIntegral<std::int32_t>();
        checkSame(String(value), std::to_string(value), "String(integer)");
        checkSame(String(s), m, "copy");
        checkSame(String(s.chars()), cTextOf(m), "String(text)");
        checkSame(String(s.chars() + start, count), m.substr(start, count),
                  "String(buffer, count)");
        break;
      }
      case 23:
        FUZZ_CHECK(s.isEmpty() == cTextOf(m).empty(), "isEmpty");
        s.toInteger(input.ConsumeIntegralInRange(2u, 36u));
        break;
      default:
        runFreeTextFunctions(input, m, otherModel);
        break;
    }
    checkSame(strings[0], models[0], "after a step");
    checkSame(strings[1], models[1], "after a step");
  }
}

// ---- Lag lines ----

struct ExpectedRecord {
  std::uint32_t chatType;
  std::uint32_t target;
  std::string text;
};

std::string nameOf(const Player& player) {
  return std::string(player.name, strnlen(player.name, sizeof player.name));
}

const char* const kLagLineStarts[] = {"", "PING ", "ping Current:"};

void runLagLine(FuzzedDataProvider& input) {
  CheckingHost host;
  constexpr CALL_HANDLE kHandle = 7;
  host.expectHandle(kHandle);
  botInfo bot(kHandle);
  bot.hostCallback = CheckingHost::callback();
  bot.playerList = host.players();

  bot.displayMode = input.ConsumeIntegralInRange(-1, 3);
  bot.dealMode = input.ConsumeIntegralInRange(-1, 4);
  std::int32_t* const limits[] = {&bot.currentPingLimit, &bot.averagePingLimit,
                                  &bot.s2cLossLimit, &bot.c2sLossLimit,
                                  &bot.s2cWeaponsLossLimit};
  for (std::int32_t* limit : limits) {
    if (input.ConsumeBool()) *limit = input.ConsumeIntegral<std::int32_t>();
  }
  const int playerCount = input.ConsumeIntegralInRange(0, 4);
  for (int i = 0; i < playerCount; ++i) {
    const std::string name = input.ConsumeBytesAsString(
        input.ConsumeIntegralInRange<std::size_t>(0, kPlayerNameSize));
    const std::uint8_t ship = input.ConsumeBool()
                                  ? kSpectatorShip
                                  : input.ConsumeIntegral<std::uint8_t>();
    host.addPlayer(name, input.ConsumeIntegral<std::uint16_t>(),
                   input.ConsumeIntegral<std::uint32_t>(), ship);
  }
  // The pending check names a listed player, in any letter case, or not.
  auto pickName = [&]() -> std::string {
    if (host.playerCount() > 0 && input.ConsumeBool()) {
      std::string name =
          nameOf(*host.playerAt(input.ConsumeIntegralInRange<std::size_t>(
              0, host.playerCount() - 1)));
      if (input.ConsumeBool()) {
        for (char& c : name) c = upperAscii(c);
      }
      return name;
    }
    return input.ConsumeRandomLengthString(24);
  };
  const std::string target = cTextOf(pickName());
  const std::string requester = cTextOf(pickName());
  bot.checkTarget = target.c_str();
  bot.checkRequester = requester.c_str();
  bot.currentPingText = "unset";

  const std::string start =
      kLagLineStarts[input.ConsumeIntegralInRange<std::size_t>(0, 2)];
  // Now and then a run of one byte makes the line longer than the 32000
  // bytes that split() keeps after a delimiter.
  std::size_t runLength = 0;
  char runByte = ' ';
  std::size_t runAt = 0;
  if (input.ConsumeIntegralInRange(0, 15) == 0) {
    runLength = input.ConsumeIntegralInRange<std::size_t>(31990, 32100);
    runByte = input.ConsumeIntegral<char>();
    runAt = input.ConsumeIntegral<std::uint16_t>();
  }
  std::string line = start + input.ConsumeRemainingBytesAsString();
  line.insert(std::min(runAt, line.size()), runLength, runByte);
  line = cTextOf(line);

  const std::int32_t oldLimits[] = {bot.currentPingLimit, bot.averagePingLimit,
                                    bot.s2cLossLimit, bot.c2sLossLimit,
                                    bot.s2cWeaponsLossLimit};
  const std::int32_t displayMode = bot.displayMode;
  const std::int32_t dealMode = bot.dealMode;
  bot.handleLagReport(line.c_str());
  const std::vector<ReceivedRecord> received = host.take();

  // The cuts: the keyword, four groups of label, figure and unit, three
  // groups of label and figure with a percent sign.
  std::string rest = line;
  if (!foldEquals(splitModel(rest, ' '), "PING")) {
    FUZZ_CHECK(received.empty(), "a line that is no lag line was answered");
    FUZZ_CHECK(textOf(bot.currentPingText) == "unset",
               "a line that is no lag line was cut");
    return;
  }
  std::string figures[7];
  for (int i = 0; i < 4; ++i) {
    splitModel(rest, ':');
    figures[i] = splitModel(rest, ' ');
    splitModel(rest, ' ');
  }
  for (int i = 4; i < 7; ++i) {
    splitModel(rest, ':');
    figures[i] = splitModel(rest, '%');
  }
  const String* const texts[] = {&bot.currentPingText,   &bot.averagePingText,
                                 &bot.lowPingText,       &bot.highPingText,
                                 &bot.s2cLossText,       &bot.c2sLossText,
                                 &bot.s2cWeaponsLossText};
  for (int i = 0; i < 7; ++i) checkSame(*texts[i], figures[i], "figure text");

  if (displayMode != 1 && displayMode != 2) {
    FUZZ_CHECK(received.empty(),
               "a report in display mode " + std::to_string(displayMode));
    checkSame(bot.checkTarget, target, "pending target");
    checkSame(bot.checkRequester, requester, "pending requester");
    return;
  }

  std::vector<ExpectedRecord> expected;
  const std::string report = std::string(displayMode == 1 ? "*arena [" : "[") +
                             target + "]  C: " + figures[0] +
                             "  Avg: " + figures[1] + "  L: " + figures[2] +
                             "  H: " + figures[3] + "  S2C: " + figures[4] +
                             "  C2S: " + figures[5] + "  S2CW: " + figures[6];
  for (std::size_t i = 0; i < host.playerCount(); ++i) {
    const Player& player = *host.playerAt(i);
    if (displayMode == 2 && foldEquals(nameOf(player), requester)) {
      expected.push_back({CHAT_Private, player.ident, report});
    }
  }
  if (displayMode == 1)
    expected.insert(expected.begin(), {CHAT_Public, 0, report});

  std::int32_t numbers[7];
  for (int i = 0; i < 7; ++i) numbers[i] = atoiModel(figures[i]);
  const std::int32_t* const actualNumbers[] = {
      &bot.currentPing, &bot.averagePing, &bot.lowPing,       &bot.highPing,
      &bot.s2cLoss,     &bot.c2sLoss,     &bot.s2cWeaponsLoss};
  for (int i = 0; i < 7; ++i) {
    FUZZ_CHECK(*actualNumbers[i] == numbers[i],
               "figure " + std::to_string(i) + " is " +
                   std::to_string(*actualNumbers[i]) + ", expected " +
                   std::to_string(numbers[i]));
  }
  std::int32_t sane[5];
  for (int i = 0; i < 5; ++i) {
    sane[i] = oldLimits[i] >= 0 ? oldLimits[i] : (i < 2 ? 300 : 2);
    FUZZ_CHECK(*limits[i] == sane[i], "limit not repaired");
  }

  bool laggerFound = false;
  if (dealMode != 0) {
    const std::int32_t measured[] = {numbers[0], numbers[1], numbers[4],
                                     numbers[5], numbers[6]};
    const char* const limitTails[] = {"+ PING Current", "+ PING Average",
                                      "%+ S2CPloss", "%+ C2SPloss",
                                      "%+ S2CWeapons"};
    for (int i = 0; i < 5; ++i) {
      if (measured[i] >= sane[i]) {
        expected.push_back({CHAT_Public, 0,
                            "*arena" + target + " is lagging with " +
                                std::to_string(sane[i]) + limitTails[i]});
        laggerFound = true;
      }
    }
    const char* const negativeTails[] = {
        "negative S2CPloss", "negative C2SPloss", "negative S2CWeapons ploss"};
    for (int i = 0; i < 3; ++i) {
      if (measured[2 + i] < -2) {
        expected.push_back(
            {CHAT_Public, 0,
             "*arena" + target + " is lagging with " + negativeTails[i]});
        laggerFound = true;
      }
    }
  }
  if (laggerFound && (dealMode == 2 || dealMode == 3)) {
    for (std::size_t i = 0; i < host.playerCount(); ++i) {
      const Player& player = *host.playerAt(i);
      if (!foldEquals(nameOf(player), target)) continue;
      if (dealMode == 2) {
        expected.push_back(
            {CHAT_Private, player.ident, textOf(bot.warnMessage)});
      } else {
        expected.push_back(
            {CHAT_Private, player.ident, textOf(bot.lockMessage)});
        if (player.ship != kSpectatorShip) {
          expected.push_back({CHAT_Private, player.ident, "*spec"});
        }
      }
    }
  }

  FUZZ_CHECK(received.size() == expected.size(),
             std::to_string(received.size()) + " records, expected " +
                 std::to_string(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    FUZZ_CHECK(received[i].code == COMMAND_SendChat &&
                   received[i].chatType == expected[i].chatType &&
                   received[i].target == expected[i].target &&
                   received[i].text == expected[i].text,
               "record " + std::to_string(i) + " '" + received[i].text +
                   "', expected '" + expected[i].text + "'");
  }
  FUZZ_CHECK(bot.laggerFound == 0, "laggerFound left set");
  checkSame(bot.checkTarget, "", "pending target");
  checkSame(bot.checkRequester, "", "pending requester");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  FuzzedDataProvider input(data + 1, size - 1);
  if (data[0] & 1) {
    runLagLine(input);
  } else {
    runStringOperations(input);
  }
  return 0;
}
