// The file is opened in binary mode and the reader turns CR LF into a line
// end itself, so every platform reads the same lines: Windows' text mode
// would eat one carriage return of "\r\r\n" and stop at a Ctrl-Z byte.
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
    : memory_(reinterpret_cast<const unsigned char*>(bytes)),
      memoryEnd_(memory_ + size) {}

LineReader::~LineReader() {
  if (file != nullptr) std::fclose(file);
}

bool LineReader::readLine(Line& line) {
  if (file == nullptr && memory_ == nullptr) return false;
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
      if (next != EOF) putBack(next);
    }
    line[length++] = static_cast<char>(byte);
  }
  line[length] = '\0';
  lastLength_ = length;
  return tookAnyByte;
}

bool LineReader::stoppedAtBound() {
  if (bytesLeft != 0) return false;
  if (memory_ != nullptr) return memory_ != memoryEnd_;
  if (file == nullptr) return false;
  const int byte = std::getc(file);
  if (byte == EOF) return false;
  std::ungetc(byte, file);
  return true;
}

int LineReader::nextByte() {
  if (bytesLeft == 0) return EOF;
  int byte;
  if (memory_ == nullptr) {
    byte = std::getc(file);
  } else {
    byte = memory_ == memoryEnd_ ? EOF : *memory_++;
  }
  if (byte != EOF) --bytesLeft;
  return byte;
}

void LineReader::putBack(int byte) {
  if (memory_ == nullptr) {
    std::ungetc(byte, file);
  } else {
    --memory_;
  }
  ++bytesLeft;
}
