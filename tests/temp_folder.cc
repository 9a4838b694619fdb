#include "temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

TempFolder::TempFolder() : previous_(std::filesystem::current_path()) {
  static std::atomic<unsigned> serial{0};
  const auto stamp =
      std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("tarvok-test-" + std::to_string(stamp) + "-" +
           std::to_string(serial++));
  std::filesystem::create_directories(path_);
  std::filesystem::current_path(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void TempFolder::write(const std::string& name,
                       const std::string& contents) const {
  std::ofstream out(path_ / name, std::ios::binary);
  out << contents;
}

std::string TempFolder::read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}
