// POSIX: /proc/self/exe where it exists, isatty for terminals.
#include <unistd.h>

#include <climits>

#include "hostkit/host_platform.h"

std::string executablePath(const char* argv0) {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length > 0 && static_cast<size_t>(length) < sizeof buffer) {
    return std::string(buffer, static_cast<size_t>(length));
  }
  return argv0 != nullptr ? argv0 : "";
}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

bool terminalShowsColours(std::FILE* stream) { return isTerminal(stream); }
