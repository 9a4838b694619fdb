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
// delivers nothing. The file is never written otherwise. Host-side tools
// read the bytes of a file they hold in memory the same way.
#ifndef TARVOK_SPAWN_LINE_READER_H_
#define TARVOK_SPAWN_LINE_READER_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>

class LineReader {
 public:
  static constexpr std::uint32_t kMaxLineLength = 255;
  static constexpr std::uint32_t kMaxFileBytes = 1024 * 1024;
  // A line buffer: the line's bytes and a terminating zero byte.
  typedef char Line[kMaxLineLength + 1];
  // What ended the line read last.
  enum class LineEnd : std::uint8_t {
    LineFeed,  // its line feed (or CR LF)
    Length,    // kMaxLineLength bytes: the physical line goes on
    End,       // the end of the file, or the reading bound
  };

  // Opens `fileName` for reading, creating it empty when it is missing.
  explicit LineReader(const char* fileName);
  // Reads the `size` bytes at `bytes`, which outlive the reader.
  LineReader(const char* bytes, std::size_t size);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Reads the next line into `line`, zero-terminated. Returns false, leaving
  // `line` unspecified, when the end of the file (or a read error) comes
  // before any byte, or when the file could not be opened.
  bool readLine(Line& line);
  // The number of bytes of the line read last (a zero byte among them ends
  // its text sooner), and what ended it.
  std::uint32_t lastLength() const { return lastLength_; }
  LineEnd lastEnd() const { return lastEnd_; }
  // True when the bound stopped the reading and the file holds more bytes.
  // Reads ahead one byte of a file: asked only after the last line.
  bool stoppedAtBound();

 private:
  static constexpr std::size_t kBufferBytes = 4096;

  // The next byte, or EOF at the end or the bound.
  int nextByte();
  // Puts back the byte read last.
  void putBack();
  // Reads the file's next bytes into the buffer; false at its end.
  bool refill();

  std::FILE* file = nullptr;
  // The bytes not yet delivered: of the buffer, or of the bytes in memory.
  const unsigned char* next_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::uint32_t bytesLeft = kMaxFileBytes;
  std::uint32_t lastLength_ = 0;
  LineEnd lastEnd_ = LineEnd::End;
  unsigned char buffer_[kBufferBytes];
};

#endif  // TARVOK_SPAWN_LINE_READER_H_
