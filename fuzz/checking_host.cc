#include "checking_host.h"

#include <cstring>

#include "fuzz_check.h"

namespace {

CheckingHost* current = nullptr;

// The status texts the plug-in echoes to its host.
const char* const kStatusLines[] = {
    "DLL plugin connected.",
    "DLL plugin disconnected.",
    "DLL plugin cannot connect.  This plugin is out of date.",
    ("DLL plugin cannot connect.  This plugin requires the latest version of "
     "Corvane."),
};

bool isStatusLine(const std::string& text) {
  for (const char* line : kStatusLines) {
    if (text == line) return true;
  }
  return isLagLogFailure(text);
}

}  // namespace

bool isLagLogFailure(const std::string& text) {
  static constexpr char kLagLogFailure[] = "Lag log: cannot write to ";
  return text.compare(0, sizeof kLagLogFailure - 1, kLagLogFailure) == 0;
}

CheckingHost::CheckingHost() {
  list_.keepItems = 1;
  current = this;
}

CheckingHost::~CheckingHost() {
  list_.clear();
  current = nullptr;
}

Player* CheckingHost::addPlayer(const std::string& nameBytes,
                                std::uint16_t ident, std::uint32_t accessLevel,
                                std::uint8_t ship) {
  auto player =
      std::make_unique<Player>(ident, "", "", 0, 0, 0, 0, 0, ship, 0, 0);
  std::memcpy(player->name, nameBytes.data(),
              nameBytes.size() < sizeof player->name ? nameBytes.size()
                                                     : sizeof player->name);
  player->accessLevel = accessLevel;
  list_.appendItem(player.get());
  owned_.push_back(std::move(player));
  return owned_.back().get();
}

std::unique_ptr<Player> CheckingHost::detachPlayer(std::size_t index) {
  std::unique_ptr<Player> player = std::move(owned_[index]);
  owned_.erase(owned_.begin() + static_cast<std::ptrdiff_t>(index));
  for (_listnode<Player>* node = list_.head; node != nullptr;
       node = node->next) {
    if (node->item == player.get()) {
      list_.removeNode(node);
      break;
    }
  }
  return player;
}

std::vector<ReceivedRecord> CheckingHost::take() {
  std::vector<ReceivedRecord> taken;
  taken.swap(received_);
  return taken;
}

bool CheckingHost::listsIdent(std::uint32_t ident) const {
  for (const _listnode<Player>* node = list_.head; node != nullptr;
       node = node->next) {
    if (node->item->ident == ident) return true;
  }
  return false;
}

void TARVOK_STDCALL CheckingHost::receive(BotEvent& record) {
  FUZZ_CHECK(current != nullptr, "a record arrived with no host");
  current->check(record);
}

void CheckingHost::check(const BotEvent& record) {
  FUZZ_CHECK(record.handle != 0, "a bot of handle 0 sent a record");
  FUZZ_CHECK(record.handle == expectedHandle_,
             "record of handle " + std::to_string(record.handle) +
                 " while calling handle " + std::to_string(expectedHandle_));
  ReceivedRecord copy{unsignedOf(record.code), 0, 0, {}};
  FUZZ_CHECK(record.code == COMMAND_Echo || record.code == COMMAND_SendChat,
             "command code " + std::to_string(record.code));
  const char* text = nullptr;
  int firstUnused = 0;
  if (record.code == COMMAND_Echo) {
    text = pointerOf<const char>(record.p[0]);
    firstUnused = 1;
  } else {
    copy.chatType = unsignedOf(record.p[0]);
    copy.target = unsignedOf(record.p[2]);
    FUZZ_CHECK(record.p[0] == CHAT_Public || record.p[0] == CHAT_Private,
               "chat type " + std::to_string(record.p[0]));
    FUZZ_CHECK(record.p[1] == 0, "sound not 0");
    FUZZ_CHECK(record.p[2] <= 0xFFFFu, "target over 16 bits");
    if (record.p[0] == CHAT_Public) {
      FUZZ_CHECK(record.p[2] == 0, "public line with a target");
    } else {
      FUZZ_CHECK(listsIdent(copy.target), "private line to ident " +
                                              std::to_string(copy.target) +
                                              ", who is not listed");
    }
    text = pointerOf<const char>(record.p[3]);
    firstUnused = 4;
  }
  for (int i = firstUnused; i < 6; ++i) {
    FUZZ_CHECK(record.p[i] == 0, "unused word p[" + std::to_string(i) +
                                     "] is " + std::to_string(record.p[i]));
  }
  FUZZ_CHECK(text != nullptr, "record without text");
  // Reading to the terminator: AddressSanitizer stops an unterminated text.
  copy.text.assign(text, std::strlen(text));
  if (record.code == COMMAND_Echo) {
    FUZZ_CHECK(isStatusLine(copy.text), "echo of '" + copy.text + "'");
  }
  received_.push_back(std::move(copy));
}
