// Fuzzes the Command parser with arbitrary lines and compares every record
// it builds with a straightforward model of the parsing rules: the command
// word lower-cased up to the first blank or '-'; switch tokens before the
// parameter text, each a run of letters optionally followed by '=' (or '-')
// and a value for the last letter; the parameter text as typed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "util/command.h"

namespace {

struct ModelSwitch {
  char letter;
  std::string value;
};

struct ModelCommand {
  std::string name;
  std::string parameter;
  std::vector<ModelSwitch> switches;
};

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

void modelAddSwitches(const std::string& token,
                      std::vector<ModelSwitch>& switches) {
  bool atLetters = true;
  bool haveLetter = false;
  char letter = 0;
  std::string value;
  for (char c : token) {
    if (c == '-') {
      if (!atLetters) value += c;
      atLetters = false;
    } else if (c == '=') {
      atLetters = false;
    } else if (atLetters) {
      letter = lowerAscii(c);
      haveLetter = true;
      switches.push_back({letter, ""});
    } else {
      value += c;
    }
  }
  if (haveLetter && !atLetters) switches.back() = {letter, value};
}

ModelCommand modelParse(const std::string& line) {
  ModelCommand command;
  bool readingName = true;
  bool readingSwitch = false;
  bool parameterStarted = false;
  bool afterBlank = false;
  std::string token;
  for (char c : line) {
    if (c == ' ') {
      if (readingName) {
        command.name = token;
        readingName = false;
        token.clear();
      } else if (readingSwitch) {
        modelAddSwitches(token, command.switches);
        readingSwitch = false;
        token.clear();
      } else if (parameterStarted) {
        token += c;
      }
      afterBlank = true;
    } else if (c == '-') {
      if (readingName) {
        command.name = token;
        readingName = false;
        readingSwitch = true;
        token.clear();
      } else if (readingSwitch || parameterStarted) {
        token += c;
      } else {
        readingSwitch = true;
      }
      afterBlank = false;
    } else if (readingName) {
      token += lowerAscii(c);
    } else {
      if (afterBlank) {
        parameterStarted = true;
        afterBlank = false;
      }
      token += c;
    }
  }
  if (readingName) {
    command.name = token;
  } else if (readingSwitch) {
    modelAddSwitches(token, command.switches);
  } else {
    command.parameter = token;
  }
  return command;
}

std::string lowered(std::string text) {
  for (char& c : text) c = lowerAscii(c);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  // The host hands the parser a terminated line: it ends at the first zero.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string line = bytes.substr(0, bytes.find('\0'));
  const Command command(line.c_str());
  const ModelCommand model = modelParse(line);
  const std::string where = " for line '" + line + "'";

  FUZZ_CHECK(command.commandName != nullptr && command.parameterText != nullptr,
             "missing text" + where);
  FUZZ_CHECK(model.name == command.commandName,
             "name '" + std::string(command.commandName) + "', expected '" +
                 model.name + "'" + where);
  FUZZ_CHECK(model.parameter == command.parameterText,
             "parameter '" + std::string(command.parameterText) +
                 "', expected '" + model.parameter + "'" + where);
  FUZZ_CHECK(command.switches.count == model.switches.size(),
             "switch count " + std::to_string(command.switches.count) +
                 ", expected " + std::to_string(model.switches.size()) + where);
  std::size_t index = 0;
  for (const _listnode<_switch>* node = command.switches.head; node != nullptr;
       node = node->next, ++index) {
    FUZZ_CHECK(index < model.switches.size(), "too many switches" + where);
    const ModelSwitch& expected = model.switches[index];
    FUZZ_CHECK(node->item->letter == static_cast<std::uint8_t>(expected.letter),
               "switch letter" + where);
    FUZZ_CHECK(expected.value == node->item->valueText,
               "switch value '" + std::string(node->item->valueText) +
                   "', expected '" + expected.value + "'" + where);
    FUZZ_CHECK((node->next == nullptr) == (node == command.switches.tail),
               "switch list tail" + where);
  }

  // The lookups the plug-in uses.
  FUZZ_CHECK(command.commandIs(model.name.c_str()), "commandIs" + where);
  FUZZ_CHECK(command.parameterIs(lowered(model.parameter).c_str()),
             "parameterIs" + where);
  FUZZ_CHECK(!command.parameterIs((lowered(model.parameter) + "x").c_str()),
             "parameterIs of a longer topic" + where);
  for (const ModelSwitch& expected : model.switches) {
    const _switch* found =
        command.findSwitch(static_cast<std::uint8_t>(expected.letter));
    FUZZ_CHECK(found != nullptr, "findSwitch" + where);
    for (const ModelSwitch& earlier : model.switches) {
      if (earlier.letter == expected.letter) {
        FUZZ_CHECK(earlier.value == found->valueText,
                   "findSwitch did not find the first" + where);
        break;
      }
    }
  }
  return 0;
}
