#include "hostkit/work_folder.h"

#include <atomic>
#include <chrono>
#include <system_error>

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
      return;
    }
    if (failure) break;
  }
  error_ = "cannot make a folder in " + temporary.string() +
           (failure ? ": " + failure.message() : "");
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  if (ready()) std::filesystem::remove_all(path_, ignored);
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
    error_ =
        "cannot enter " + folder.path().string() + ": " + failure.message();
    return;
  }
  entered_ = true;
}

WorkFolder::Visit::~Visit() {
  std::error_code ignored;
  if (entered_) std::filesystem::current_path(previous_, ignored);
}
