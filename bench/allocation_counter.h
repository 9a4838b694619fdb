// Counts the heap allocations of the whole program: a program that links
// this replaces the global operator new, and the plug-in, linked statically
// or loaded as a shared library, allocates through it. Single-threaded use
// only, like the plug-in.
#ifndef TARVOK_BENCH_ALLOCATION_COUNTER_H_
#define TARVOK_BENCH_ALLOCATION_COUNTER_H_

#include <cstdint>

// Allocations through operator new (every form) since the program started.
std::uint64_t allocationCount();

#endif  // TARVOK_BENCH_ALLOCATION_COUNTER_H_
