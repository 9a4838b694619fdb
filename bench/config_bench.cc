// loadConfig of the sample settings file that ships with the plug-in
// (dist/tarvok.ini, or bench/sample_tarvok.ini where there is none).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "allocation_counter.h"
#include "bench_host.h"
#include "spawn/spawn.h"

namespace {

std::string samplePath() {
  const std::filesystem::path shipped =
      std::filesystem::path(TARVOK_SOURCE_DIR) / "dist" / "tarvok.ini";
  std::error_code ignored;
  if (std::filesystem::exists(shipped, ignored)) return shipped.string();
  return (std::filesystem::path(TARVOK_SOURCE_DIR) / "bench" /
          "sample_tarvok.ini")
      .string();
}

void BM_LoadConfig(benchmark::State& state) {
  const std::string path = samplePath();
  std::ifstream in(path, std::ios::binary);
  const std::string contents((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (contents.empty()) {
    state.SkipWithError(("no sample at " + path).c_str());
    return;
  }
  BenchHost host;  // the folder the file is read from
  host.writeConfig(contents);
  botInfo bot(1);
  const std::uint64_t allocationsBefore = allocationCount();
  for (auto _ : state) bot.loadConfig();
  state.counters["allocs/load"] = benchmark::Counter(
      static_cast<double>(allocationCount() - allocationsBefore),
      benchmark::Counter::kAvgIterations);
  state.counters["bytes"] = static_cast<double>(contents.size());
  state.SetLabel(std::filesystem::path(path)
                     .lexically_relative(TARVOK_SOURCE_DIR)
                     .string());
}
BENCHMARK(BM_LoadConfig);

}  // namespace
