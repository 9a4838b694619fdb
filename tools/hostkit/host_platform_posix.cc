// POSIX: /proc/self/exe where it exists, isatty for terminals, and a
// signal handler that only writes the signal's number to a pipe, for a
// thread that reads it to do the work no signal handler may do. The
// children of runJobs() start no thread (after fork only the forking thread
// lives, and a thread started then can hang on a lock the others held):
// an interruption ends a child at once, and the parent removes what the
// child left in the temporary folder of its own.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <new>
#include <system_error>
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

bool identityOf(std::FILE* file, FileIdentity* identity, std::uint64_t* size) {
  struct stat status;
  if (fstat(fileno(file), &status) != 0) return false;
  identity->volume = static_cast<std::uint64_t>(status.st_dev);
  identity->index = static_cast<std::uint64_t>(status.st_ino);
  *size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool identityOfRegularFile(const std::string& path, FileIdentity* identity,
                           std::uint64_t* size) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return false;
  }
  identity->volume = static_cast<std::uint64_t>(status.st_dev);
  identity->index = static_cast<std::uint64_t>(status.st_ino);
  *size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool openFilesMayBeRenamed() { return true; }

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

namespace {

// SIGPIPE too: a run whose reader went away (`tarvok-sim | head`) ends as
// an interrupted one, its work folder removed.
const int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
struct sigaction previousActions[std::size(kInterruptions)];
int interruptPipe[2] = {-1, -1};
bool watching = false;
std::mutex interruptMutex;
std::vector<void (*)()>& interruptWork() {
  static std::vector<void (*)()>* work = new std::vector<void (*)()>;
  return *work;
}
// A child of runJobs() still running, ended before the program is, and
// the temporary folder it works in, removed once it has ended.
struct LiveChild {
  pid_t pid;
  std::string folder;
};
std::vector<LiveChild>& liveChildren() {
  static std::vector<LiveChild>* children = new std::vector<LiveChild>;
  return *children;
}

// One removal at a time: the thread that hears an interruption and the one
// that waits for the children may both remove a child's folder, and two
// removals of one folder at once can each stop at an entry the other took.
std::mutex removalMutex;
void removeFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(removalMutex);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

extern "C" void noteInterruption(int signal) {
  const unsigned char number = static_cast<unsigned char>(signal);
  const int savedErrno = errno;
  ssize_t ignored = write(interruptPipe[1], &number, 1);
  static_cast<void>(ignored);
  errno = savedErrno;
}

void endChildren() {
  std::vector<LiveChild> children;
  {
    std::lock_guard<std::mutex> lock(interruptMutex);
    children = liveChildren();
  }
  for (const LiveChild& child : children) kill(child.pid, SIGTERM);
  for (const LiveChild& child : children) {
    while (waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    removeFolder(child.folder);
  }
}

void restorePreviousActions() {
  for (std::size_t i = 0; i < std::size(kInterruptions); ++i) {
    sigaction(kInterruptions[i], &previousActions[i], nullptr);
  }
}

void awaitInterruption(int readEnd) {
  unsigned char number = 0;
  while (read(readEnd, &number, 1) != 1) {
    if (errno != EINTR) return;
  }
  endChildren();
  std::vector<void (*)()> work;
  {
    std::lock_guard<std::mutex> lock(interruptMutex);
    work = interruptWork();
  }
  for (void (*each)() : work) each();
  restorePreviousActions();
  // Under the previous action, which is mostly the default: the end.
  kill(getpid(), number);
}

// Starts the thread that waits for an interruption, with a pipe of its own.
// False when it cannot: the interruptions then take their course at once.
bool startWatchThread() {
  if (pipe(interruptPipe) != 0) return false;
  for (int end : interruptPipe) fcntl(end, F_SETFD, FD_CLOEXEC);
  try {
    std::thread(awaitInterruption, interruptPipe[0]).detach();
  } catch (const std::system_error&) {
    close(interruptPipe[0]);
    close(interruptPipe[1]);
    interruptPipe[0] = interruptPipe[1] = -1;
    return false;
  }
  return true;
}

void startWatching() {
  if (watching) return;
  watching = true;
  if (!startWatchThread()) return;
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

// In a child of runJobs(): no thread of its own (see the top of this
// file). The interruptions take their course at once, as they would have
// without callOnInterrupt, and a reader that went away is the child's own
// business, not an interruption of its parent; the files the child makes
// in the temporary folder go into `folder`, which the parent removes.
void becomeChild(const std::string& folder) {
  liveChildren().clear();
  if (watching) restorePreviousActions();
  signal(SIGPIPE, SIG_DFL);
  if (interruptPipe[0] >= 0) {
    close(interruptPipe[0]);
    close(interruptPipe[1]);
    interruptPipe[0] = interruptPipe[1] = -1;
  }
  setenv("TMPDIR", folder.c_str(), 1);
}

// A folder of its own for a child in the temporary folder; "" when none
// could be made.
std::string makeChildFolder() {
  std::error_code failure;
  const std::filesystem::path temporary =
      std::filesystem::temp_directory_path(failure);
  if (failure) return std::string();
  std::string pattern = (temporary / "tarvok-jobs-XXXXXX").string();
  if (mkdtemp(&pattern[0]) == nullptr) return std::string();
  return pattern;
}

}  // namespace

namespace {

// A job's work in a child: what it returns, or why it stopped.
std::string workOf(const std::function<std::string(std::size_t job)>& work,
                   std::size_t job) {
  try {
    return work(job);
  } catch (const std::exception& error) {
    return std::string("the replay stopped: ") + error.what();
  }
}

// The next job not taken yet, counted in memory that the children share:
// a child takes a job when it is free, so that children whose jobs are
// lighter take more of them and none waits long for another at the end.
using JobCounter = std::atomic<std::uint32_t>;
static_assert(JobCounter::is_always_lock_free,
              "a counter that processes can share");

JobCounter* newSharedCounter() {
  void* memory = mmap(nullptr, sizeof(JobCounter), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  return new (memory) JobCounter(0);
}

// In a child: takes jobs from `next` until there are none left, sending
// each result through `out` as "JOB SIZE\n" and its bytes; never returns.
[[noreturn]] void runChild(
    JobCounter* next, std::size_t jobs, int out,
    const std::function<std::string(std::size_t job)>& work) {
  while (true) {
    const std::size_t job = next->fetch_add(1);
    if (job >= jobs) break;
    const std::string result = workOf(work, job);
    if (!writeAll(out, std::to_string(job) + " " +
                           std::to_string(result.size()) + "\n" + result)) {
      _exit(1);
    }
  }
  std::fflush(nullptr);
  _exit(0);
}

struct Child {
  pid_t pid;
  int pipe;
  std::string folder;
  std::string received;
};

// Reads what `child` sent: each whole result into `results`; false for
// bytes that make no result.
bool receive(Child& child, std::vector<std::string>* results,
             std::vector<bool>* received,
             const std::function<void(std::size_t finished)>& finished,
             std::size_t* done) {
  while (true) {
    const std::size_t line = child.received.find('\n');
    if (line == std::string::npos) return true;
    unsigned long long job = 0, size = 0;
    if (std::sscanf(child.received.c_str(), "%llu %llu", &job, &size) != 2 ||
        job >= results->size()) {
      child.received.clear();
      return false;
    }
    if (child.received.size() < line + 1 + size) return true;
    (*results)[job] = child.received.substr(line + 1, size);
    (*received)[job] = true;
    child.received.erase(0, line + 1 + size);
    finished(++*done);
  }
}

// Starts a child that takes jobs from `next`, with a temporary folder and
// a pipe of its own, and adds it to `running`; false when none could start.
bool startChild(JobCounter* next, std::size_t jobs,
                const std::function<std::string(std::size_t job)>& work,
                std::vector<Child>* running) {
  const std::string folder = makeChildFolder();
  if (folder.empty()) return false;
  int ends[2];
  if (pipe(ends) != 0) {
    removeFolder(folder);
    return false;
  }
  // Held while forking, so that an interruption between the fork and the
  // child's listing still finds the child. The interruptions wait while
  // the child is made, so that none reaches it under this process's
  // handler (whose pipe it shares until becomeChild).
  std::unique_lock<std::mutex> lock(interruptMutex);
  sigset_t interruptions;
  sigset_t previousMask;
  sigemptyset(&interruptions);
  for (int interruption : kInterruptions) {
    sigaddset(&interruptions, interruption);
  }
  pthread_sigmask(SIG_BLOCK, &interruptions, &previousMask);
  const pid_t pid = fork();
  if (pid == 0) {
    lock.unlock();  // the child's copy, held by its one thread
    becomeChild(folder);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    close(ends[0]);
    for (const Child& other : *running) close(other.pipe);
    runChild(next, jobs, ends[1], work);
  }
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  if (pid < 0) {
    lock.unlock();
    close(ends[0]);
    close(ends[1]);
    removeFolder(folder);
    return false;
  }
  liveChildren().push_back(LiveChild{pid, folder});
  lock.unlock();
  close(ends[1]);
  running->push_back(Child{pid, ends[0], folder, std::string()});
  return true;
}

// Reads the children's results until every one has closed its pipe; false
// when a child sent bytes that make no result or waiting failed.
bool receiveResults(std::vector<Child>& running,
                    std::vector<std::string>* results,
                    std::vector<bool>* received,
                    const std::function<void(std::size_t finished)>& finished,
                    std::size_t* done) {
  std::vector<pollfd> waiting;
  bool complete = true;
  while (true) {
    waiting.clear();
    for (const Child& child : running) {
      if (child.pipe >= 0) waiting.push_back(pollfd{child.pipe, POLLIN, 0});
    }
    if (waiting.empty()) return complete;
    if (poll(waiting.data(), waiting.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return false;
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
      if (!receive(child, results, received, finished, done)) {
        complete = false;
      }
    }
  }
}

// Waits for every child and removes its folder; false when one did not end
// well.
bool awaitChildren(const std::vector<Child>& running) {
  bool allWell = true;
  for (const Child& child : running) {
    int status = 0;
    while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) allWell = false;
    removeFolder(child.folder);
  }
  std::lock_guard<std::mutex> lock(interruptMutex);
  liveChildren().clear();
  return allWell;
}

}  // namespace

bool runJobs(std::size_t jobs, unsigned processes,
             const std::function<std::string(std::size_t job)>& work,
             const std::function<void(std::size_t finished)>& finished,
             std::vector<std::string>* results) {
  results->assign(jobs, std::string());
  std::vector<bool> received(jobs, false);
  const std::size_t children =
      std::max<std::size_t>(1, std::min<std::size_t>(processes, jobs));
  // An interruption ends the children too, and waits for them.
  startWatching();
  std::vector<Child> running;
  std::fflush(nullptr);  // nothing buffered is written twice
  // At most kMostSweepCombinations and a few jobs: far below 2^32.
  JobCounter* next = jobs > 0 ? newSharedCounter() : nullptr;
  for (std::size_t index = 0; index < children && next != nullptr; ++index) {
    if (!startChild(next, jobs, work, &running)) break;
  }
  std::size_t done = 0;
  bool complete = receiveResults(running, results, &received, finished, &done);
  if (!awaitChildren(running)) complete = false;
  if (next != nullptr) munmap(next, sizeof(JobCounter));
  // Where no child could be started (too many processes or open files, no
  // shared memory), the jobs run here, one after another; the children
  // that started took every job.
  for (std::size_t job = 0; job < jobs; ++job) {
    if (received[job] || !running.empty()) continue;
    (*results)[job] = workOf(work, job);
    received[job] = true;
    finished(++done);
  }
  return complete && done == jobs;
}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

bool terminalShowsColours(std::FILE* stream) { return isTerminal(stream); }

void callOnInterrupt(void (*onInterrupt)()) {
  {
    std::lock_guard<std::mutex> lock(interruptMutex);
    interruptWork().push_back(onInterrupt);
  }
  startWatching();
}
