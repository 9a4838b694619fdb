// tickCount on POSIX systems: the monotonic clock in milliseconds, wrapped to
// 32 bits like the Windows tick counter, then in hundredths.
#include <time.h>

#include <cstdint>

#include "util/text.h"

std::uint32_t tickCount() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t milliseconds =
      static_cast<std::uint64_t>(now.tv_sec) * 1000u +
      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(milliseconds) / 10u;
}
