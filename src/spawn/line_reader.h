// LineReader: reads a text file as lines of at most kMaxLineLength bytes.
//
// A line ends at a line feed, which is consumed and not stored; a carriage
// return directly before a line feed belongs to the line end, so files with
// CR LF line ends read exactly like files with LF line ends on every
// platform. A physical line longer than kMaxLineLength is delivered in
// pieces of kMaxLineLength bytes, each a line of its own; a line of exactly
// kMaxLineLength bytes is therefore followed by an empty line. The last line
// needs no line feed.
//
// The reader takes at most kMaxFileBytes bytes of a file and then acts as at
// its end, so that a file without end (a link to a device, a log written
// into the wrong name) cannot hold up the host: a line that the bound cuts
// ends there.
//
// Opening a file that does not exist creates it empty; the reader then
// delivers nothing. The file is never written otherwise.
#ifndef TARVOK_SPAWN_LINE_READER_H_
#define TARVOK_SPAWN_LINE_READER_H_

#include <cstdint>
#include <cstdio>

class LineReader {
 public:
  static constexpr std::uint32_t kMaxLineLength = 255;
  static constexpr std::uint32_t kMaxFileBytes = 1024 * 1024;
  // A line buffer: the line's bytes and a terminating zero byte.
  typedef char Line[kMaxLineLength + 1];

  // Opens `fileName` for reading, creating it empty when it is missing.
  explicit LineReader(const char* fileName);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Reads the next line into `line`, zero-terminated. Returns false, leaving
  // `line` unspecified, when the end of the file (or a read error) comes
  // before any byte, or when the file could not be opened.
  bool readLine(Line& line);

 private:
  // The next byte, or EOF at the end or the bound.
  int nextByte();
  void putBack(int byte);

  std::FILE* file;
  std::uint32_t bytesLeft = kMaxFileBytes;
};

#endif  // TARVOK_SPAWN_LINE_READER_H_
