// The whole check of check_road.h through the plug-in's `talk` and through
// the plain C baseline, each called through a function pointer as a host
// calls it. Before timing, both give one check whose records must be the
// same, byte for byte.
#include <benchmark/benchmark.h>

#include <string>

#include "allocation_counter.h"
#include "bench_host.h"
#include "check_road.h"
#include "plain_check.h"

namespace {

constexpr CALL_HANDLE kHandle = 1;

void runChecks(benchmark::State& state, TalkEntry entry) {
  BenchHost host;  // the folder with "tarvok.ini"
  host.writeConfig(CheckRoad::kConfig);
  CheckRoad road(kHandle);
  BotEvent init = road.init();
  entry(init);
  if (entry != &plainCheckTalk) {
    plainCheckTalk(init);
    const std::string difference = CheckRoad::firstDifference(
        road.captureCheck(entry), road.captureCheck(&plainCheckTalk));
    if (!difference.empty()) {
      state.SkipWithError(("not the baseline's records: " + difference).c_str());
      return;
    }
  }
  TalkEntry volatile target = entry;
  const std::uint64_t recordsBefore = CheckRoad::recordCount();
  const std::uint64_t allocationsBefore = allocationCount();
  for (auto _ : state) road.run(target);
  state.counters["records/check"] = benchmark::Counter(
      static_cast<double>(CheckRoad::recordCount() - recordsBefore),
      benchmark::Counter::kAvgIterations);
  state.counters["allocs/check"] = benchmark::Counter(
      static_cast<double>(allocationCount() - allocationsBefore),
      benchmark::Counter::kAvgIterations);
}

void BM_WholeCheck(benchmark::State& state) { runChecks(state, &talk); }
BENCHMARK(BM_WholeCheck);

void BM_PlainCheck(benchmark::State& state) {
  runChecks(state, &plainCheckTalk);
}
BENCHMARK(BM_PlainCheck);

}  // namespace
