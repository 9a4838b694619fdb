// tickCount on Windows: the system's millisecond tick counter, in hundredths.
#include <windows.h>

#include <cstdint>

#include "util/text.h"

std::uint32_t tickCount() {
  return static_cast<std::uint32_t>(GetTickCount()) / 10u;
}
