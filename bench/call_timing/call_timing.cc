// tarvok_call_timing: what a host pays for the plug-in's `talk`, in the
// library as it ships. It loads the plug-in and tarvok_empty (the same
// export, doing nothing) the way the host does and connects two bots. It
// times batches of calls of each kind: the empty `talk`, and the plug-in's
// `talk` with a PlayerMove, a PlayerWeapon and an ArenaEnter, which it
// ignores (the work folder's tarvok.ini has no arena sections); and
// whole checks (bench/check_road.h) through the plug-in and through the
// plain C baseline built into this program, after making sure that both
// give the same records. The kinds take turns within every round, so that a
// busy neighbour on a shared machine slows all of them alike; the report
// gives each kind's median time per call (per check) over the rounds, the
// ignored events' ratio to the empty call and the check's ratio to the plain
// C one, and the plug-in's allocations where the platform shows them.
//
//   tarvok_call_timing [--library PATH] [--empty PATH] [--rounds N]
//                      [--calls N]
//
// A round makes N calls of each event kind and N / 100 (at least one) whole
// checks of each check kind.
//
// Exit status: 0 when the run went through, 1 when the plug-in allocated
// while ignoring events or its check's records differ from the baseline's,
// 2 for a bad argument or a library that cannot be used.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "allocation_probe.h"
#include "check_road.h"
#include "host/event_makers.h"
#include "host/linked_list.h"
#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/work_folder.h"
#include "plain_check.h"
#include "util/player.h"

namespace {

const int kFailed = 2;

struct Options {
  std::string library;
  std::string empty;
  long rounds = 41;
  long calls = 200000;
};

bool parseCount(const char* text, long* value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed <= 0) return false;
  *value = parsed;
  return true;
}

bool parseOptions(int argc, char** argv, Options* options) {
  const std::filesystem::path folder =
      std::filesystem::path(executablePath(argv[0])).parent_path();
  const std::filesystem::path plugin = PluginLibrary::defaultFileName();
  options->library = (folder / plugin).string();
  options->empty =
      (folder / ("tarvok_empty" + plugin.extension().string())).string();
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 == argc) return false;
    const char* value = argv[++i];
    if (option == "--library") {
      options->library = value;
    } else if (option == "--empty") {
      options->empty = value;
    } else if (option == "--rounds") {
      if (!parseCount(value, &options->rounds)) return false;
    } else if (option == "--calls") {
      if (!parseCount(value, &options->calls)) return false;
    } else {
      return false;
    }
  }
  return true;
}

void TARVOK_STDCALL ignoreRecord(BotEvent&) {}

struct Kind {
  const char* name;
  TalkFunction function;
  BotEvent event;   // one event per call, or
  CheckRoad* road;  // a whole check per call
  std::vector<double> nanoseconds;
};

// Nanoseconds per call of `calls` calls. The function is read from a
// volatile before every call, as a host reads it from its plug-in table.
double timeCalls(Kind& kind, long calls) {
  TalkFunction volatile target = kind.function;
  const auto start = std::chrono::steady_clock::now();
  if (kind.road != nullptr) {
    for (long i = 0; i < calls; ++i) kind.road->run(target);
  } else {
    for (long i = 0; i < calls; ++i) target(kind.event);
  }
  const auto stop = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::nano>(stop - start).count() /
         static_cast<double>(calls);
}

// Runs the rounds over `kinds`, and returns the allocations seen while
// they ran.
std::uint64_t timeRounds(std::vector<Kind>& kinds, long rounds, long calls) {
  // One round unmeasured, to warm caches and clocks up.
  for (Kind& kind : kinds) {
    kind.nanoseconds.reserve(static_cast<std::size_t>(rounds));
    timeCalls(kind, calls);
  }
  const std::uint64_t allocationsBefore = allocationsSeen();
  for (long round = 0; round < rounds; ++round) {
    for (std::size_t turn = 0; turn < kinds.size(); ++turn) {
      Kind& kind =
          kinds[(turn + static_cast<std::size_t>(round)) % kinds.size()];
      kind.nanoseconds.push_back(timeCalls(kind, calls));
    }
  }
  return allocationsSeen() - allocationsBefore;
}

double median(std::vector<double> values) {
  const std::size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + middle, values.end());
  return values[middle];
}

// Each kind's median and its ratio to the first kind's.
void printMedians(const std::vector<Kind>& kinds) {
  const double baseline = median(kinds[0].nanoseconds);
  for (const Kind& kind : kinds) {
    const double nanoseconds = median(kind.nanoseconds);
    std::printf("  %-28s %8.2f ns  %6.2f x baseline\n", kind.name, nanoseconds,
                nanoseconds / baseline);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: tarvok_call_timing [--library PATH] [--empty PATH] "
                 "[--rounds N] [--calls N]\n");
    return kFailed;
  }
  WorkFolder folder;  // the plug-in reads and creates tarvok.ini here
  WorkFolder::Visit visit(folder);
  if (!folder.ready() || !visit.entered()) {
    std::fprintf(stderr, "tarvok_call_timing: %s\n",
                 (folder.ready() ? visit.error() : folder.error()).c_str());
    return kFailed;
  }
  std::ofstream(folder.path() / "tarvok.ini", std::ios::binary)
      << CheckRoad::kConfig;
  PluginLibrary plugin;
  PluginLibrary empty;
  std::string error;
  if (!plugin.load(options.library, &error) ||
      !empty.load(options.empty, &error)) {
    std::fprintf(stderr, "tarvok_call_timing: %s\n", error.c_str());
    return kFailed;
  }

  _linkedlist<Player> players;
  players.keepItems = 1;
  Player mover(1, "Mover", "", 0, 0, 0, 0, 0, 0, 0, 0);
  players.appendItem(&mover);
  BotEvent init = makeInit(kHostInterfaceVersion, &ignoreRecord, &players,
                           nullptr, nullptr, nullptr);
  init.handle = 1;
  plugin.talk()(init);

  CheckRoad road(2);
  BotEvent roadInit = road.init();
  plugin.talk()(roadInit);
  plainCheckTalk(roadInit);
  const std::string difference = CheckRoad::firstDifference(
      road.captureCheck(plugin.talk()), road.captureCheck(&plainCheckTalk));
  if (!difference.empty()) {
    std::fprintf(stderr,
                 "tarvok_call_timing: the check's records differ from the "
                 "plain C baseline's, %s\n",
                 difference.c_str());
    return 1;
  }

  std::vector<Kind> events = {
      {"empty talk (baseline)",
       empty.talk(),
       makePlayerMove(&mover),
       nullptr,
       {}},
      {"talk, ignored PlayerMove",
       plugin.talk(),
       makePlayerMove(&mover),
       nullptr,
       {}},
      {"talk, ignored PlayerWeapon",
       plugin.talk(),
       makePlayerWeapon(&mover, 3),
       nullptr,
       {}},
      {"talk, ArenaEnter, no section",
       plugin.talk(),
       makeArenaEnter("public", &mover, 0),
       nullptr,
       {}},
  };
  for (Kind& kind : events) kind.event.handle = 1;
  std::vector<Kind> checks = {
      {"plain C check (baseline)", &plainCheckTalk, {}, &road, {}},
      {"whole check", plugin.talk(), {}, &road, {}},
  };
  const long checkCalls = std::max(1L, options.calls / 100);
  const std::uint64_t ignoringAllocations =
      timeRounds(events, options.rounds, options.calls);
  const std::uint64_t checkAllocations =
      timeRounds(checks, options.rounds, checkCalls);

  std::printf(
      "Calls through the loaded libraries: %s against %s,\n"
      "%ld rounds of %ld calls of each kind (medians per call)\n",
      std::filesystem::path(options.library).filename().string().c_str(),
      std::filesystem::path(options.empty).filename().string().c_str(),
      options.rounds, options.calls);
  printMedians(events);
  std::printf(
      "Whole checks (11 records, bench/check_road.h), %ld rounds of %ld\n"
      "checks of each (medians per check)\n",
      options.rounds, checkCalls);
  printMedians(checks);
  if (allocationsVisible()) {
    std::printf("  allocations while ignoring events: %llu\n",
                static_cast<unsigned long long>(ignoringAllocations));
    // The plain C check allocates nothing: every allocation is the
    // plug-in's.
    std::printf("  allocations per whole check: %.2f\n",
                static_cast<double>(checkAllocations) /
                    static_cast<double>(options.rounds * checkCalls));
  } else {
    std::printf("  allocations: not visible on this platform\n");
  }
  return ignoringAllocations == 0 ? 0 : 1;
}
