// Reading the text files and streams the tools take from users: scenarios,
// tarvok.ini copies, typed scenario lines. Whatever a file holds (a
// device of zeros, a line of gigabytes), the reader keeps a bounded amount
// in memory, reads each byte once, and ends with a message that names the
// place: "NAME:LINE: line longer than 65536 bytes".
//
// Lines end at a line feed; a carriage return right before it belongs to the
// line end, and does not count towards the line's length.
#ifndef TARVOK_TOOLS_HOSTKIT_TEXT_INPUT_H_
#define TARVOK_TOOLS_HOSTKIT_TEXT_INPUT_H_

#include <cstddef>
#include <cstdio>
#include <string>

// No line a tool reads may be longer than this.
constexpr std::size_t kLongestInputLine = 64 * 1024;
// Nor a file it reads whole, a scenario or a tarvok.ini, larger than this.
constexpr std::size_t kLargestTextFile = 8 * 1024 * 1024;

// "line longer than N bytes", the reason given for a line over `longest`.
std::string lineTooLongReason(std::size_t longest = kLongestInputLine);

enum class TextRead {
  kRead,        // all of it
  kCannotRead,  // missing, a folder, no permission, a read error
  kRefused,     // a line or the whole too long
};

// Reads the rest of `file` into `contents`, byte for byte. On kCannotRead
// `error` holds the reason ("there is no such file"); on kRefused the whole
// message, starting with `name` (shown escaped) and, for a line, its number:
// "NAME:LINE: line longer than N bytes" or "NAME: larger than N bytes".
// Reading stops at the first line too long.
TextRead readTextStream(std::FILE* file, const std::string& name,
                        std::string* contents, std::string* error,
                        std::size_t longestLine = kLongestInputLine,
                        std::size_t largest = kLargestTextFile);
// The same for the file at `path`, named by its path.
TextRead readTextFile(const std::string& path, std::string* contents,
                      std::string* error);

// Reads a stream line by line, one byte at a time, so that typed lines are
// taken as soon as they are ended; it holds one line at most.
class BoundedLineReader {
 public:
  enum class Result { kLine, kEnd, kTooLong, kReadError };

  // Reads `file` (not owned) from where it stands.
  explicit BoundedLineReader(std::FILE* file,
                             std::size_t longest = kLongestInputLine)
      : file_(file), longest_(longest) {}

  // The next line, without its end, in `line`. kEnd when no byte is left;
  // kTooLong when the line has more than `longest` bytes (the reader is then
  // in the middle of it and stays so).
  Result next(std::string* line);

  // The number (from 1) of the line last read or refused.
  std::size_t lineNumber() const { return lineNumber_; }

 private:
  std::FILE* file_;
  std::size_t longest_;
  std::size_t lineNumber_ = 0;
};

#endif  // TARVOK_TOOLS_HOSTKIT_TEXT_INPUT_H_
