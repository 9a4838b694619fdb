// The shape of a command of tarvok-sim, and the reading of its arguments.
// A CommandSyntax names its arguments and its options, each option bound to
// the field it fills, and carries its help; the same description both
// parses what is given and writes the help, so that the two cannot
// disagree. (Not the host's Command record of util/command.h.)
//
// In the conventions of command-line tools: --help (-h) and --version are
// every command's own; options may stand anywhere among the arguments until
// "--", "--NAME=VALUE" is "--NAME VALUE", an option given twice is a fault
// (but for one given once per value). Faults name the argument with its
// control bytes escaped.
#ifndef TARVOK_TOOLS_COMMANDS_COMMAND_SYNTAX_H_
#define TARVOK_TOOLS_COMMANDS_COMMAND_SYNTAX_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Exit status of a faulty command line, and of a run that could not start.
constexpr int kUsageFailed = 2;

// The name messages give the standard input, read for a FILE of "-" or
// for lines piped in.
inline constexpr char kStandardInput[] = "(standard input)";

// How an option takes its value.
enum class ValueKind {
  kFlag,    // none: given or not
  kText,    // one text
  kTexts,   // a text each time it is given
  kNumber,  // a whole number within [least, most]
};

struct Option {
  const char* name;       // "--library", "-i"
  const char* valueName;  // "PATH"; "" for a flag
  const char* help;       // lines split by '\n'
  ValueKind kind;
  bool* flag = nullptr;
  std::string* text = nullptr;
  std::vector<std::string>* texts = nullptr;
  std::uint32_t* number = nullptr;
  std::uint32_t least = 0;
  std::uint32_t most = 0;
  bool required = false;
};

Option flagOption(const char* name, const char* help, bool* target);
Option textOption(const char* name, const char* valueName, const char* help,
                  std::string* target);
Option numberOption(const char* name, const char* valueName,
                    const char* help, std::uint32_t* target,
                    std::uint32_t least, std::uint32_t most);
// --library PATH, of every command that loads the plug-in.
Option libraryOption(std::string* target);

// How many arguments that are not options a command takes.
enum class Arity { kNone, kOptionalOne, kOne, kOneOrMore };

struct CommandSyntax {
  const char* name;     // "tarvok-sim" for the program itself
  const char* summary;  // its line in the program's list of commands
  const char* usage;    // after "Usage: "
  std::string header;   // the help's first lines
  std::string footer;   // the help's last lines; "" for none
  Arity arity = Arity::kNone;
  const char* argumentName = "";  // "FILE"
  const char* argumentHelp = "";
  std::string* argument = nullptr;              // kOptionalOne, kOne
  std::vector<std::string>* arguments = nullptr;  // kOneOrMore
  const char* tooMany = "";  // the fault of an argument too many
  std::vector<Option> options = {};
  // A fault among options that are each right (two that exclude each
  // other), asked after the parse; empty when there is none.
  std::function<std::string()> conflict = {};
};

// The help of `command`: its header, usage, arguments, options and footer;
// with `commands`, the list of them too (the program's own help).
std::string helpText(const CommandSyntax& command,
                     const std::vector<CommandSyntax>* commands);

enum class Parsed { kDone, kHelp, kVersion, kFault };

// Reads `arguments` from index `first` into the fields `command` is bound
// to; on kFault the fault is in `fault`.
Parsed parseArguments(const CommandSyntax& command,
                      const std::vector<std::string>& arguments,
                      std::size_t first, std::string* fault);

// "tarvok-sim" or "tarvok-sim NAME".
std::string fullName(const CommandSyntax& command);

#endif  // TARVOK_TOOLS_COMMANDS_COMMAND_SYNTAX_H_
