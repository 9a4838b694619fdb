// BenchHost: the smallest host that the benchmarks need. It works in a
// temporary folder that is the current directory while it lives (the
// plug-in reads and creates "tarvok.ini" there), keeps a player list in the
// host's layout, connects bots through `talk`, and answers the plug-in's
// records with a callback that only counts them. Destroying it unloads
// every bot, as a library unload does. One BenchHost at a time.
#ifndef TARVOK_BENCH_BENCH_HOST_H_
#define TARVOK_BENCH_BENCH_HOST_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/bot_event.h"
#include "host/linked_list.h"
#include "temp_folder.h"
#include "util/player.h"

// The type of `talk`, and of the baseline it is measured against.
typedef void(TARVOK_STDCALL* EventFunction)(BotEvent& event);

// Does nothing, out of line: the cost of the call itself.
void TARVOK_STDCALL ignoreEvent(BotEvent& event);

class BenchHost {
 public:
  BenchHost();
  ~BenchHost();
  BenchHost(const BenchHost&) = delete;
  BenchHost& operator=(const BenchHost&) = delete;

  // Writes "tarvok.ini"; read at the next connect().
  void writeConfig(const std::string& contents) {
    folder_.write("tarvok.ini", contents);
  }
  Player* addPlayer(const std::string& name, std::uint16_t ident,
                    std::uint32_t accessLevel = OP_Player,
                    std::uint8_t ship = 0);
  // Sends Init (interface version 6.5) to the bot `handle`.
  void connect(CALL_HANDLE handle);
  _linkedlist<Player>* players() { return &list_; }

  // Records the plug-in has sent since the program started.
  static std::uint64_t recordCount();

 private:
  static void TARVOK_STDCALL countRecord(BotEvent& record);

  TempFolder folder_;
  _linkedlist<Player> list_;  // keeps its items: owned_ owns them
  std::vector<std::unique_ptr<Player>> owned_;
};

#endif  // TARVOK_BENCH_BENCH_HOST_H_
