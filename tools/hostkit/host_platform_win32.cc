// Windows: GetModuleFileName, and a console switched to ANSI sequences.
#include <io.h>
#include <windows.h>

#include "hostkit/host_platform.h"

std::string executablePath(const char* argv0) {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return std::string(buffer, length);
  return argv0 != nullptr ? argv0 : "";
}

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

bool terminalShowsColours(std::FILE* stream) {
  if (!isTerminal(stream)) return false;
  const int descriptor = _fileno(stream);
  HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  DWORD mode = 0;
  if (!GetConsoleMode(console, &mode)) return false;
  return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) !=
         0;
}
