// CheckingHost: the host side of the fuzz targets that drive bots. It keeps
// a player list in the host's layout, serves the command callback, and
// checks every record that arrives: code 0 (Echo) or 1 (SendChat), chat
// type 2 or 5, `s` 0, a public line without target, a private line aimed at
// a listed player, unused words 0, a terminated text, the handle of the bot
// that is being called, and an echo that is one of the status lines. A bad
// record aborts through FUZZ_CHECK. Only one CheckingHost may exist at a
// time (the callback has no context of its own).
#ifndef TARVOK_FUZZ_CHECKING_HOST_H_
#define TARVOK_FUZZ_CHECKING_HOST_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/bot_event.h"
#include "host/linked_list.h"
#include "util/player.h"

// A record as the host received it.
struct ReceivedRecord {
  std::uint32_t code;
  std::uint32_t chatType;  // 0 for an Echo
  std::uint32_t target;
  std::string text;
};

// The one echo about a lag log that cannot be written (it names the file).
// Any event that writes a row may bring it, once per run of failed writes.
bool isLagLogFailure(const std::string& text);

class CheckingHost {
 public:
  CheckingHost();
  ~CheckingHost();
  CheckingHost(const CheckingHost&) = delete;
  CheckingHost& operator=(const CheckingHost&) = delete;

  static CALL_COMMAND callback() { return &CheckingHost::receive; }
  _linkedlist<Player>* players() { return &list_; }

  // Appends a player whose 20-byte name field holds `nameBytes` (at most 20
  // of them, zero-filled after; exactly 20 leave it unterminated).
  Player* addPlayer(const std::string& nameBytes, std::uint16_t ident,
                    std::uint32_t accessLevel, std::uint8_t ship);
  std::size_t playerCount() const { return owned_.size(); }
  Player* playerAt(std::size_t index) { return owned_[index].get(); }
  // Takes the player at `index` off the list first and hands over the
  // record, so that the caller can announce the leave before freeing it.
  std::unique_ptr<Player> detachPlayer(std::size_t index);

  // Records must carry `handle` until the next call.
  void expectHandle(CALL_HANDLE handle) { expectedHandle_ = handle; }
  // The records received since the last take(), oldest first.
  std::vector<ReceivedRecord> take();

 private:
  static void TARVOK_STDCALL receive(BotEvent& record);
  void check(const BotEvent& record);
  bool listsIdent(std::uint32_t ident) const;

  _linkedlist<Player> list_;  // keeps its items: owned_ owns them
  std::vector<std::unique_ptr<Player>> owned_;
  CALL_HANDLE expectedHandle_ = 0;
  std::vector<ReceivedRecord> received_;
};

#endif  // TARVOK_FUZZ_CHECKING_HOST_H_
