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

LineReader::~LineReader() {
  if (file != nullptr) std::fclose(file);
}

bool LineReader::readLine(Line& line) {
  if (file == nullptr) return false;
  std::uint32_t length = 0;
  bool tookAnyByte = false;
  while (length < kMaxLineLength) {
    const int byte = nextByte();
    if (byte == EOF) break;
    tookAnyByte = true;
    if (byte == '\n') break;
    if (byte == '\r') {
      const int next = nextByte();
      if (next == '\n') break;
      if (next != EOF) putBack(next);
    }
    line[length++] = static_cast<char>(byte);
  }
  line[length] = '\0';
  return tookAnyByte;
}

int LineReader::nextByte() {
  if (bytesLeft == 0) return EOF;
  const int byte = std::getc(file);
  if (byte != EOF) --bytesLeft;
  return byte;
}

void LineReader::putBack(int byte) {
  std::ungetc(byte, file);
  ++bytesLeft;
}
