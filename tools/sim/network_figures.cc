#include "sim/network_figures.h"

#include <cstring>
#include <vector>

namespace {

// The texts between the slashes of `text`.
std::vector<std::string> slashFields(const std::string& text) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  while (true) {
    const std::string::size_type slash = text.find('/', start);
    fields.push_back(text.substr(start, slash - start));
    if (slash == std::string::npos) return fields;
    start = slash + 1;
  }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// An optional '-' and one or more digits, within the signed 32-bit range.
bool parseWholeNumber(const std::string& text, std::int32_t* value) {
  std::string::size_type position = (!text.empty() && text[0] == '-') ? 1 : 0;
  if (position == text.size()) return false;
  long long magnitude = 0;
  for (; position < text.size(); ++position) {
    if (!isDigit(text[position])) return false;
    magnitude = magnitude * 10 + (text[position] - '0');
    if (magnitude > 2147483648LL) return false;
  }
  const long long signedValue = text[0] == '-' ? -magnitude : magnitude;
  if (signedValue > 2147483647LL) return false;
  *value = static_cast<std::int32_t>(signedValue);
  return true;
}

// An optional '-', digits, and optionally '.' followed by digits.
bool isDecimal(const std::string& text) {
  std::string::size_type position = (!text.empty() && text[0] == '-') ? 1 : 0;
  const std::string::size_type digitsStart = position;
  while (position < text.size() && isDigit(text[position])) ++position;
  if (position == digitsStart) return false;
  if (position == text.size()) return true;
  if (text[position] != '.') return false;
  const std::string::size_type fractionStart = ++position;
  while (position < text.size() && isDigit(text[position])) ++position;
  return position > fractionStart && position == text.size();
}

}  // namespace

bool NetworkFigures::setPings(const std::string& text) {
  const std::vector<std::string> fields = slashFields(text);
  if (fields.size() != 4) return false;
  std::int32_t values[4];
  for (int i = 0; i < 4; ++i) {
    if (!parseWholeNumber(fields[i], &values[i])) return false;
  }
  currentPing = values[0];
  averagePing = values[1];
  lowPing = values[2];
  highPing = values[3];
  return true;
}

bool NetworkFigures::setLosses(const std::string& text) {
  const std::vector<std::string> fields = slashFields(text);
  if (fields.size() != 3) return false;
  for (const std::string& field : fields) {
    if (!isDecimal(field)) return false;
  }
  s2cLoss = fields[0];
  c2sLoss = fields[1];
  s2cWeaponsLoss = fields[2];
  return true;
}

std::string NetworkFigures::pingsText() const {
  return std::to_string(currentPing) + "/" + std::to_string(averagePing) + "/" +
         std::to_string(lowPing) + "/" + std::to_string(highPing);
}

std::string NetworkFigures::lossesText() const {
  return s2cLoss + "/" + c2sLoss + "/" + s2cWeaponsLoss;
}

std::string NetworkFigures::lagLine() const {
  const std::string pings[] = {
      std::to_string(currentPing), std::to_string(averagePing),
      std::to_string(lowPing), std::to_string(highPing)};
  const std::string_view figures[7] = {pings[0], pings[1], pings[2],
                                       pings[3], s2cLoss,  c2sLoss,
                                       s2cWeaponsLoss};
  std::string line;
  composeLagLine(figures, &line);
  return line;
}

void composeLagLine(const std::string_view (&figures)[7], std::string* line) {
  static constexpr std::string_view kBefore[7] = {
      "PING Current:", " ms  Average:", " ms  Low:",       " ms  High:",
      " ms  S2C: ",    "%  C2S: ",      "%  S2CWeapons: "};
  static constexpr std::string_view kEnd = "%";
  std::size_t total = kEnd.size();
  for (int i = 0; i < 7; ++i) total += kBefore[i].size() + figures[i].size();
  line->resize(total);
  char* out = line->data();
  // A line is made for every answered check of a replay: the figures, a
  // few bytes each, are copied a byte at a time rather than by a call.
  for (int i = 0; i < 7; ++i) {
    std::memcpy(out, kBefore[i].data(), kBefore[i].size());
    out += kBefore[i].size();
    for (char byte : figures[i]) *out++ = byte;
  }
  std::memcpy(out, kEnd.data(), kEnd.size());
}
