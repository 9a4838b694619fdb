#include "sim/scenario.h"

#include "sim/simulated_host.h"

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    std::string::size_type end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool Scenario::load(const std::string& text, std::size_t* errorLine,
                    std::string* error) {
  lines_.clear();
  SimulatedHost rehearsal(nullptr, nullptr);
  const std::string kByteOrderMark = "\xEF\xBB\xBF";
  const std::vector<std::string> texts = splitLines(
      text.compare(0, 3, kByteOrderMark) == 0 ? text.substr(3) : text);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    ScenarioLine line{i + 1, ScenarioAction()};
    if (!ScenarioAction::parse(texts[i], &line.action, error) ||
        !rehearsal.run(line.action, error)) {
      *errorLine = line.number;
      lines_.clear();
      return false;
    }
    if (line.action.kind != ActionKind::Nothing) lines_.push_back(line);
  }
  return true;
}
