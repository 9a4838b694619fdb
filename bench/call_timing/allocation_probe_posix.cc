// The program's operator new, the benchmarks' counting one, which a loaded
// shared library calls too.
#include "allocation_counter.h"
#include "allocation_probe.h"

bool allocationsVisible() { return true; }
std::uint64_t allocationsSeen() { return allocationCount(); }
