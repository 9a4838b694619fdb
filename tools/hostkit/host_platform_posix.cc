// POSIX: /proc/self/exe where it exists, isatty for terminals, and a
// signal handler that only writes the signal's number to a pipe, for a
// thread that reads it to do the work no signal handler may do.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <iterator>
#include <thread>

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

namespace {

const int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[std::size(kInterruptions)];
int interruptPipe[2] = {-1, -1};
void (*interruptWork)() = nullptr;

extern "C" void noteInterruption(int signal) {
  const unsigned char number = static_cast<unsigned char>(signal);
  const int savedErrno = errno;
  ssize_t ignored = write(interruptPipe[1], &number, 1);
  static_cast<void>(ignored);
  errno = savedErrno;
}

void awaitInterruption() {
  unsigned char number = 0;
  while (read(interruptPipe[0], &number, 1) != 1) {
    if (errno != EINTR) return;
  }
  interruptWork();
  for (std::size_t i = 0; i < std::size(kInterruptions); ++i) {
    if (kInterruptions[i] == number) {
      sigaction(number, &previousActions[i], nullptr);
    }
  }
  // Under the previous action, which is mostly the default: the end.
  kill(getpid(), number);
}

}  // namespace

void callOnInterrupt(void (*onInterrupt)()) {
  if (interruptWork != nullptr) return;
  if (pipe(interruptPipe) != 0) return;
  for (int end : interruptPipe) fcntl(end, F_SETFD, FD_CLOEXEC);
  interruptWork = onInterrupt;
  std::thread(awaitInterruption).detach();
  struct sigaction action = {};
  action.sa_handler = noteInterruption;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kInterruptions); ++i) {
    sigaction(kInterruptions[i], nullptr, &previousActions[i]);
    if (previousActions[i].sa_handler != SIG_IGN) {
      sigaction(kInterruptions[i], &action, nullptr);
    }
  }
}
