#include "hostkit/work_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <system_error>
#include <vector>

#include "hostkit/host_platform.h"
#include "hostkit/shown_text.h"

namespace {

// The folders of the WorkFolder objects alive, for an interruption to
// remove: a replay's folder may hold hundreds of megabytes.
std::mutex liveFoldersMutex;
std::vector<std::filesystem::path>& liveFolders() {
  static std::vector<std::filesystem::path>* folders =
      new std::vector<std::filesystem::path>;  // outlives every WorkFolder
  return *folders;
}

void removeLiveFolders() {
  std::lock_guard<std::mutex> lock(liveFoldersMutex);
  for (const std::filesystem::path& folder : liveFolders()) {
    // The program runs on meanwhile and may add a file: try again.
    std::error_code failure;
    for (int attempt = 0; attempt < 10; ++attempt) {
      std::filesystem::remove_all(folder, failure);
      if (!std::filesystem::exists(folder, failure)) break;
    }
  }
}

void addLiveFolder(const std::filesystem::path& folder) {
  static std::once_flag handlerInstalled;
  std::call_once(handlerInstalled, [] { callOnInterrupt(removeLiveFolders); });
  std::lock_guard<std::mutex> lock(liveFoldersMutex);
  liveFolders().push_back(folder);
}

void dropLiveFolder(const std::filesystem::path& folder) {
  std::lock_guard<std::mutex> lock(liveFoldersMutex);
  std::vector<std::filesystem::path>& folders = liveFolders();
  folders.erase(std::remove(folders.begin(), folders.end(), folder),
                folders.end());
}

}  // namespace

void removeOnInterrupt(const std::filesystem::path& path) {
  addLiveFolder(path);
}

void keepOnInterrupt(const std::filesystem::path& path) {
  dropLiveFolder(path);
}

WorkFolder::WorkFolder() {
  std::error_code failure;
  const std::filesystem::path temporary =
      std::filesystem::temp_directory_path(failure);
  if (failure) {
    error_ = "cannot find the temporary folder: " + failure.message();
    return;
  }
  // A name no other run is using: the clock, a count within this process,
  // and further attempts for the rare clash with another process.
  static std::atomic<unsigned> serial{0};
  const std::string stem =
      "tarvok-" +
      std::to_string(
          std::chrono::steady_clock::now().time_since_epoch().count()) +
      "-" + std::to_string(serial++);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        temporary / (stem + "-" + std::to_string(attempt));
    if (std::filesystem::create_directory(candidate, failure)) {
      path_ = candidate;
      addLiveFolder(path_);
      return;
    }
    if (failure) break;
  }
  error_ = "cannot make a folder in " +
           escapeControlBytes(temporary.string()) +
           (failure ? ": " + failure.message() : "");
}

WorkFolder::~WorkFolder() {
  if (!ready()) return;
  dropLiveFolder(path_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

WorkFolder::Visit::Visit(const WorkFolder& folder) {
  std::error_code failure;
  previous_ = std::filesystem::current_path(failure);
  if (failure) {
    error_ = "cannot tell the current directory: " + failure.message();
    return;
  }
  if (!folder.ready()) {
    error_ = folder.error();
    return;
  }
  std::filesystem::current_path(folder.path(), failure);
  if (failure) {
    error_ = "cannot enter " + escapeControlBytes(folder.path().string()) +
             ": " + failure.message();
    return;
  }
  entered_ = true;
}

WorkFolder::Visit::~Visit() {
  std::error_code ignored;
  if (entered_) std::filesystem::current_path(previous_, ignored);
}
