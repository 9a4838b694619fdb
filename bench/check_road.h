// CheckRoad: the whole lag check that the benchmarks, the call timing host
// and the allocation test run, always the same 11 records. A staff member
// types "!lagcheck bob" (parsed once, outside any measurement: parsing is
// the host's work); the plug-in answers privately and sends "*lag" to Bob;
// the zone server's PING line for Bob is over every limit; the plug-in
// reports it to the arena, sends the five lagger lines, and in dealing mode 3
// the lock message and "*spec". Twenty bystanders share the arena.
//
// Both the plug-in and the plain C baseline (plain_check.h) are connected
// with an Init of the same player list and the same callback, deliver(),
// which counts the records and, while a capture is on, keeps their texts.
#ifndef TARVOK_BENCH_CHECK_ROAD_H_
#define TARVOK_BENCH_CHECK_ROAD_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/bot_event.h"
#include "host/linked_list.h"
#include "util/command.h"
#include "util/player.h"

// The type of `talk`, and of every entry point measured against it.
typedef void(TARVOK_STDCALL* TalkEntry)(BotEvent& event);

class CheckRoad {
 public:
  // "tarvok.ini" for the plug-in: reports to the arena, dealing mode 3.
  static const char kConfig[];
  static const char kLagLine[];

  explicit CheckRoad(CALL_HANDLE handle);
  ~CheckRoad();
  CheckRoad(const CheckRoad&) = delete;
  CheckRoad& operator=(const CheckRoad&) = delete;

  // The Init that connects a bot to this road's list and to deliver().
  BotEvent init() const;
  // The two events of a check: the command and the server's answer.
  const BotEvent& command() const { return command_; }
  const BotEvent& answer() const { return answer_; }
  // One whole check: the command, then the server's answer.
  void run(TalkEntry entry) {
    entry(command_);
    entry(answer_);
  }

  // Records delivered since the program started.
  static std::uint64_t recordCount();
  // The records of one check through `entry`, one line each: the command
  // code, chat type, target ident and text.
  std::vector<std::string> captureCheck(TalkEntry entry);
  // Empty when `a` and `b` gave the same records, else the first difference.
  static std::string firstDifference(const std::vector<std::string>& a,
                                     const std::vector<std::string>& b);

 private:
  static void TARVOK_STDCALL deliver(BotEvent& record);

  _linkedlist<Player> players_;  // keeps its items: owned_ owns them
  std::vector<std::unique_ptr<Player>> owned_;
  Command lagcheck_;
  BotEvent command_;
  BotEvent answer_;
  CALL_HANDLE handle_;
};

#endif  // TARVOK_BENCH_CHECK_ROAD_H_
