#include "hostkit/output_file.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "hostkit/shown_text.h"
#include "hostkit/work_folder.h"

namespace {

namespace fs = std::filesystem;

std::string shown(const fs::path& path) {
  return escapeControlBytes(path.string());
}

// What a file that is there but no regular file is, for the reason given.
std::string specialFault(fs::file_type type) {
  switch (type) {
    case fs::file_type::directory:
      return "it is a folder";
    case fs::file_type::fifo:
      return "it is a named pipe, not a regular file";
    case fs::file_type::block:
    case fs::file_type::character:
      return "it is a device, not a regular file";
    case fs::file_type::socket:
      return "it is a socket, not a regular file";
    default:
      return "it is not a regular file";
  }
}

// The reason for `error` (an errno value) when a new file could not be made
// in `folder`.
std::string newFileFault(int error, const fs::path& folder) {
  if (error == ENOENT) return "there is no folder " + shown(folder);
  if (error == ENOTDIR) return "a part of the path is a file, not a folder";
  if (error == EACCES || error == EPERM || error == EROFS) {
    return "no permission to write in the folder " + shown(folder);
  }
  return std::strerror(error);
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code failure;
  if (fs::equivalent(a, b, failure) && !failure) return true;
  // Files not there yet are the same when their paths are.
  const fs::path first = fs::weakly_canonical(fs::absolute(a), failure);
  if (failure) return false;
  const fs::path second = fs::weakly_canonical(fs::absolute(b), failure);
  return !failure && first == second;
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& path, std::string* why) {
  discard();
  std::error_code failure;
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(target, failure))) {
    target = fs::canonical(target, failure);
    if (failure) {
      *why = "it is a link to a file that is not there";
      return false;
    }
  }
  const fs::file_status status = fs::status(target, failure);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status)) {
      *why = specialFault(status.type());
      return false;
    }
    // Appending nothing changes nothing in a regular file.
    std::FILE* probe = std::fopen(target.string().c_str(), "ab");
    if (probe == nullptr) {
      const int error = errno;
      *why = error == EACCES || error == EPERM || error == EROFS
                 ? "no permission to write it"
                 : std::strerror(error);
      return false;
    }
    std::fclose(probe);
  }
  const fs::path folder =
      target.parent_path().empty() ? fs::path(".") : target.parent_path();
  // The run may change its current folder before the commit.
  target = fs::absolute(target, failure);
  for (int attempt = 1; attempt <= 100; ++attempt) {
    fs::path candidate = target;
    candidate += attempt == 1 ? ".part" : ".part" + std::to_string(attempt);
    if (fs::exists(fs::symlink_status(candidate, failure))) continue;
    file_ = std::fopen(candidate.string().c_str(), "wb");
    if (file_ == nullptr) {
      *why = newFileFault(errno, folder);
      return false;
    }
    temporary_ = candidate;
    target_ = target;
    removeOnInterrupt(temporary_);
    return true;
  }
  *why = "the names " + shown(target) + ".part to .part100 beside it are taken";
  return false;
}

void OutputFile::write(const std::string& contents) {
  if (file_ != nullptr) std::fwrite(contents.data(), 1, contents.size(), file_);
}

bool OutputFile::commit(std::string* why) {
  if (file_ == nullptr) {
    *why = "it was never opened";
    return false;
  }
  errno = 0;
  const bool written = std::ferror(file_) == 0 && std::fflush(file_) == 0;
  int error = errno;
  const bool closed = std::fclose(file_) == 0;
  if (written && !closed) error = errno;
  file_ = nullptr;
  if (!written || !closed) {
    *why = error != 0 ? std::strerror(error)
                      : "a write to it failed (a full disk?)";
    discard();
    return false;
  }
  std::error_code failure;
  fs::rename(temporary_, target_, failure);
  if (failure) {
    *why = failure.message();
    discard();
    return false;
  }
  keepOnInterrupt(temporary_);
  temporary_.clear();
  return true;
}

void OutputFile::discard() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (temporary_.empty()) return;
  std::error_code ignored;
  fs::remove(temporary_, ignored);
  keepOnInterrupt(temporary_);
  temporary_.clear();
}

std::string sameFileFault(const std::vector<std::string>& outputs,
                          const std::vector<std::string>& inputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const std::string& output = outputs[i];
    if (output.empty()) continue;
    for (const std::string& input : inputs) {
      if (input.empty() || !sameFile(output, input)) continue;
      return escapeControlBytes(output) +
             (output == input ? std::string(" is one of the inputs")
                              : " is " + escapeControlBytes(input) +
                                    ", one of the inputs") +
             ": writing it would destroy it";
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (outputs[j].empty() || !sameFile(output, outputs[j])) continue;
      return escapeControlBytes(output) +
             (output == outputs[j]
                  ? std::string(" is named as two outputs")
                  : " and " + escapeControlBytes(outputs[j]) +
                        " are one file, named as two outputs");
    }
  }
  return "";
}

std::string folderSettingsFault(const std::vector<std::string>& outputs) {
  const std::string settings = "tarvok.ini";
  std::error_code failure;
  if (!fs::exists(settings, failure)) return "";
  for (const std::string& output : outputs) {
    if (output.empty() || !sameFile(output, settings)) continue;
    return escapeControlBytes(output) +
           " is the tarvok.ini of the current folder, which the tools never "
           "write";
  }
  return "";
}
