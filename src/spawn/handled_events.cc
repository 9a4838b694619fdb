#include "spawn/handled_events.h"

std::uint32_t handledEventMask = kHandledEvents;

namespace {
std::uint32_t arenaSectionReaders = 0;
}  // namespace

void countArenaSectionReader(bool before, bool now) {
  if (before == now) return;
  if (now) {
    ++arenaSectionReaders;
  } else if (arenaSectionReaders > 0) {
    --arenaSectionReaders;
  }
  handledEventMask = arenaSectionReaders > 0
                         ? kHandledEvents | 1u << EVENT_ArenaEnter
                         : kHandledEvents;
}
