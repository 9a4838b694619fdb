#include "sim/work_folder.h"

#include <chrono>

WorkFolder::WorkFolder() {
  std::error_code failure;
  previous_ = std::filesystem::current_path(failure);
  if (failure) {
    error_ = "cannot tell the current directory: " + failure.message();
    return;
  }
  const std::filesystem::path temporary =
      std::filesystem::temp_directory_path(failure);
  if (failure) {
    error_ = "cannot find the temporary folder: " + failure.message();
    return;
  }
  // A name no other run is using: the clock, and a count for the rare clash.
  const auto stamp =
      std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        temporary /
        ("tarvok-sim-" + std::to_string(stamp) + "-" + std::to_string(attempt));
    if (std::filesystem::create_directory(candidate, failure)) {
      path_ = candidate;
      break;
    }
    if (failure) break;
  }
  if (path_.empty()) {
    error_ = "cannot make a folder in " + temporary.string() +
             (failure ? ": " + failure.message() : "");
    return;
  }
  std::filesystem::current_path(path_, failure);
  if (failure) {
    error_ = "cannot enter " + path_.string() + ": " + failure.message();
    return;
  }
  ready_ = true;
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  if (ready_) std::filesystem::current_path(previous_, ignored);
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}
