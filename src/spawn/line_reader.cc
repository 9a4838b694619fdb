// The file is opened in binary mode and the reader turns CR LF into a line
// end itself, so every platform reads the same lines: Windows' text mode
// would eat one carriage return of "\r\r\n" and stop at a Ctrl-Z byte. The
// file's bytes are taken a buffer at a time, so that a byte costs a
// comparison rather than a call.
#include "spawn/line_reader.h"

LineReader::LineReader(const char* fileName)
    : file(std::fopen(fileName, "rb")) {
  if (file != nullptr) return;
  // Appending creates a missing file empty and never changes an existing
  // one that merely refused to be read.
  std::FILE* created = std::fopen(fileName, "a");
  if (created != nullptr) std::fclose(created);
}

LineReader::LineReader(const char* bytes, std::size_t size)
    : next_(reinterpret_cast<const unsigned char*>(bytes)),
      end_(next_ == nullptr ? nullptr : next_ + size) {}

LineReader::~LineReader() {
  if (file != nullptr) std::fclose(file);
}

bool LineReader::readLine(Line& line) {
  std::uint32_t length = 0;
  bool tookAnyByte = false;
  lastEnd_ = LineEnd::Length;
  while (length < kMaxLineLength) {
    const int byte = nextByte();
    if (byte == EOF) {
      lastEnd_ = LineEnd::End;
      break;
    }
    tookAnyByte = true;
    if (byte == '\n') {
      lastEnd_ = LineEnd::LineFeed;
      break;
    }
    if (byte == '\r') {
      const int next = nextByte();
      if (next == '\n') {
        lastEnd_ = LineEnd::LineFeed;
        break;
      }
      if (next != EOF) putBack();
    }
    line[length++] = static_cast<char>(byte);
  }
  line[length] = '\0';
  lastLength_ = length;
  return tookAnyByte;
}

bool LineReader::stoppedAtBound() {
  return bytesLeft == 0 && (next_ != end_ || refill());
}

int LineReader::nextByte() {
  if (bytesLeft == 0) return EOF;
  if (next_ == end_ && !refill()) return EOF;
  --bytesLeft;
  return *next_++;
}

void LineReader::putBack() {
  // The byte read last is still in the buffer: a refill only comes when
  // every byte before it has been read.
  --next_;
  ++bytesLeft;
}

bool LineReader::refill() {
  if (file == nullptr) return false;
  const std::size_t read = std::fread(buffer_, 1, kBufferBytes, file);
  next_ = buffer_;
  end_ = buffer_ + read;
  return read != 0;
}
