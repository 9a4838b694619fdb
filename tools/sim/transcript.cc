#include "sim/transcript.h"

namespace {

const char* colourOf(LineKind kind) {
  switch (kind) {
    case LineKind::Note:
      return "\033[1m";  // bold
    case LineKind::Host:
      return "\033[2m";  // dim
    case LineKind::Player:
      return "\033[32m";  // green
    case LineKind::Bot:
      return "\033[36m";  // cyan
    case LineKind::Zone:
      return "\033[33m";  // yellow
    case LineKind::Log:
      return "\033[35m";  // magenta
  }
  return "";
}

const char* const kColourOff = "\033[0m";

}  // namespace

Transcript::Transcript(std::FILE* out, bool colours)
    : out_(out), colours_(colours) {}

void Transcript::write(LineKind kind, const std::string& text) {
  const std::string stamp = timeStamp(seconds_);
  if (colours_) {
    std::fprintf(out_, "\033[2m%s%s %s%s%s\n", stamp.c_str(), kColourOff,
                 colourOf(kind), text.c_str(), kColourOff);
  } else {
    std::fprintf(out_, "%s %s\n", stamp.c_str(), text.c_str());
  }
  std::fflush(out_);
}

std::string Transcript::quoted(const std::string& text) {
  static const char kHexDigits[] = "0123456789ABCDEF";
  std::string result = "\"";
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      result += "\\x";
      result += kHexDigits[byte >> 4];
      result += kHexDigits[byte & 0xF];
    } else {
      result += c;
    }
  }
  result += '"';
  return result;
}

std::string Transcript::clock(std::uint32_t seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02lu:%02lu:%02lu",
                static_cast<unsigned long>(seconds / 3600),
                static_cast<unsigned long>(seconds / 60 % 60),
                static_cast<unsigned long>(seconds % 60));
  return buffer;
}
