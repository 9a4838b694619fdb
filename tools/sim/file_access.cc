#include "sim/file_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The reason for `error` (an errno value) when opening `path` failed.
std::string reasonOf(int error, const std::string& path, bool writing) {
  std::error_code failure;
  if (fs::is_directory(path, failure)) return "it is a folder";
  if (error == ENOENT) {
    if (!writing) return "there is no such file";
    const fs::path parent = fs::path(path).parent_path();
    return "there is no folder " + parent.string();
  }
  if (error == ENOTDIR) {
    return "a part of the path is a file, not a folder";
  }
  if (error == EACCES || error == EPERM || error == EROFS) {
    return writing ? "no permission to write it" : "no permission to read it";
  }
  return std::strerror(error);
}

}  // namespace

bool checkReadable(const std::string& path, std::string* why) {
  std::error_code failure;
  if (fs::is_directory(path, failure)) {
    *why = "it is a folder";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *why = reasonOf(errno, path, false);
    return false;
  }
  std::fclose(file);
  return true;
}

bool checkWritable(const std::string& path, std::string* why) {
  std::error_code failure;
  if (fs::is_directory(path, failure)) {
    *why = "it is a folder";
    return false;
  }
  const bool existed = fs::exists(path, failure);
  // Appending nothing changes nothing in a file that is there.
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) {
    *why = reasonOf(errno, path, true);
    return false;
  }
  std::fclose(file);
  if (!existed) fs::remove(path, failure);
  return true;
}

bool writeWholeFile(const std::string& path, const std::string& contents,
                    std::string* why) {
  std::error_code failure;
  if (fs::is_directory(path, failure)) {
    *why = "it is a folder";
    return false;
  }
  const std::string temporary = path + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    *why = reasonOf(errno, temporary, true);
    return false;
  }
  const bool written =
      std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
  const int error = errno;
  if (std::fclose(file) != 0 || !written) {
    *why = std::strerror(written ? errno : error);
    fs::remove(temporary, failure);
    return false;
  }
  fs::rename(temporary, path, failure);
  if (failure) {
    *why = failure.message();
    fs::remove(temporary, failure);
    return false;
  }
  return true;
}
