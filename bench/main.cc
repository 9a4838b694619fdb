// tarvok_bench: runs every benchmark, then prints the ratios that matter,
// each computed from figures of this same run, and the machine they came
// from.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// The console report, plus each run's real time per iteration (ns) and
// counters, kept by benchmark name for the ratios.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal, so that a saved report stays plain text.
  RecordingReporter()
      : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {
  }

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.iterations == 0) continue;
      Figures& figures = figures_[run.benchmark_name()];
      figures.nanoseconds =
          run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
      figures.cpuNanoseconds =
          run.cpu_accumulated_time * 1e9 / static_cast<double>(run.iterations);
      for (const auto& counter : run.counters) {
        figures.counters[counter.first] = counter.second.value;
      }
    }
  }

  struct Figures {
    double nanoseconds = 0;
    double cpuNanoseconds = 0;
    std::map<std::string, double> counters;

    double counter(const std::string& name) const {
      const auto found = counters.find(name);
      return found == counters.end() ? 0 : found->second;
    }
  };
  // The median over repetitions when there were several
  // (--benchmark_repetitions=N); zero figures for a benchmark that did not
  // run (filtered out).
  Figures figures(const std::string& name) const {
    auto found = figures_.find(name + "_median");
    if (found == figures_.end()) found = figures_.find(name);
    return found == figures_.end() ? Figures() : found->second;
  }

 private:
  std::map<std::string, Figures> figures_;
};

std::string cpuModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0) {
      const std::size_t colon = line.find(':');
      return colon == std::string::npos ? line : line.substr(colon + 2);
    }
  }
  return "unknown";
}

void printRatio(const char* what, double numerator, double denominator,
                const char* note) {
  if (numerator <= 0 || denominator <= 0) return;
  std::printf("  %-52s %8.2f  %s\n", what, numerator / denominator, note);
}

void printSummary(const RecordingReporter& reporter) {
  const auto empty = reporter.figures("BM_EmptyFunction");
  const auto move = reporter.figures("BM_TalkIgnored/PlayerMove");
  const auto weapon = reporter.figures("BM_TalkIgnored/PlayerWeapon");
  const auto tick100 = reporter.figures("BM_Tick/100");
  const auto tick1000 = reporter.figures("BM_Tick/1000");
  const auto watched100 = reporter.figures("BM_TickWatched/100");
  const auto watched1000 = reporter.figures("BM_TickWatched/1000");
  const auto check = reporter.figures("BM_WholeCheck");
  const auto plain = reporter.figures("BM_PlainCheck");
  const auto config = reporter.figures("BM_LoadConfig");

  std::printf("\nMachine: %u cores, %s\n", std::thread::hardware_concurrency(),
              cpuModel().c_str());
  std::printf("Ratios (figures of this run):\n");
  printRatio("talk, ignored PlayerMove / empty function", move.nanoseconds,
             empty.nanoseconds, "(limit 2)");
  printRatio("talk, ignored PlayerWeapon / empty function", weapon.nanoseconds,
             empty.nanoseconds, "(limit 2)");
  for (const char* bots : {"1", "100", "10000"}) {
    const std::string name = std::string("talk, ignored, ") + bots +
                             " bots / empty function";
    printRatio(name.c_str(),
               reporter.figures(std::string("BM_TalkManyBots/Ignored/") + bots)
                   .nanoseconds,
               empty.nanoseconds, "(limit 2)");
  }
  printRatio("talk, a bot's record found, 10000 bots / 1 bot",
             reporter.figures("BM_TalkManyBots/FoundAndPassedOver/10000")
                 .nanoseconds,
             reporter.figures("BM_TalkManyBots/FoundAndPassedOver/1")
                 .nanoseconds,
             "(limit 2; a walk: about 10000)");
  printRatio("Tick, 1000 players / 100 players", tick1000.nanoseconds,
             tick100.nanoseconds, "(limit 15; linear: 10)");
  printRatio("Tick with the lag watch, 1000 players / 100 players",
             watched1000.nanoseconds, watched100.nanoseconds,
             "(limit 15; linear: 10)");
  printRatio("whole check / the same check in plain C", check.nanoseconds,
             plain.nanoseconds, "(goal 1)");
  // The two run one after the other, not in turns: on a busy machine their
  // CPU times compare better than their wall-clock times.
  printRatio("the same, by CPU time", check.cpuNanoseconds,
             plain.cpuNanoseconds, "(goal 1)");
  if (check.nanoseconds > 0) {
    std::printf("  %-52s %8.0f ns\n",
                "whole check (command, PING line, dealing)", check.nanoseconds);
    std::printf("  %-52s %8.2f\n", "allocations per whole check",
                check.counter("allocs/check"));
  }
  if (plain.nanoseconds > 0) {
    std::printf("  %-52s %8.0f ns\n", "the same check in plain C",
                plain.nanoseconds);
  }
  if (config.nanoseconds > 0) {
    std::printf("  %-52s %8.0f ns\n", "loadConfig of the sample file",
                config.nanoseconds);
  }
  std::printf("  %-52s %8.2f\n", "allocations per ignored PlayerMove",
              move.counter("allocs/event"));
  std::printf("  %-52s %8.2f\n", "allocations per ignored PlayerWeapon",
              weapon.counter("allocs/event"));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::cout.flush();  // the report went through std::cout
  printSummary(reporter);
  return 0;
}
