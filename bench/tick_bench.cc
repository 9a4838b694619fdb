// One Tick with N players listed. Each listed player's countdown is counted
// down, found where the tag index's walk of the list left it: the cost grows
// with the number of players, and a steady-state Tick allocates nothing,
// with the lag watch on too (its queries write the player's name into
// blocks kept from the last).
#include <benchmark/benchmark.h>

#include <string>

#include "allocation_counter.h"
#include "bench_host.h"
#include "host/event_makers.h"

namespace {

constexpr CALL_HANDLE kHandle = 1;

// `config` is the contents of "tarvok.ini".
void runTicks(benchmark::State& state, const std::string& config) {
  BenchHost host;
  host.writeConfig(config);
  host.connect(kHandle);
  const int players = static_cast<int>(state.range(0));
  for (int i = 0; i < players; ++i) {
    host.addPlayer("Player" + std::to_string(i), static_cast<std::uint16_t>(i));
  }
  BotEvent tick = makeTick();
  tick.handle = kHandle;
  talk(tick);  // every player has a countdown from here on
  const std::uint64_t allocationsBefore = allocationCount();
  for (auto _ : state) talk(tick);
  state.counters["allocs/tick"] = benchmark::Counter(
      static_cast<double>(allocationCount() - allocationsBefore),
      benchmark::Counter::kAvgIterations);
}
void BM_Tick(benchmark::State& state) { runTicks(state, ""); }
BENCHMARK(BM_Tick)->Arg(10)->Arg(100)->Arg(255)->Arg(1000);

// With the lag watch on: every Tick also walks the watched players to find
// the most overdue one. The host never answers, so every query times out
// after five Ticks and the next goes out.
void BM_TickWatched(benchmark::State& state) {
  runTicks(state, "autocheck=30\nstrikes=3\ngrace=0\n");
}
BENCHMARK(BM_TickWatched)->Arg(100)->Arg(1000);

}  // namespace
