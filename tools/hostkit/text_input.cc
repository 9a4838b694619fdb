#include "hostkit/text_input.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "hostkit/shown_text.h"

std::string lineTooLongReason(std::size_t longest) {
  return "line longer than " + std::to_string(longest) + " bytes";
}

TextRead readTextStream(std::FILE* file, const std::string& name,
                        std::string* contents, std::string* error,
                        std::size_t longestLine, std::size_t largest) {
  const std::size_t start = contents->size();
  std::size_t lineNumber = 1;
  std::size_t lineStart = start;  // of the line being read
  std::size_t scanned = start;    // bytes looked at for line feeds
  // A line holds its bytes and may end with a carriage return.
  const auto tooLong = [&](std::size_t end) {
    std::size_t length = end - lineStart;
    if (length > 0 && (*contents)[end - 1] == '\r') --length;
    return length > longestLine;
  };
  const auto refuseLine = [&]() {
    *error = escapeControlBytes(name) + ":" + std::to_string(lineNumber) +
             ": " + lineTooLongReason(longestLine);
    return TextRead::kRefused;
  };
  char buffer[1 << 16];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (contents->size() - start + count > largest) {
      *error = escapeControlBytes(name) + ": larger than " +
               std::to_string(largest) + " bytes";
      return TextRead::kRefused;
    }
    contents->append(buffer, count);
    const char* const data = contents->data();
    while (scanned < contents->size()) {
      const void* found =
          std::memchr(data + scanned, '\n', contents->size() - scanned);
      if (found == nullptr) {
        scanned = contents->size();
        // One byte more may still be the carriage return of the line end.
        if (scanned - lineStart > longestLine + 1) return refuseLine();
        break;
      }
      const std::size_t end = static_cast<const char*>(found) - data;
      if (tooLong(end)) return refuseLine();
      ++lineNumber;
      lineStart = scanned = end + 1;
    }
  }
  if (std::ferror(file) != 0) {
    *error = std::strerror(errno);
    return TextRead::kCannotRead;
  }
  if (tooLong(contents->size())) return refuseLine();
  return TextRead::kRead;
}

TextRead readTextFile(const std::string& path, std::string* contents,
                      std::string* error) {
  std::error_code failure;
  if (std::filesystem::is_directory(path, failure)) {
    *error = "it is a folder";
    return TextRead::kCannotRead;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = errno == ENOENT   ? "there is no such file"
             : errno == EACCES ? "no permission to read it"
                               : std::strerror(errno);
    return TextRead::kCannotRead;
  }
  const TextRead result = readTextStream(file, path, contents, error);
  std::fclose(file);
  return result;
}

BoundedLineReader::Result BoundedLineReader::next(std::string* line) {
  line->clear();
  int byte = std::getc(file_);
  if (byte == EOF) {
    return std::ferror(file_) != 0 ? Result::kReadError : Result::kEnd;
  }
  ++lineNumber_;
  while (byte != EOF && byte != '\n') {
    if (byte == '\r') {
      const int following = std::getc(file_);
      if (following == '\n' || following == EOF) break;
      std::ungetc(following, file_);
    }
    if (line->size() == longest_) return Result::kTooLong;
    line->push_back(static_cast<char>(byte));
    byte = std::getc(file_);
  }
  if (byte == EOF && std::ferror(file_) != 0) return Result::kReadError;
  return Result::kLine;
}
