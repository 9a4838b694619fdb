#include "hostkit/shown_text.h"

bool isControlByte(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

std::string escapeControlBytes(std::string_view text) {
  static const char kHexDigits[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  for (char c : text) {
    if (isControlByte(c)) {
      const unsigned char byte = static_cast<unsigned char>(c);
      shown += "\\x";
      shown += kHexDigits[byte >> 4];
      shown += kHexDigits[byte & 0xF];
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string shownField(std::string_view text, std::size_t longest) {
  if (text.size() <= longest) return escapeControlBytes(text);
  return escapeControlBytes(text.substr(0, longest)) + "...";
}

std::string quotedField(std::string_view text, std::size_t longest) {
  return '"' + shownField(text, longest) + '"';
}

std::string htmlEscaped(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        result += "&amp;";
        break;
      case '<':
        result += "&lt;";
        break;
      case '>':
        result += "&gt;";
        break;
      case '"':
        result += "&quot;";
        break;
      default:
        result += c;
    }
  }
  return result;
}
