// What a host program needs of its platform beyond the C++ library: where its
// own executable lies (the plug-in library is looked for beside it), reading
// a growing file at an offset, whether
// a stream is a terminal, whether an output terminal shows colours, and a
// last word when the user interrupts the program.
#ifndef TARVOK_TOOLS_HOSTKIT_HOST_PLATFORM_H_
#define TARVOK_TOOLS_HOSTKIT_HOST_PLATFORM_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The full path of the running program; `argv0` (the program's first
// argument) is the fallback where the system cannot tell.
std::string executablePath(const char* argv0);

// True when `stream` is a terminal (a console), not a file or a pipe.
bool isTerminal(std::FILE* stream);

// True when `stream` is a terminal that understands ANSI colour sequences
// (switching them on where the terminal needs that).
bool terminalShowsColours(std::FILE* stream);

// Reads up to `size` bytes of `file` from byte `offset` on into `buffer`:
// the count read, 0 at the end or on a failure. On POSIX one system call
// that leaves the stream's position alone (a follower of a growing file
// calls it after every event); elsewhere a seek and a read.
std::size_t readFileAt(std::FILE* file, long offset, char* buffer,
                       std::size_t size);

// What tells a file from every other while it exists, whatever its name:
// on POSIX its device and inode, on Windows its volume and file index.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && index == other.index;
  }
  bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

// The identity and size of the open `file`; false when the system cannot
// tell.
bool identityOf(std::FILE* file, FileIdentity* identity, std::uint64_t* size);

// The identity and size of the regular file at `path`, in one look that
// opens nothing; false when there is none (no file, a folder, a device, a
// pipe) or the system cannot tell.
bool identityOfRegularFile(const std::string& path, FileIdentity* identity,
                           std::uint64_t* size);

// True where a file may be renamed while another program holds it open
// (POSIX); on Windows a reader holding it would make the renaming fail.
bool openFilesMayBeRenamed();

// Runs `work(job)` for every job from 0 to jobs - 1, in up to `processes`
// processes at once, and puts what each returns into (*results)[job];
// `finished` is called in this process with the count of jobs done so far
// as they finish. On POSIX the jobs run in forked children (each takes
// the next job nobody has taken, as it becomes free, and sends its results
// back through a pipe), so they share nothing they change, the current
// folder included; elsewhere they run one after another in this process.
// A child's temporary files go into a folder of its own, removed when the
// child has ended, however it ended. When no child could be started (a
// limit on processes or open files) the jobs run here; a job that throws
// returns "the replay stopped: " and the reason. An interruption of this process (see callOnInterrupt) ends the
// children and waits for them first. False when a child ended before its
// jobs were done.
bool runJobs(std::size_t jobs, unsigned processes,
             const std::function<std::string(std::size_t job)>& work,
             const std::function<void(std::size_t finished)>& finished,
             std::vector<std::string>* results);

// From now on, when the user interrupts the program (Ctrl-C; on POSIX also
// SIGTERM, SIGHUP, and SIGPIPE when the reader of its output went away),
// calls `onInterrupt` once, from a thread of its own while the rest of the
// program runs on, and then lets the interruption take its course: the
// program ends as it would have without this call (or, where another
// handler was in place, that handler runs). An interruption the program
// ignored stays ignored. Each call adds a function; they are called in the
// order they were added.
void callOnInterrupt(void (*onInterrupt)());

#endif  // TARVOK_TOOLS_HOSTKIT_HOST_PLATFORM_H_
