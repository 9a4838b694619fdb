#include "sim/file_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The reason for `error` (an errno value) when opening `path` failed.
std::string reasonOf(int error, const std::string& path) {
  std::error_code failure;
  if (fs::is_directory(path, failure)) return "it is a folder";
  if (error == ENOENT) return "there is no such file";
  if (error == ENOTDIR) {
    return "a part of the path is a file, not a folder";
  }
  if (error == EACCES || error == EPERM || error == EROFS) {
    return "no permission to read it";
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
    *why = reasonOf(errno, path);
    return false;
  }
  std::fclose(file);
  return true;
}

