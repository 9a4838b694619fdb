// The C library's allocator statistics (glibc): bytes in use in its arenas
// and in blocks of their own mapping.
#include <malloc.h>

#include "sim/live_heap.h"

bool liveHeapBytes(std::uint64_t* bytes) {
  const struct mallinfo2 info = mallinfo2();
  *bytes = info.uordblks + info.hblkhd;
  return true;
}
