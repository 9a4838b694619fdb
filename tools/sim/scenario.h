// Scenario: a whole scenario text, every line parsed and then rehearsed on a
// host without plug-in, so that a faulty line (unknown, malformed, or about
// a player who is not there) is found before anything runs.
#ifndef TARVOK_TOOLS_SIM_SCENARIO_H_
#define TARVOK_TOOLS_SIM_SCENARIO_H_

#include <cstddef>
#include <string>
#include <vector>

#include "sim/scenario_action.h"

struct ScenarioLine {
  std::size_t number;  // from 1
  ScenarioAction action;
};

class Scenario {
 public:
  // Parses and rehearses `text` (LF or CR LF line ends; a UTF-8 byte order
  // mark at its start, as some editors write, is skipped). False for the
  // first faulty line, with its number in `errorLine` and the reason in
  // `error`.
  bool load(const std::string& text, std::size_t* errorLine,
            std::string* error);

  const std::vector<ScenarioLine>& lines() const { return lines_; }

 private:
  std::vector<ScenarioLine> lines_;
};

// The lines of `text`, without their LF or CR LF ends.
std::vector<std::string> splitLines(const std::string& text);

#endif  // TARVOK_TOOLS_SIM_SCENARIO_H_
