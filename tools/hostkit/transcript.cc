#include "hostkit/transcript.h"

#include "hostkit/shown_text.h"

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

void Transcript::write(LineKind kind, const std::string& raw) {
  // Names and texts come from scenarios, logs and the plug-in: none of them
  // may colour the screen or start a line of its own.
  const std::string text = escapeControlBytes(raw);
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
  return '"' + escapeControlBytes(text) + '"';
}

std::string Transcript::clock(std::uint64_t seconds) {
  const auto twoDigits = [](std::uint64_t number) {
    return std::string(1, static_cast<char>('0' + number / 10)) +
           static_cast<char>('0' + number % 10);
  };
  const std::uint64_t hours = seconds / 3600;
  return (hours < 10 ? "0" : "") + std::to_string(hours) + ":" +
         twoDigits(seconds / 60 % 60) + ":" + twoDigits(seconds % 60);
}
