// The library's entry point and its registry of bot instances.
#include "host/bot_event.h"
#include "host/bot_index.h"
#include "host/botlist.h"
#include "spawn/handled_events.h"
#include "spawn/spawn.h"

_linkedlist<botInfo> botlist;

namespace {

// botlist's instances by handle. It holds as many as botlist while the two
// are in step; a botlist cleared behind its back (an unload, a test) has
// fewer, and the index is built again from the list before it is used.
BotIndex botIndex;

// Builds the index from botlist; false when memory ran out.
bool rebuildIndex() {
  botIndex.clear();
  for (_listnode<botInfo>* node = botlist.head; node != nullptr;
       node = node->next) {
    if (!botIndex.add(node->item->handle, node->item)) {
      botIndex.clear();
      return false;
    }
  }
  return true;
}

}  // namespace

botInfo* findInstance(CALL_HANDLE handle) {
  if (botIndex.size() == botlist.count || rebuildIndex()) {
    return botIndex.find(handle);
  }
  for (_listnode<botInfo>* node = botlist.head; node != nullptr;
       node = node->next) {
    if (node->item->ownsHandle(handle)) return node->item;
  }
  return nullptr;
}

namespace {

// Hands a handled event to its bot's instance, creating the instance for a
// new handle. Out of line, so that `talk` leaves for an ignored event
// without setting up what this needs.
[[gnu::noinline]] void deliver(BotEvent& event) {
  // Nothing may cross into the host as an exception.
  try {
    botInfo* instance = findInstance(event.handle);
    if (instance == nullptr) {
      instance = new (std::nothrow) botInfo(event.handle);
      if (instance == nullptr) return;
      if (!botlist.appendItem(instance)) {
        delete instance;
        return;
      }
      // Without room in the index, the next lookup tries to build it again.
      if (!botIndex.add(event.handle, instance)) botIndex.clear();
    }
    instance->onEvent(event);
  } catch (...) {
  }
}

}  // namespace

void TARVOK_STDCALL talk(BotEvent& event) {
  // An event no instance acts on needs no instance: leave before the
  // registry walk. The instance of a new handle comes with its first handled
  // event instead, which no bot can tell apart.
  if (isHandledEvent(unsignedOf(event.code))) deliver(event);
}
