#include "evidence/lag_log_follower.h"

#include <filesystem>

#include "hostkit/host_platform.h"

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
    // One read at the offset a poll: after most events nothing, or a row.
    char buffer[16384];
    std::size_t count;
    while ((count = readFileAt(file.stream, file.offset, buffer,
                               sizeof buffer)) > 0) {
      file.offset += static_cast<long>(count);
      std::string_view data(buffer, count);
      if (!file.pending.empty()) {
        file.pending.append(data);
        data = file.pending;
      }
      std::size_t start = 0;
      std::size_t end;
      while ((end = data.find('\n', start)) != std::string_view::npos) {
        std::size_t length = end - start;
        if (length > 0 && data[end - 1] == '\r') --length;
        if (file.skipping) {
          file.skipping = false;
        } else {
          handler(file.path, data.substr(start, length));
        }
        start = end + 1;
      }
      if (data.data() == file.pending.data()) {
        file.pending.erase(0, start);
      } else {
        file.pending.assign(data.substr(start));
      }
      if (file.pending.size() > kLongestLine) {
        // No row is this long: the rest up to the next line end goes too.
        if (!file.skipping) {
          handler(file.path, "(a line longer than " +
                                 std::to_string(kLongestLine) + " bytes)");
        }
        file.pending.clear();
        file.skipping = true;
      }
      if (count < sizeof buffer) break;
    }
  }
}
