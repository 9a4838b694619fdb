// What a host program needs of its platform beyond the C++ library: where its
// own executable lies (the plug-in library is looked for beside it), whether
// a stream is a terminal, and whether an output terminal shows colours.
#ifndef TARVOK_TOOLS_HOSTKIT_HOST_PLATFORM_H_
#define TARVOK_TOOLS_HOSTKIT_HOST_PLATFORM_H_

#include <cstdio>
#include <string>

// The full path of the running program; `argv0` (the program's first
// argument) is the fallback where the system cannot tell.
std::string executablePath(const char* argv0);

// True when `stream` is a terminal (a console), not a file or a pipe.
bool isTerminal(std::FILE* stream);

// True when `stream` is a terminal that understands ANSI colour sequences
// (switching them on where the terminal needs that).
bool terminalShowsColours(std::FILE* stream);

#endif  // TARVOK_TOOLS_HOSTKIT_HOST_PLATFORM_H_
