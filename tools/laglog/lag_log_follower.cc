#include "laglog/lag_log_follower.h"

#include <filesystem>

namespace {

// `path` opened for reading when it is a regular file (a device or a pipe,
// /dev/zero say, would be read without end), with its identity and size.
std::FILE* openRegular(const std::string& path, FileIdentity* identity,
                       std::uint64_t* size) {
  std::error_code failure;
  if (!std::filesystem::is_regular_file(path, failure)) return nullptr;
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  if (stream != nullptr && !identityOf(stream, identity, size)) {
    std::fclose(stream);
    return nullptr;
  }
  return stream;
}

}  // namespace

void LagLogFollower::follow(const std::string& path) {
  for (const File& file : files_) {
    if (file.path == path) return;
  }
  File file;
  file.path = path;
  files_.push_back(file);
}

LagLogFollower::~LagLogFollower() {
  for (File& file : files_) {
    if (file.stream != nullptr) std::fclose(file.stream);
  }
}

void LagLogFollower::poll(const LineHandler& handler) {
  for (File& file : files_) {
    if (file.stream != nullptr && !rotationsWatched_) {
      readRest(file, file.stream, handler);
      continue;
    }
    FileIdentity identity;
    std::uint64_t size = 0;
    const bool exists = identityOfRegularFile(file.path, &identity, &size);
    if (file.known && (!exists || identity != file.identity)) {
      readRotated(file, handler);
    } else if (file.known && size < static_cast<std::uint64_t>(file.offset)) {
      file.offset = 0;  // cut back in place
      file.pending.clear();
      file.skipping = false;
    }
    if (!exists) continue;
    if (file.stream == nullptr) {
      file.stream = openRegular(file.path, &identity, &size);
      if (file.stream == nullptr) continue;
      file.known = true;
      file.identity = identity;
    }
    readRest(file, file.stream, handler);
    // A file never rotated stays open everywhere: on Windows opening it
    // again at every poll costs more than the replay itself.
    if (rotationsWatched_ && !openFilesMayBeRenamed()) {
      std::fclose(file.stream);
      file.stream = nullptr;
    }
  }
}

void LagLogFollower::readRotated(File& file, const LineHandler& handler) {
  // The rest of the file read so far: through the stream still open, or
  // where it went.
  if (file.stream != nullptr) readRest(file, file.stream, handler);
  int found = 0;
  for (int n = 1; n <= kRotatedFiles && found == 0; ++n) {
    FileIdentity identity;
    std::uint64_t size = 0;
    const std::string name = file.path + "." + std::to_string(n);
    if (!identityOfRegularFile(name, &identity, &size) ||
        identity != file.identity) {
      continue;
    }
    found = n;
    if (file.stream != nullptr) break;
    if (std::FILE* stream = openRegular(name, &identity, &size)) {
      readRest(file, stream, handler);
      std::fclose(stream);
    }
  }
  if (file.stream != nullptr) std::fclose(file.stream);
  file.stream = nullptr;
  // A torn last line of the old file is no row; the newer files are read
  // whole (a file removed meanwhile is gone, and so are its rows).
  for (int n = found - 1; n >= 1; --n) {
    file.offset = 0;
    file.pending.clear();
    file.skipping = false;
    FileIdentity identity;
    std::uint64_t size = 0;
    if (std::FILE* stream =
            openRegular(file.path + "." + std::to_string(n), &identity, &size)) {
      readRest(file, stream, handler);
      std::fclose(stream);
    }
  }
  file.known = false;
  file.offset = 0;
  file.pending.clear();
  file.skipping = false;
}

void LagLogFollower::readRest(File& file, std::FILE* stream,
                              const LineHandler& handler) {
  // One read at the offset a poll: after most events nothing, or a row.
  char buffer[16384];
  std::size_t count;
  while ((count = readFileAt(stream, file.offset, buffer, sizeof buffer)) >
         0) {
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
