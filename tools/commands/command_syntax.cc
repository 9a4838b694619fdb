#include "commands/command_syntax.h"

#include <algorithm>
#include <set>

#include "hostkit/shown_text.h"

Option flagOption(const char* name, const char* help, bool* target) {
  Option option{name, "", help, ValueKind::kFlag};
  option.flag = target;
  return option;
}

Option textOption(const char* name, const char* valueName, const char* help,
                  std::string* target) {
  Option option{name, valueName, help, ValueKind::kText};
  option.text = target;
  return option;
}

Option numberOption(const char* name, const char* valueName,
                    const char* help, std::uint32_t* target,
                    std::uint32_t least, std::uint32_t most) {
  Option option{name, valueName, help, ValueKind::kNumber};
  option.number = target;
  option.least = least;
  option.most = most;
  return option;
}

Option libraryOption(std::string* target) {
  return textOption("--library", "PATH",
                    "the plug-in library to load (default: the\n"
                    "one beside this program)",
                    target);
}

namespace {

const std::size_t kHelpColumn = 28;

// "  NAME" then its help, each of its lines from column kHelpColumn.
std::string helpRow(const std::string& name, const std::string& help) {
  std::string row = "  " + name;
  if (row.size() >= kHelpColumn) row += "\n" + std::string(kHelpColumn, ' ');
  row.resize(std::max(row.size(), kHelpColumn), ' ');
  std::size_t start = 0;
  while (true) {
    const std::size_t end = help.find('\n', start);
    row += help.substr(start, end - start) + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
    row += std::string(kHelpColumn, ' ');
  }
  return row;
}

bool looksLikeOption(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-';
}

// A whole number of at most nine digits, or false.
bool readWholeNumber(const std::string& text, std::uint32_t* number) {
  if (text.empty() || text.size() > 9) return false;
  std::uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  *number = value;
  return true;
}

// Stores `value` for `option`; false with the fault otherwise.
bool takeValue(const Option& option, const std::string& value,
               std::string* fault) {
  if (value.empty()) {
    *fault = std::string(option.name) + " needs a " + option.valueName;
    return false;
  }
  switch (option.kind) {
    case ValueKind::kText:
      *option.text = value;
      return true;
    case ValueKind::kTexts:
      option.texts->push_back(value);
      return true;
    case ValueKind::kNumber: {
      std::uint32_t number = 0;
      if (!readWholeNumber(value, &number) || number < option.least ||
          number > option.most) {
        *fault = std::string(option.name) + " takes a whole number from " +
                 std::to_string(option.least) + " to " +
                 std::to_string(option.most) + ", not " + shownField(value);
        return false;
      }
      *option.number = number;
      return true;
    }
    case ValueKind::kFlag:
      break;
  }
  return false;
}

bool takeArgument(const CommandSyntax& command, const std::string& argument,
                  std::size_t* taken, std::string* fault) {
  const bool oneOnly =
      command.arity == Arity::kOptionalOne || command.arity == Arity::kOne;
  if (command.arity == Arity::kNone || (oneOnly && *taken == 1)) {
    *fault = std::string(command.tooMany) + " (" + shownField(argument) +
             " is one too many)";
    return false;
  }
  if (oneOnly) {
    *command.argument = argument;
  } else {
    command.arguments->push_back(argument);
  }
  ++*taken;
  return true;
}

}  // namespace

std::string helpText(const CommandSyntax& command,
                     const std::vector<CommandSyntax>* commands) {
  std::string text = command.header + "Usage: " + command.usage + "\n\n";
  if (command.arity != Arity::kNone) {
    std::string name = command.argumentName;
    if (command.arity == Arity::kOneOrMore) name += "...";
    text += "Positionals:\n" + helpRow(name, command.argumentHelp) + "\n";
  }
  text += "Options:\n" + helpRow("-h,--help", "print this help and exit") +
          helpRow("--version", "print the version and exit");
  for (const Option& option : command.options) {
    std::string name = option.name;
    if (*option.valueName != '\0') name += std::string(" ") + option.valueName;
    text += helpRow(name, option.help);
  }
  text += "\n";
  if (commands != nullptr) {
    text += "Commands:\n";
    for (const CommandSyntax& each : *commands) {
      text += helpRow(each.name, each.summary);
    }
    text += "\n";
  }
  if (!command.footer.empty()) text += command.footer + "\n";
  return text;
}

// The arguments of one command, options anywhere among them until "--";
// "--NAME=VALUE" is "--NAME VALUE".
Parsed parseArguments(const CommandSyntax& command,
                      const std::vector<std::string>& arguments,
                      std::size_t first, std::string* fault) {
  std::set<const Option*> given;
  std::size_t taken = 0;
  bool optionsEnded = false;
  for (std::size_t i = first; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || !looksLikeOption(argument)) {
      if (!takeArgument(command, argument, &taken, fault)) {
        return Parsed::kFault;
      }
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "-h" || argument == "--help") return Parsed::kHelp;
    if (argument == "--version") return Parsed::kVersion;
    const std::size_t equals =
        argument.compare(0, 2, "--") == 0 ? argument.find('=')
                                          : std::string::npos;
    const std::string name = argument.substr(0, equals);
    const Option* option = nullptr;
    for (const Option& each : command.options) {
      if (name == each.name) option = &each;
    }
    if (option == nullptr) {
      *fault = "unknown option " + shownField(name);
      return Parsed::kFault;
    }
    if (!given.insert(option).second && option->kind != ValueKind::kTexts) {
      *fault = name + " is given twice";
      return Parsed::kFault;
    }
    if (option->kind == ValueKind::kFlag) {
      if (equals != std::string::npos) {
        *fault = name + " takes no value";
        return Parsed::kFault;
      }
      *option->flag = true;
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = argument.substr(equals + 1);
    } else if (i + 1 < arguments.size() && !looksLikeOption(arguments[i + 1])) {
      value = arguments[++i];
    }
    if (!takeValue(*option, value, fault)) return Parsed::kFault;
  }
  if (taken == 0 && (command.arity == Arity::kOne ||
                     command.arity == Arity::kOneOrMore)) {
    *fault = std::string(command.argumentName) + " is required";
    return Parsed::kFault;
  }
  for (const Option& option : command.options) {
    if (option.required && given.count(&option) == 0) {
      *fault = std::string(option.name) + " is required";
      return Parsed::kFault;
    }
  }
  return Parsed::kDone;
}

// "tarvok-sim" or "tarvok-sim NAME".
std::string fullName(const CommandSyntax& command) {
  const std::string name = command.name;
  return name == "tarvok-sim" ? name : "tarvok-sim " + name;
}
