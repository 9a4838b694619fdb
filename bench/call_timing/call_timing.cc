// tarvok_call_timing: what a host pays for an event the plug-in ignores, in
// the library as it ships. It loads the plug-in and tarvok_empty (the same
// export, doing nothing) the way the host does, connects one bot, and then
// runs rounds that time a batch of calls of each: the empty `talk`, and the
// plug-in's `talk` with a PlayerMove, a PlayerWeapon and an ArenaEnter (which
// a tarvok.ini without arena sections, as here, leaves ignored). The kinds take
// turns within every round, so that a busy neighbour on a shared machine
// slows all of them alike; the report gives each kind's median time per call
// over the rounds and its ratio to the empty call.
//
//   tarvok_call_timing [--library PATH] [--empty PATH] [--rounds N]
//                      [--calls N]
//
// Exit status: 0 when the run went through, 1 when the plug-in allocated
// while ignoring events, 2 for a bad argument or a library that cannot be
// used.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "allocation_probe.h"
#include "host/event_makers.h"
#include "host/linked_list.h"
#include "hostkit/host_platform.h"
#include "hostkit/plugin_library.h"
#include "hostkit/work_folder.h"
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

// Nanoseconds per call of `calls` calls. The function is read from a
// volatile before every call, as a host reads it from its plug-in table.
double timeCalls(TalkFunction function, BotEvent& event, long calls) {
  TalkFunction volatile target = function;
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < calls; ++i) target(event);
  const auto stop = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::nano>(stop - start).count() /
         static_cast<double>(calls);
}

double median(std::vector<double> values) {
  const std::size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + middle, values.end());
  return values[middle];
}

struct Kind {
  const char* name;
  TalkFunction function;
  BotEvent event;
  std::vector<double> nanoseconds;
};

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

  std::vector<Kind> kinds = {
      {"empty talk (baseline)", empty.talk(), makePlayerMove(&mover), {}},
      {"talk, ignored PlayerMove", plugin.talk(), makePlayerMove(&mover), {}},
      {"talk, ignored PlayerWeapon",
       plugin.talk(),
       makePlayerWeapon(&mover, 3),
       {}},
      {"talk, ArenaEnter, no section",
       plugin.talk(),
       makeArenaEnter("public", &mover, 0),
       {}},
  };
  for (Kind& kind : kinds) {
    kind.event.handle = 1;
    kind.nanoseconds.reserve(static_cast<std::size_t>(options.rounds));
  }

  // One round unmeasured, to warm caches and clocks up.
  for (Kind& kind : kinds) timeCalls(kind.function, kind.event, options.calls);
  const std::uint64_t allocationsBefore = allocationsSeen();
  for (long round = 0; round < options.rounds; ++round) {
    for (std::size_t turn = 0; turn < kinds.size(); ++turn) {
      Kind& kind =
          kinds[(turn + static_cast<std::size_t>(round)) % kinds.size()];
      kind.nanoseconds.push_back(
          timeCalls(kind.function, kind.event, options.calls));
    }
  }
  const std::uint64_t allocations = allocationsSeen() - allocationsBefore;

  std::printf(
      "Calls through the loaded libraries: %s against %s,\n"
      "%ld rounds of %ld calls of each kind (medians per call)\n",
      std::filesystem::path(options.library).filename().string().c_str(),
      std::filesystem::path(options.empty).filename().string().c_str(),
      options.rounds, options.calls);
  const double baseline = median(kinds[0].nanoseconds);
  for (const Kind& kind : kinds) {
    const double nanoseconds = median(kind.nanoseconds);
    std::printf("  %-28s %8.2f ns  %6.2f x baseline\n", kind.name, nanoseconds,
                nanoseconds / baseline);
  }
  if (allocationsVisible()) {
    std::printf("  allocations while ignoring events: %llu\n",
                static_cast<unsigned long long>(allocations));
  } else {
    std::printf(
        "  allocations while ignoring events: not visible on this platform\n");
  }
  return allocations == 0 ? 0 : 1;
}
