// A whole lag check as the plug-in sees it: a staff member's "!lagcheck
// Bob", the zone server's PING line for Bob over every limit, the report to
// the arena, the five lagger lines, and in dealing mode 3 the lock message
// and "*spec". The host parses the command once, outside the measurement:
// parsing is the host's work.
#include <benchmark/benchmark.h>

#include <string>

#include "allocation_counter.h"
#include "bench_host.h"
#include "host/event_makers.h"
#include "util/command.h"

namespace {

constexpr CALL_HANDLE kHandle = 1;
constexpr int kBystanders = 20;

const char kLagLine[] =
    "PING Current:900 ms  Average:850 ms  Low:80 ms  High:1200 ms  S2C: 9.5%  "
    "C2S: 7.0%  S2CWeapons: 3.0%";

void BM_WholeCheck(benchmark::State& state) {
  BenchHost host;
  host.writeConfig("display=1\ndeal=3\nLockMessage=Moved to spectator mode\n");
  host.connect(kHandle);
  for (int i = 0; i < kBystanders; ++i) {
    host.addPlayer("Player" + std::to_string(i), static_cast<std::uint16_t>(i));
  }
  host.addPlayer("Bob", 100);
  const Player* staff = host.addPlayer("Staff", 101, OP_SuperModerator);

  const Command lagcheck("lagcheck bob");
  BotEvent command = makeLocalCommand(staff, &lagcheck);
  command.handle = kHandle;
  BotEvent answer = makeChat(0, 0, nullptr, kLagLine);
  answer.handle = kHandle;

  const std::uint64_t recordsBefore = BenchHost::recordCount();
  const std::uint64_t allocationsBefore = allocationCount();
  for (auto _ : state) {
    talk(command);
    talk(answer);
  }
  state.counters["records/check"] = benchmark::Counter(
      static_cast<double>(BenchHost::recordCount() - recordsBefore),
      benchmark::Counter::kAvgIterations);
  state.counters["allocs/check"] = benchmark::Counter(
      static_cast<double>(allocationCount() - allocationsBefore),
      benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WholeCheck);

}  // namespace
