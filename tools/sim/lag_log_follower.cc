#include "sim/lag_log_follower.h"

#include <filesystem>

LagLogFollower::~LagLogFollower() {
  for (File& file : files_) {
    if (file.stream != nullptr) std::fclose(file.stream);
  }
}

void LagLogFollower::follow(const std::string& path) {
  for (const File& file : files_) {
    if (file.path == path) return;
  }
  File file;
  file.path = path;
  files_.push_back(file);
}

void LagLogFollower::poll(const LineHandler& handler) {
  for (File& file : files_) {
    if (file.stream == nullptr) {
      // A device or a pipe (/dev/zero, say) would be read without end.
      std::error_code failure;
      if (!std::filesystem::is_regular_file(file.path, failure)) continue;
      file.stream = std::fopen(file.path.c_str(), "rb");
      if (file.stream == nullptr) continue;
    }
    // Seeking drops what the stream buffered and its end-of-file state, so
    // the next read sees what the plug-in appended since (clearerr alone is
    // not enough for every C library).
    if (std::fseek(file.stream, file.offset, SEEK_SET) != 0) continue;
    char buffer[8192];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.stream)) > 0) {
      file.offset += static_cast<long>(count);
      file.pending.append(buffer, count);
      std::size_t start = 0;
      std::size_t end;
      while ((end = file.pending.find('\n', start)) != std::string::npos) {
        std::size_t length = end - start;
        if (length > 0 && file.pending[end - 1] == '\r') --length;
        if (file.skipping) {
          file.skipping = false;
        } else {
          handler(file.path, file.pending.substr(start, length));
        }
        start = end + 1;
      }
      file.pending.erase(0, start);
      if (file.pending.size() > kLongestLine) {
        // No row is this long: the rest up to the next line end goes too.
        if (!file.skipping) {
          handler(file.path, "(a line longer than " +
                                 std::to_string(kLongestLine) + " bytes)");
        }
        file.pending.clear();
        file.skipping = true;
      }
    }
  }
}
