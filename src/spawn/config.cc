// Reading "tarvok.ini": one "key=value" line per setting. Keys are matched
// exactly at the start of the line (case counts, no blanks); the value is
// the rest of the line. Lines without a known key are skipped, a key missing
// from the file keeps the value the field already has, and a key given twice
// takes its last value. Nothing is ever written back.
#include <cstdint>

#include "spawn/line_reader.h"
#include "spawn/spawn.h"
#include "util/text.h"

namespace {

// Sent to a lagger as a warning, so the configured text follows it.
constexpr const char* kWarnCommand = "*warn ";

struct MessageKey {
  const char* key;
  String botInfo::*field;
};

struct NumberKey {
  const char* key;
  std::int32_t botInfo::*field;
};

constexpr MessageKey kMessageKeys[] = {
    {"WarnMessage=", &botInfo::warnMessage},
    {"LockMessage=", &botInfo::lockMessage},
};

constexpr NumberKey kNumberKeys[] = {
    {"current=", &botInfo::currentPingLimit},
    {"average=", &botInfo::averagePingLimit},
    {"s2cploss=", &botInfo::s2cLossLimit},
    {"c2sploss=", &botInfo::c2sLossLimit},
    {"s2cweapons=", &botInfo::s2cWeaponsLossLimit},
    {"display=", &botInfo::displayMode},
    {"deal=", &botInfo::dealMode},
    {"maxcheckrate=", &botInfo::maxCheckRate},
};

// Applies one line to the settings of `bot`; the first key that matches wins.
void applyConfigLine(botInfo& bot, const char* line) {
  for (const MessageKey& entry : kMessageKeys) {
    if (isPrefixOf(entry.key, line)) {
      String& message = bot.*entry.field;
      message = kWarnCommand;
      message += line + textLength(entry.key);
      return;
    }
  }
  for (const NumberKey& entry : kNumberKeys) {
    if (isPrefixOf(entry.key, line)) {
      bot.*entry.field = atoiSaturated(line + textLength(entry.key));
      return;
    }
  }
}

}  // namespace

void botInfo::loadConfig() {
  {
    LineReader reader(kConfigFileName);
    LineReader::Line line;
    while (reader.readLine(line)) applyConfigLine(*this, line);
  }
  sanitizeLimits();
}

void botInfo::sanitizeLimits() {
  if (currentPingLimit < 0) currentPingLimit = 300;
  if (averagePingLimit < 0) averagePingLimit = 300;
  if (s2cLossLimit < 0) s2cLossLimit = 2;
  if (c2sLossLimit < 0) c2sLossLimit = 2;
  if (s2cWeaponsLossLimit < 0) s2cWeaponsLossLimit = 2;
}
