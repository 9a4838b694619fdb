// The bytes the whole process holds on the heap at the moment, for the
// memory soak, which compares them between two points of a long run. Not
// every platform can tell.
#ifndef TARVOK_TOOLS_SIM_LIVE_HEAP_H_
#define TARVOK_TOOLS_SIM_LIVE_HEAP_H_

#include <cstdint>

// False where the platform cannot tell.
bool liveHeapBytes(std::uint64_t* bytes);

#endif  // TARVOK_TOOLS_SIM_LIVE_HEAP_H_
