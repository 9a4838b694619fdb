// `talk` with events the plug-in ignores, against an empty function called
// through the same pointer type: what a host pays per event that a lag
// check does not need (player moves and weapons arrive many times a second).
#include <benchmark/benchmark.h>

#include "allocation_counter.h"
#include "bench_host.h"
#include "host/event_makers.h"

namespace {

constexpr CALL_HANDLE kHandle = 1;

// Calls `function` with `event` once per iteration. The pointer is read
// from a volatile, so neither call can be inlined or skipped.
void callThrough(benchmark::State& state, EventFunction function,
                 BotEvent event) {
  EventFunction volatile target = function;
  const std::uint64_t allocationsBefore = allocationCount();
  for (auto _ : state) target(event);
  state.counters["allocs/event"] = benchmark::Counter(
      static_cast<double>(allocationCount() - allocationsBefore),
      benchmark::Counter::kAvgIterations);
}

void BM_EmptyFunction(benchmark::State& state) {
  BenchHost host;
  const Player* player = host.addPlayer("Mover", 1);
  BotEvent event = makePlayerMove(player);
  event.handle = kHandle;
  callThrough(state, &ignoreEvent, event);
}
BENCHMARK(BM_EmptyFunction);

void BM_TalkIgnored(benchmark::State& state, std::uint32_t code) {
  BenchHost host;
  host.connect(kHandle);
  const Player* player = host.addPlayer("Mover", 1);
  BotEvent event = code == EVENT_PlayerMove ? makePlayerMove(player)
                                            : makePlayerWeapon(player, 3);
  event.handle = kHandle;
  callThrough(state, &talk, event);
}
BENCHMARK_CAPTURE(BM_TalkIgnored, PlayerMove, EVENT_PlayerMove);
BENCHMARK_CAPTURE(BM_TalkIgnored, PlayerWeapon, EVENT_PlayerWeapon);

// A host with many bots: the ignored event of the last bot connected, with
// 1, 100 and 10,000 bots; and a chat line of a type that is no lag line,
// which finds its bot's record before the bot passes over it. Finding the
// record costs the same whatever the number of bots.
void BM_TalkManyBots(benchmark::State& state, bool handled) {
  BenchHost host;
  const CALL_HANDLE bots = static_cast<CALL_HANDLE>(state.range(0));
  for (CALL_HANDLE handle = 1; handle <= bots; ++handle) host.connect(handle);
  const Player* player = host.addPlayer("Mover", 1);
  BotEvent event = handled ? makeChat(1, 0, player, "hello")
                           : makePlayerMove(player);
  event.handle = bots;
  callThrough(state, &talk, event);
}
BENCHMARK_CAPTURE(BM_TalkManyBots, Ignored, false)
    ->Arg(1)->Arg(100)->Arg(10000);
BENCHMARK_CAPTURE(BM_TalkManyBots, FoundAndPassedOver, true)
    ->Arg(1)->Arg(100)->Arg(10000);

}  // namespace
