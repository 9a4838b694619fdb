#include "sim/ini_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/scenario.h"

namespace {
const char* const kIniFileName = "tarvok.ini";
}  // namespace

bool IniFile::add(const std::string& line, std::string* error) {
  lines_.push_back(line);
  if (linesWritten_) return writeBytes(line + '\n', "ab", error);
  return write(error);
}

bool IniFile::set(const std::string& line, std::vector<std::size_t>* replaced,
                  std::string* error) {
  const std::string key = line.substr(0, line.find('=') + 1);
  replaced->clear();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].compare(0, key.size(), key) == 0) {
      lines_[i] = line;
      replaced->push_back(i + 1);
    }
  }
  if (replaced->empty()) lines_.push_back(line);
  return write(error);
}

bool IniFile::clear(std::string* error) {
  lines_.clear();
  return write(error);
}

bool IniFile::copy(const std::string& contents, std::string* error) {
  lines_ = splitLines(contents);
  const bool written = writeBytes(contents, "wb", error);
  linesWritten_ = false;
  return written;
}

bool IniFile::write(std::string* error) {
  std::string bytes;
  for (const std::string& line : lines_) bytes += line + '\n';
  return writeBytes(bytes, "wb", error);
}

bool IniFile::writeBytes(const std::string& bytes, const char* mode,
                         std::string* error) {
  if (!writesFile_) return true;
  // Binary mode: the same bytes on every platform.
  errno = 0;
  std::FILE* file = std::fopen(kIniFileName, mode);
  bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(),
                                                file) == bytes.size();
  if (file != nullptr) written = std::fclose(file) == 0 && written;
  if (!written) {
    // The reason, where the C library gives one (too many files open, a
    // full disk).
    const int reason = errno;
    *error = std::string("cannot write ") + kIniFileName;
    if (reason != 0) *error += std::string(": ") + std::strerror(reason);
  }
  // After a failed write the file holds what it may: the next change
  // writes it whole.
  linesWritten_ = written;
  return written;
}
