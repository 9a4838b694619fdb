#include "sim/lag_log_follower.h"

LagLogFollower::~LagLogFollower() {
  for (File& file : files_) {
    if (file.stream != nullptr) std::fclose(file.stream);
  }
}

void LagLogFollower::follow(const std::string& path) {
  for (const File& file : files_) {
    if (file.path == path) return;
  }
  files_.push_back(File{path, nullptr, 0, std::string()});
}

void LagLogFollower::poll(const LineHandler& handler) {
  for (File& file : files_) {
    if (file.stream == nullptr) {
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
      file.pending.append(buffer, count);
      file.offset += static_cast<long>(count);
    }
    std::size_t start = 0;
    std::size_t end;
    while ((end = file.pending.find('\n', start)) != std::string::npos) {
      std::size_t length = end - start;
      if (length > 0 && file.pending[end - 1] == '\r') --length;
      handler(file.path, file.pending.substr(start, length));
      start = end + 1;
    }
    file.pending.erase(0, start);
  }
}
