#include "hostkit/rereadable_input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "hostkit/shown_text.h"

namespace {

namespace fs = std::filesystem;

// Copies `in` to `out`, counting lines; kRefused (with the message) at a
// line over the bound, kCannotRead at a failed read or write.
TextRead copyBounded(std::FILE* in, std::FILE* out, const std::string& name,
                     std::string* why) {
  std::vector<char> buffer(64 * 1024);
  std::size_t lineLength = 0;  // of the line not yet ended
  std::size_t lines = 0;
  while (true) {
    const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), in);
    if (count == 0) break;
    const char* begin = buffer.data();
    const char* end = begin + count;
    for (const char* at = begin; at < end;) {
      const void* found =
          std::memchr(at, '\n', static_cast<std::size_t>(end - at));
      const char* stop =
          found != nullptr ? static_cast<const char*>(found) : end;
      lineLength += static_cast<std::size_t>(stop - at);
      // A carriage return before the line feed does not count.
      if (lineLength > kLongestInputLine + 1) {
        *why = escapeControlBytes(name) + ":" + std::to_string(lines + 1) +
               ": " + lineTooLongReason();
        return TextRead::kRefused;
      }
      if (found == nullptr) break;
      ++lines;
      lineLength = 0;
      at = stop + 1;
    }
    if (std::fwrite(begin, 1, count, out) != count) {
      *why = std::string("cannot copy it to a temporary file: ") +
             std::strerror(errno);
      return TextRead::kCannotRead;
    }
  }
  if (std::ferror(in) != 0) {
    *why = std::strerror(errno);
    return TextRead::kCannotRead;
  }
  return TextRead::kRead;
}

}  // namespace

TextRead RereadableInput::open(const std::string& path, std::string* why) {
  copy_.reset();
  readFrom_ = path;
  std::error_code failure;
  const fs::file_status status = fs::status(path, failure);
  if (!fs::exists(status)) {
    *why = "there is no such file";
    return TextRead::kCannotRead;
  }
  if (fs::is_directory(status)) {
    *why = "it is a folder";
    return TextRead::kCannotRead;
  }
  if (fs::is_regular_file(status)) return TextRead::kRead;

  copy_.reset(new WorkFolder);
  if (!copy_->ready()) {
    *why = "cannot copy it to a temporary file: " + copy_->error();
    return TextRead::kCannotRead;
  }
  readFrom_ = (copy_->path() / "copy").string();
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) {
    *why = errno == EACCES ? "no permission to read it" : std::strerror(errno);
    return TextRead::kCannotRead;
  }
  std::FILE* out = std::fopen(readFrom_.c_str(), "wb");
  if (out == nullptr) {
    *why = std::string("cannot copy it to a temporary file: ") +
           std::strerror(errno);
    std::fclose(in);
    return TextRead::kCannotRead;
  }
  TextRead read = copyBounded(in, out, path, why);
  std::fclose(in);
  if (std::fclose(out) != 0 && read == TextRead::kRead) {
    *why = std::string("cannot copy it to a temporary file: ") +
           std::strerror(errno);
    read = TextRead::kCannotRead;
  }
  return read;
}
