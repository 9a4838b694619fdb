// Counts the heap allocations the loaded plug-in makes through operator new,
// where the platform lets a host see them: on ELF systems the host's own
// operator new replaces the one a loaded library calls. A Windows DLL links
// its C++ run-time statically, and its allocations stay out of sight.
#ifndef TARVOK_BENCH_CALL_TIMING_ALLOCATION_PROBE_H_
#define TARVOK_BENCH_CALL_TIMING_ALLOCATION_PROBE_H_

#include <cstdint>

// Whether allocationsSeen() includes the plug-in's allocations.
bool allocationsVisible();
// Allocations through operator new since the program started.
std::uint64_t allocationsSeen();

#endif  // TARVOK_BENCH_CALL_TIMING_ALLOCATION_PROBE_H_
