// POSIX: /proc/self/exe where it exists, isatty for terminals, and a
// signal handler that only writes the signal's number to a pipe, for a
// thread that reads it to do the work no signal handler may do.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

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

std::size_t readFileAt(std::FILE* file, long offset, char* buffer,
                       std::size_t size) {
  const ssize_t count = pread(fileno(file), buffer, size, offset);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

namespace {

bool writeAll(int descriptor, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count =
        ::write(descriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace

bool runJobs(std::size_t jobs, unsigned processes,
             const std::function<std::string(std::size_t job)>& work,
             const std::function<void(std::size_t finished)>& finished,
             std::vector<std::string>* results) {
  results->assign(jobs, std::string());
  const std::size_t children =
      std::max<std::size_t>(1, std::min<std::size_t>(processes, jobs));
  struct Child {
    pid_t pid;
    int pipe;
    std::string received;
  };
  std::vector<Child> running;
  std::fflush(nullptr);  // nothing buffered is written twice
  for (std::size_t index = 0; index < children && jobs > 0; ++index) {
    int ends[2];
    if (pipe(ends) != 0) break;
    const pid_t pid = fork();
    if (pid < 0) {
      close(ends[0]);
      close(ends[1]);
      break;
    }
    if (pid == 0) {
      // A write to a reader that went away fails here, and is the child's
      // own business: not an interruption of its parent.
      signal(SIGPIPE, SIG_DFL);
      close(ends[0]);
      for (const Child& other : running) close(other.pipe);
      // Each result goes as "JOB SIZE\n" and its bytes.
      for (std::size_t job = index; job < jobs; job += children) {
        const std::string result = work(job);
        if (!writeAll(ends[1], std::to_string(job) + " " +
                                   std::to_string(result.size()) + "\n" +
                                   result)) {
          _exit(1);
        }
      }
      std::fflush(nullptr);
      _exit(0);
    }
    close(ends[1]);
    running.push_back(Child{pid, ends[0], std::string()});
  }
  if (running.empty()) return false;
  std::size_t done = 0;
  std::vector<pollfd> waiting;
  bool complete = true;
  while (true) {
    waiting.clear();
    for (const Child& child : running) {
      if (child.pipe >= 0) waiting.push_back(pollfd{child.pipe, POLLIN, 0});
    }
    if (waiting.empty()) break;
    if (poll(waiting.data(), waiting.size(), -1) < 0) {
      if (errno == EINTR) continue;
      complete = false;
      break;
    }
    for (Child& child : running) {
      if (child.pipe < 0) continue;
      bool ready = false;
      for (const pollfd& entry : waiting) {
        ready = ready || (entry.fd == child.pipe && entry.revents != 0);
      }
      if (!ready) continue;
      char buffer[4096];
      const ssize_t count = read(child.pipe, buffer, sizeof buffer);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) {
        close(child.pipe);
        child.pipe = -1;
        continue;
      }
      child.received.append(buffer, static_cast<std::size_t>(count));
      while (true) {
        const std::size_t line = child.received.find('\n');
        if (line == std::string::npos) break;
        unsigned long long job = 0, size = 0;
        if (std::sscanf(child.received.c_str(), "%llu %llu", &job, &size) !=
                2 ||
            job >= jobs) {
          complete = false;
          child.received.clear();
          break;
        }
        if (child.received.size() < line + 1 + size) break;
        (*results)[job] = child.received.substr(line + 1, size);
        child.received.erase(0, line + 1 + size);
        finished(++done);
      }
    }
  }
  for (const Child& child : running) {
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) complete = false;
  }
  return complete && done == jobs;
}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

bool terminalShowsColours(std::FILE* stream) { return isTerminal(stream); }

namespace {

// SIGPIPE too: a run whose reader went away (`tarvok-sim | head`) ends as
// an interrupted one, its work folder removed.
const int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
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
