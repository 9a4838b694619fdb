// Windows: GetModuleFileName, a console switched to ANSI sequences, and a
// console control handler (the system runs it in a thread of its own).
#include <io.h>
#include <windows.h>

#include "hostkit/host_platform.h"

std::string executablePath(const char* argv0) {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return std::string(buffer, length);
  return argv0 != nullptr ? argv0 : "";
}

std::size_t readFileAt(std::FILE* file, long offset, char* buffer,
                       std::size_t size) {
  // Seeking also drops what the stream buffered and its end-of-file state.
  if (std::fseek(file, offset, SEEK_SET) != 0) return 0;
  return std::fread(buffer, 1, size, file);
}

bool identityOf(std::FILE* file, FileIdentity* identity, std::uint64_t* size) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  BY_HANDLE_FILE_INFORMATION information;
  if (handle == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandle(handle, &information)) {
    return false;
  }
  identity->volume = information.dwVolumeSerialNumber;
  identity->index =
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) |
      information.nFileIndexLow;
  *size = (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) |
          information.nFileSizeLow;
  return true;
}

bool identityOfRegularFile(const std::string& path, FileIdentity* identity,
                           std::uint64_t* size) {
  // Opened for no access, sharing everything: nobody is disturbed.
  HANDLE handle = CreateFileA(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  const bool regular =
      GetFileType(handle) == FILE_TYPE_DISK &&
      GetFileInformationByHandle(handle, &information) &&
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  CloseHandle(handle);
  if (!regular) return false;
  identity->volume = information.dwVolumeSerialNumber;
  identity->index =
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) |
      information.nFileIndexLow;
  *size = (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) |
          information.nFileSizeLow;
  return true;
}

bool openFilesMayBeRenamed() { return false; }

bool runJobs(std::size_t jobs, unsigned,
             const std::function<std::string(std::size_t job)>& work,
             const std::function<void(std::size_t finished)>& finished,
             std::vector<std::string>* results) {
  results->assign(jobs, std::string());
  for (std::size_t job = 0; job < jobs; ++job) {
    (*results)[job] = work(job);
    finished(job + 1);
  }
  return true;
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

namespace {

// Up to four functions: the program registers a couple at most.
void (*interruptWork[4])() = {};

BOOL WINAPI onConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT &&
      event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  // A folder that is some program's current directory cannot be removed
  // here: leave for the temporary folder, whatever the work is.
  char temporary[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof temporary, temporary);
  if (length > 0 && length < sizeof temporary) {
    SetCurrentDirectoryA(temporary);
  }
  for (void (*work)() : interruptWork) {
    if (work != nullptr) work();
  }
  // The next handler, in the end the system's, ends the program.
  return FALSE;
}

}  // namespace

void callOnInterrupt(void (*onInterrupt)()) {
  for (void (*&work)() : interruptWork) {
    if (work != nullptr) continue;
    work = onInterrupt;
    if (&work == &interruptWork[0]) {
      SetConsoleCtrlHandler(onConsoleControl, TRUE);
    }
    return;
  }
}
