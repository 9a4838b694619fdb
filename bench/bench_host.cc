#include "bench_host.h"

#include "host/botlist.h"
#include "host/event_makers.h"
#include "spawn/spawn.h"

namespace {
std::uint64_t records = 0;
}

void TARVOK_STDCALL ignoreEvent(BotEvent&) {}

BenchHost::BenchHost() { list_.keepItems = 1; }

BenchHost::~BenchHost() {
  botlist.clear();
  list_.clear();
}

Player* BenchHost::addPlayer(const std::string& name, std::uint16_t ident,
                             std::uint32_t accessLevel, std::uint8_t ship) {
  owned_.push_back(std::make_unique<Player>(ident, name.c_str(), "", 0, 0, 0, 0,
                                            0, ship, 0, 0));
  Player* player = owned_.back().get();
  player->accessLevel = accessLevel;
  list_.appendItem(player);
  return player;
}

void BenchHost::connect(CALL_HANDLE handle) {
  BotEvent init = makeInit(kHostInterfaceVersion, &BenchHost::countRecord,
                           &list_, nullptr, nullptr, nullptr);
  init.handle = handle;
  talk(init);
}

std::uint64_t BenchHost::recordCount() { return records; }

void TARVOK_STDCALL BenchHost::countRecord(BotEvent&) { ++records; }
