#include "commands/command_line.h"

#include "hostkit/shown_text.h"

namespace {

const char kVersion[] = "tarvok-sim " TARVOK_VERSION;

void reportFault(const CommandSyntax& command, const std::string& fault,
                 CommandLine* line, std::string* errors) {
  *errors += fullName(command) + ": " + escapeControlBytes(fault) + "; see \"" +
             fullName(command) + " --help\"\n";
  line->command = SimCommand::Finished;
  line->status = kUsageFailed;
}

// What each of describeCommands' commands is, index for index (the help
// command, last, prints and is done).
const SimCommand kChosen[] = {SimCommand::Run, SimCommand::CheckIni,
                              SimCommand::Replay, SimCommand::Arena,
                              SimCommand::Sweep};

// The program's own options and the commands', bound to `line`, in the
// order of the program's help; the help command last.
std::vector<CommandSyntax> describeCommands(CommandLine* line,
                                            std::string* topic) {
  std::vector<CommandSyntax> commands = {
      describeScenarioCommand(&line->run),
      describeCheckIniCommand(&line->checkIni),
      describeReplayCommand(&line->replay),
      describeArenaCommand(&line->arena),
      describeSweepCommand(&line->sweep),
  };
  CommandSyntax help{"help", "the usage of a command",
                     "tarvok-sim help [OPTIONS] [COMMAND]", "", ""};
  help.arity = Arity::kOptionalOne;
  help.argumentName = "COMMAND";
  help.argumentHelp =
      "check-ini, replay, arena, sweep or help;\n"
      "without it, the usage of tarvok-sim";
  help.argument = topic;
  help.tooMany = "help takes one COMMAND";
  commands.push_back(help);
  for (std::size_t i = 1; i < commands.size(); ++i) {
    commands[i].header = std::string(commands[i].summary) + "\n";
  }
  return commands;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             std::string* out, std::string* errors) {
  CommandLine line;
  std::string topic;
  const std::vector<CommandSyntax> commands = describeCommands(&line, &topic);
  // The program's own options, or a command named first.
  std::size_t chosen = 0;
  for (std::size_t i = 1; i < commands.size(); ++i) {
    if (!arguments.empty() && arguments[0] == commands[i].name) chosen = i;
  }
  const CommandSyntax& command = commands[chosen];
  const std::vector<CommandSyntax> listed(commands.begin() + 1, commands.end());
  std::string fault;
  switch (parseArguments(command, arguments, chosen == 0 ? 0 : 1, &fault)) {
    case Parsed::kHelp:
      // The program's help lists its commands.
      *out += helpText(command, chosen == 0 ? &listed : nullptr);
      return line;
    case Parsed::kVersion:
      *out += std::string(kVersion) + "\n";
      return line;
    case Parsed::kFault:
      reportFault(command, fault, &line, errors);
      return line;
    case Parsed::kDone:
      break;
  }
  const std::string name = command.name;
  if (name == "help") {
    if (topic.empty()) {
      *out += helpText(commands[0], &listed);
      return line;
    }
    for (const CommandSyntax& each : listed) {
      if (topic == each.name) {
        *out += helpText(each, nullptr);
        return line;
      }
    }
    reportFault(command, "there is no command " + shownField(topic), &line,
                errors);
    return line;
  }
  line.command = kChosen[chosen];
  const std::string conflict = command.conflict ? command.conflict() : "";
  if (!conflict.empty()) reportFault(command, conflict, &line, errors);
  return line;
}
