#include "check_road.h"

#include <cstdio>

#include "host/event_makers.h"

namespace {

constexpr int kBystanders = 20;

std::uint64_t records = 0;
std::vector<std::string>* captured = nullptr;

}  // namespace

const char CheckRoad::kConfig[] =
    "display=1\ndeal=3\nLockMessage=Moved to spectator mode\n";
const char CheckRoad::kLagLine[] =
    "PING Current:900 ms  Average:850 ms  Low:80 ms  High:1200 ms  S2C: 9.5%  "
    "C2S: 7.0%  S2CWeapons: 3.0%";

CheckRoad::CheckRoad(CALL_HANDLE handle)
    : lagcheck_("lagcheck bob"), handle_(handle) {
  players_.keepItems = 1;
  auto add = [this](const std::string& name, std::uint16_t ident,
                    std::uint32_t level) {
    owned_.push_back(std::make_unique<Player>(ident, name.c_str(), "", 0, 0, 0,
                                              0, 0, 0, 0, 0));
    owned_.back()->accessLevel = level;
    players_.appendItem(owned_.back().get());
    return owned_.back().get();
  };
  for (int i = 0; i < kBystanders; ++i) {
    add("Player" + std::to_string(i), static_cast<std::uint16_t>(i), OP_Player);
  }
  add("Bob", 100, OP_Player);
  const Player* staff = add("Staff", 101, OP_SuperModerator);
  command_ = makeLocalCommand(staff, &lagcheck_);
  command_.handle = handle;
  answer_ = makeChat(0, 0, nullptr, kLagLine);
  answer_.handle = handle;
}

CheckRoad::~CheckRoad() { players_.clear(); }

BotEvent CheckRoad::init() const {
  BotEvent event = makeInit(kHostInterfaceVersion, &CheckRoad::deliver,
                            const_cast<_linkedlist<Player>*>(&players_),
                            nullptr, nullptr, nullptr);
  event.handle = handle_;
  return event;
}

std::uint64_t CheckRoad::recordCount() { return records; }

std::vector<std::string> CheckRoad::captureCheck(TalkEntry entry) {
  std::vector<std::string> lines;
  captured = &lines;
  run(entry);
  captured = nullptr;
  return lines;
}

std::string CheckRoad::firstDifference(const std::vector<std::string>& a,
                                       const std::vector<std::string>& b) {
  for (std::size_t i = 0; i < a.size() || i < b.size(); ++i) {
    const std::string left = i < a.size() ? a[i] : "(none)";
    const std::string right = i < b.size() ? b[i] : "(none)";
    if (left != right) {
      return "record " + std::to_string(i + 1) + ": " + left + " | " + right;
    }
  }
  return "";
}

void TARVOK_STDCALL CheckRoad::deliver(BotEvent& record) {
  ++records;
  if (captured == nullptr) return;
  const char* text = pointerOf<const char>(
      record.p[record.code == COMMAND_SendChat ? 3 : 0]);
  char head[64];
  std::snprintf(head, sizeof head, "%lu %lu %lu \"",
                static_cast<unsigned long>(record.code),
                static_cast<unsigned long>(record.p[0]),
                static_cast<unsigned long>(record.p[2]));
  captured->push_back(head + std::string(text == nullptr ? "" : text) + "\"");
}
