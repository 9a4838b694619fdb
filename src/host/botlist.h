// The registry of bot instances: one botInfo per host bot handle, created by
// `talk` on the first event of a handle that an instance acts on, and
// destroyed with the library.
#ifndef TARVOK_HOST_BOTLIST_H_
#define TARVOK_HOST_BOTLIST_H_

#include "host/bot_event.h"
#include "host/linked_list.h"

class botInfo;

extern _linkedlist<botInfo> botlist;

// The instance registered for `handle`, or nullptr.
botInfo* findInstance(CALL_HANDLE handle);

#endif  // TARVOK_HOST_BOTLIST_H_
