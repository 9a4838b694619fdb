// tarvok_reload_check LIBRARY CYCLES [--no-memory]
//
// Plays a host that reloads its plug-ins: in one process it loads the plug-in
// library, connects a bot, lets a few seconds pass, has a player check
// another's lag, answers with the server's lag line, disconnects the bot and
// frees the library, CYCLES times. Every cycle must send the host the same
// records as the first, and the process must end the run with no more
// thread-local storage slots, handles, memory or mapped address space than
// it had after the first few cycles (--no-memory: slots and handles only,
// for AddressSanitizer builds, whose allocator maps and keeps memory of its
// own and whose leak checker watches the memory instead). Exit status 0 when
// all is well, 1 when not, 2 on wrong arguments.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/event_makers.h"
#include "process_resources.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

// Cycles run before the first probe: the host's own one-time allocations
// (the loader's, the C library's, the record list's) settle there.
constexpr long kWarmUpCycles = 20;

// Memory may move a little for reasons of the allocator's own (a heap that
// grew once for a peak stays grown); a leak of even one small block per
// cycle grows far beyond this over thousands of cycles.
constexpr long long kMemorySlackBytes = 64 * 1024;

const char kLagLine[] =
    "PING Current:450 ms  Average:310 ms  Low:200 ms  High:900 ms  S2C: 0.2%  "
    "C2S: 3.7%  S2CWeapons: 0.0%";

// What the bot sends in each cycle, as RecordingHost describes it.
const Lines& expectedRecords() {
  static const Lines records = {
      "echo: DLL plugin connected.",
      "private to 1: Checking player's lag",
      "private to 2: Pat has requested to check your lag",
      "private to 2: *lag",
      "public: *arena [Bob]  C: 450  Avg: 310  L: 200  H: 900  S2C: 0.2  "
      "C2S: 3.7  S2CW: 0.0",
      "public: *arenaBob is lagging with 400+ PING Current",
      "public: *arenaBob is lagging with 300+ PING Average",
      "public: *arenaBob is lagging with 2%+ C2SPloss",
      "private to 2: *warn Moved to spectators for lagging",
      "private to 2: *spec",
      "echo: DLL plugin disconnected.",
  };
  return records;
}

// One load-drive-free cycle; the records the plug-in sent, or an empty list
// with the reason in `error`.
Lines runCycle(RecordingHost& host, const std::string& library, Player* asker,
               std::string* error) {
  if (!host.load(library)) {
    *error = "cannot load the library: " + host.error();
    return {};
  }
  host.init(1);
  host.tick(1, 3);
  host.command(1, asker, "lagcheck Bob");
  host.chat(1, 0, kLagLine);
  host.tick(1);
  host.send(1, makeTerm());
  host.unload();
  if (!host.malformed().empty()) {
    *error = "malformed record: " + host.malformed().front();
    return {};
  }
  return host.takeDescribed();
}

std::string joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

bool probe(ProcessResources* resources) {
  std::string error;
  if (resources->probe(&error)) return true;
  std::fprintf(stderr, "cannot measure the process: %s\n", error.c_str());
  return false;
}

// The growths between two probes that count as a leak, one message each.
Lines growthsBetween(const ProcessResources& before,
                     const ProcessResources& after, bool checkMemory) {
  Lines growths;
  if (after.tlsSlot != before.tlsSlot)
    growths.push_back("thread-local storage slot index moved from " +
                      std::to_string(before.tlsSlot) + " to " +
                      std::to_string(after.tlsSlot));
  if (after.handles > before.handles)
    growths.push_back("handles grew from " + std::to_string(before.handles) +
                      " to " + std::to_string(after.handles));
  if (after.nextHandle > before.nextHandle)
    growths.push_back("the next free handle moved from " +
                      std::to_string(before.nextHandle) + " to " +
                      std::to_string(after.nextHandle));
  if (!checkMemory) return growths;
  if (after.memoryBytes > before.memoryBytes + kMemorySlackBytes)
    growths.push_back("memory grew by " +
                      std::to_string(after.memoryBytes - before.memoryBytes) +
                      " bytes");
  if (after.mappedBytes > before.mappedBytes + kMemorySlackBytes)
    growths.push_back("mapped address space grew by " +
                      std::to_string(after.mappedBytes - before.mappedBytes) +
                      " bytes");
  return growths;
}

}  // namespace

int main(int argc, char** argv) {
  const bool checkMemory = argc != 4 || std::string(argv[3]) != "--no-memory";
  const bool argumentsFit = argc == 3 || (argc == 4 && !checkMemory);
  const long cycles = argumentsFit ? std::strtol(argv[2], nullptr, 10) : 0;
  if (cycles <= kWarmUpCycles) {
    std::fprintf(stderr,
                 "usage: %s LIBRARY CYCLES (more than %ld) [--no-memory]\n",
                 argv[0], kWarmUpCycles);
    return 2;
  }
  const std::string library = argv[1];

  TempFolder folder;
  folder.write("tarvok.ini",
               "current=400\r\ndeal=3\r\n"
               "LockMessage=Moved to spectators for lagging\r\n");
  RecordingHost host;
  Player* asker = host.addPlayer("Pat", 1, OP_SysOp);
  host.addPlayer("Bob", 2, OP_Player, 3);

  ProcessResources before;
  const auto start = std::chrono::steady_clock::now();
  for (long cycle = 1; cycle <= cycles; ++cycle) {
    std::string error;
    const Lines records = runCycle(host, library, asker, &error);
    if (!error.empty()) {
      std::fprintf(stderr, "cycle %ld: %s\n", cycle, error.c_str());
      return 1;
    }
    if (records != expectedRecords()) {
      std::fprintf(stderr, "cycle %ld: the bot sent\n%sinstead of\n%s", cycle,
                   joined(records).c_str(), joined(expectedRecords()).c_str());
      return 1;
    }
    if (cycle == kWarmUpCycles && !probe(&before)) return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();

  ProcessResources after;
  if (!probe(&after)) return 1;
  std::printf("%ld cycles in %.1f s\nafter %ld: %s\nafter %ld: %s\n", cycles,
              seconds, kWarmUpCycles, before.describe().c_str(), cycles,
              after.describe().c_str());
  const Lines growths = growthsBetween(before, after, checkMemory);
  for (const std::string& growth : growths)
    std::fprintf(stderr, "leak: %s\n", growth.c_str());
  return growths.empty() ? 0 : 1;
}
