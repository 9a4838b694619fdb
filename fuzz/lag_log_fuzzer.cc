// Fuzzes the simulator's lag log reader and the replay's table with
// arbitrary log files. Each input is written as a file and loaded the way
// "tarvok-sim replay" loads it; then the checks:
// - nothing crashes, and a line longer than the reader's cap stops the load;
// - no raw control byte reaches the error stream or the table;
// - every row the reader took gives its names, figures and arena back when
//   written again with the log's escaping and read once more (no two names
//   merge).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_check.h"
#include "input_folder.h"
#include "laglog/lag_log.h"
#include "evidence/replay.h"

namespace {

bool hasControlByte(const std::string& text, bool lineEndsAllowed) {
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (lineEndsAllowed && byte == '\n') continue;
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

std::string readAll(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, count);
  }
  return text;
}

// Every line of `text` that parses as a row comes back the same from its
// escaped fields.
void checkRoundTrips(const std::string& text) {
  std::size_t start = 0;
  LagLogRow row;
  LagLogRow again;
  std::string error;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() > Replay::kLongestLine ||
        !parseLagLogRow(line, &row, &error)) {
      continue;
    }
    // The player field (the third) written again from the name read.
    std::string rest = line;
    const std::size_t at = rest.find('\t', rest.find('\t') + 1) + 1;
    const std::size_t after = rest.find('\t', at);
    rest.replace(at, after - at, lagLogEscaped(row.player, true));
    FUZZ_CHECK(parseLagLogRow(rest, &again, &error), error + ": " + rest);
    FUZZ_CHECK(again.player == row.player, rest);
    FUZZ_CHECK(again.kind == row.kind, rest);
    FUZZ_CHECK(again.hasArena == row.hasArena, rest);
    if (!row.hasArena) continue;
    // The arena field (the last) written again from the name read.
    const std::size_t arenaAt = rest.rfind('\t') + 1;
    rest.replace(arenaAt, std::string::npos, lagLogEscaped(row.arena, false));
    FUZZ_CHECK(parseLagLogRow(rest, &again, &error), error + ": " + rest);
    FUZZ_CHECK(again.arena == row.arena, rest);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const InputFolder folder;
  const std::string text(reinterpret_cast<const char*>(data), size);
  {
    std::FILE* log = std::fopen("fuzzed.log", "wb");
    FUZZ_CHECK(log != nullptr, "cannot write fuzzed.log");
    std::fwrite(text.data(), 1, text.size(), log);
    std::fclose(log);
  }
  std::FILE* errors = std::tmpfile();
  FUZZ_CHECK(errors != nullptr, "no temporary file");
  Replay replay(errors, true);
  std::string failure;
  const bool loaded = replay.load("fuzzed.log", &failure);
  FUZZ_CHECK(!hasControlByte(failure, false), failure);
  if (loaded) {
    replay.finishLoading();
    for (const std::string& line : replay.summary().table()) {
      FUZZ_CHECK(!hasControlByte(line, false), line);
    }
    checkRoundTrips(text);
  }
  const std::string reported = readAll(errors);
  std::fclose(errors);
  FUZZ_CHECK(!hasControlByte(reported, true), reported);
  std::remove("fuzzed.log");
  return 0;
}
