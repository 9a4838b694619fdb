// What a host program needs of its platform beyond the C++ library: where its
// own executable lies (the plug-in library is looked for beside it), whether
// a stream is a terminal, whether an output terminal shows colours, and a
// last word when the user interrupts the program.
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

// From now on, when the user interrupts the program (Ctrl-C; on POSIX also
// SIGTERM and SIGHUP), calls `onInterrupt` once, from a thread of its own
// while the rest of the program runs on, and then lets the interruption take
// its course: the program ends as it would have without this call (or, where
// another handler was in place, that handler runs). An interruption the
// program ignored stays ignored. Call it once; later calls do nothing.
void callOnInterrupt(void (*onInterrupt)());

#endif  // TARVOK_TOOLS_HOSTKIT_HOST_PLATFORM_H_
