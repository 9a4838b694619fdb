#include "commands/command_line.h"

#include <algorithm>
#include <cstddef>
#include <set>

#include "evidence/sweep.h"
#include "hostkit/shown_text.h"

namespace {

const char kVersion[] = "tarvok-sim " TARVOK_VERSION;

const char kRunDescription[] =
    "tarvok-sim plays the host bot and the zone server around the tarvok\n"
    "plug-in library, loaded as the host loads it, and writes a transcript:\n"
    "each line says, at the simulated time, who said what to whom.\n";

const char kScenarioLines[] =
    "Each run works in a folder of its own with its own tarvok.ini (empty, or\n"
    "the copy of --ini): files of yours are never changed.\n"
    "\n"
    "Scenario lines (one action a line; # comments, ## notes):\n"
    "  bot NAME [arena=ARENA]    switch to bot NAME (added when new; the host\n"
    "                            starts with LagBot), in arena ARENA\n"
    "  init [MAJOR.MINOR]        the host connects the plug-in (6.5)\n"
    "  term                      the host disconnects it\n"
    "  arrive NAME [ident=N] [level=L] [ship=N] [ping=C/A/L/H] [loss=S/C/W]\n"
    "                            defaults: the next free ident, level 0\n"
    "                            (Player), ship 0, ping=100/100/100/100,\n"
    "                            loss=0.0/0.0/0.0; a NAME with blanks is\n"
    "                            quoted: \"Big Bob\"\n"
    "  figures NAME [ping=C/A/L/H] [loss=S/C/W]\n"
    "  ship NAME N               the player changes ship (8: spectator)\n"
    "  NAME: TEXT                the player types TEXT (\"!...\": a command)\n"
    "  wait N                    N seconds pass\n"
    "  leave NAME                the player leaves\n"
    "  leave-arena               the bot leaves its arena\n"
    "  enter-arena ARENA         the bot moves to arena ARENA\n"
    "  ini TEXT                  add a line to tarvok.ini\n"
    "  ini-set KEY=VALUE         replace the KEY= lines of tarvok.ini\n"
    "  ini-clear                 empty tarvok.ini\n"
    "  server TEXT               the zone server sends TEXT to the bot\n"
    "  server-delay N            the server answers \"*lag\" N seconds late\n"
    "  server-drop NAME          it stops answering \"*lag\" for NAME\n"
    "  server-answer NAME        it answers \"*lag\" for NAME again\n"
    "  spike NAME SECONDS [ping=C/A/L/H] [loss=S/C/W]\n"
    "                            those figures for a while, then the old ones\n"
    "\n"
    "Exit status: 0 when the run went through; 2 for a faulty scenario line\n"
    "(with -i: of piped input), a faulty command line, or a file, library or\n"
    "folder that cannot be used.";

const char kCheckIniDescription[] =
    "check-ini reads FILE as the plug-in reads tarvok.ini and lists, with\n"
    "their line numbers, the lines it ignores or reads in a way you may not\n"
    "expect, then the settings that result: for every arena and for each\n"
    "[arena NAME] section, or with --arena only what a bot in that arena\n"
    "uses.\n";

const char kCheckIniFooter[] =
    "Exit status: 0 when nothing is surprising; 1 when something is, or when\n"
    "FILE is not there (the plug-in would then run on its defaults, which are\n"
    "listed); 2 when FILE cannot be read (a folder, no permission) or for a\n"
    "faulty command line.";

const char kReplayDescription[] =
    "replay plays the lag log LOG... (written by the plug-in with LagLog= in\n"
    "tarvok.ini) again through the plug-in, in simulated time, under the\n"
    "settings of --ini, and prints per player the checks, the limits\n"
    "reached, the warnings and the moves to spectator mode: logged beside\n"
    "replayed.\n";

const char kReplayFooter[] =
    "A damaged line of LOG is named on the standard error (LOG:LINE: why) and\n"
    "skipped. Exit status: 0 when the replay went through; 2 when a file\n"
    "cannot be used (LOG missing, a folder, no lag log; an output that cannot\n"
    "be written: checked before the replay starts) or for a faulty command\n"
    "line.";

const char kArenaDescription[] =
    "arena writes the lag log of a made-up arena of 30 players whose kinds\n"
    "are known from their names: good-NN (good connections), spiky-NN\n"
    "(honest players with a rare spike), lagger-NN (steady laggers),\n"
    "flaky-NN (laggers now and then), far-NN (steady high pings, no loss)\n"
    "and staff-NN, as a bot with automatic checks every 30 seconds that\n"
    "deals with nobody would log it. With --days, a long arena of 40\n"
    "players who come for sessions of hours, day after day, logged by a bot\n"
    "that checks every 20 seconds. \"tarvok-sim replay LOG --ini FILE\n"
    "--classes\" then scores FILE: how many players of each kind it would\n"
    "have warned or spectated. Exit status: 0, or 2 when LOG cannot be\n"
    "written or for a faulty command line.";

const char kSweepDescription[] =
    "sweep replays the lag log LOG... once for every combination of the\n"
    "--vary values (at most 1000), each time with the settings of --ini and\n"
    "those values, several replays at once, and prints a row per\n"
    "combination: the varied values; the replayed checks over a limit; the\n"
    "players announced, warned (or warned and spectated) and spectated; the\n"
    "honest players spectated, the laggers let through and the players\n"
    "spared on purpose (\"spared as steady\"); the blind checks (replayed\n"
    "checks that no logged figures answered), '!' after a row's over 5 %,\n"
    "whose counts then understate its settings.\n";

const char kSweepYardstick[] =
    "\n"
    "The yardstick is the plug-in's own judgement. Every check of the log\n"
    "is judged once, as the plug-in would judge it under the --ini settings\n"
    "(the base): with the arena's section, the population section the log\n"
    "names, the player's allowance and the steady verdict over their\n"
    "earlier checks. A lagger is over a limit in most of their checks. A\n"
    "player over the plain limits in most checks whom the base forgives on\n"
    "purpose (allow=, stability=) is spared: honest, like a player over a\n"
    "limit in at most one check in ten. The base is the yardstick because\n"
    "it is what you run and mean: the players its allow= and stability=\n"
    "lines spare are no laggers for any row. A row lets a lagger through\n"
    "when it never warned nor spectated them; laggers its own plug-in\n"
    "forgave as steady, and the base's spared players it left alone, are\n"
    "counted as spared, not misjudged; a spared player it spectated is an\n"
    "honest player spectated. Rows come best trade-off first: fewest\n"
    "players misjudged (honest spectated plus laggers let through), then\n"
    "fewest honest players spectated, then fewest laggers let through,\n"
    "then fewest players spectated: at equal mistakes the milder row.\n"
    "'*' marks the row of the --ini file's own values (run as a row of its\n"
    "own when no combination has them).\n"
    "\n"
    "With --classes, over the log of a made-up arena (see tarvok-sim arena),\n"
    "each row also says how many of the laggers (lagger-NN and flaky-NN),\n"
    "of the honest players (good-NN, spiky-NN, staff-NN) and of the steady\n"
    "high-latency links (far-NN) it warned or spectated, as replay\n"
    "--classes counts them:\n"
    "\n"
    "  tarvok-sim arena --seed 1 --output arena.log\n"
    "  tarvok-sim sweep arena.log --ini try.ini --classes\n"
    "      --vary stability=0,20,40 --vary strikes=1,3\n"
    "\n"
    "Exit status: 0 when every combination was replayed; 2 when a file\n"
    "cannot be used, a replay failed, or for a faulty command line (more\n"
    "than 1000 combinations among them).";

// The keys --vary takes, from the key table, in lines of at most 72
// characters.
std::string sweepKeysText() {
  std::string text =
      "KEY is a number key of tarvok.ini, without '=' and in its letter "
      "case:\n";
  std::string line;
  const std::string names = sweepKeyNames() + ".";
  std::size_t start = 0;
  while (start < names.size()) {
    std::size_t end = names.find(' ', start);
    if (end == std::string::npos) end = names.size();
    const std::string word = names.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > 72) {
      text += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  return text + line + "\n";
}

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

// How many arguments that are not options a command takes.
enum class Arity { kNone, kOptionalOne, kOne, kOneOrMore };

struct Command {
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
};

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

std::string helpText(const Command& command,
                     const std::vector<Command>* commands) {
  std::string text = command.header + "Usage: " + command.usage +
                     "\n\n";
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
    for (const Command& each : *commands) {
      text += helpRow(each.name, each.summary);
    }
    text += "\n";
  }
  if (!command.footer.empty()) text += command.footer + "\n";
  return text;
}

enum class Parsed { kDone, kHelp, kVersion, kFault };

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

bool takeArgument(const Command& command, const std::string& argument,
                  std::size_t* taken, std::string* fault) {
  const bool oneOnly = command.arity == Arity::kOptionalOne ||
                       command.arity == Arity::kOne;
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

// The arguments of one command, options anywhere among them until "--";
// "--NAME=VALUE" is "--NAME VALUE".
Parsed parseArguments(const Command& command,
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
std::string fullName(const Command& command) {
  const std::string name = command.name;
  return name == "tarvok-sim" ? name : "tarvok-sim " + name;
}

void reportFault(const Command& command, const std::string& fault,
                 CommandLine* line, std::string* errors) {
  *errors += fullName(command) + ": " + escapeControlBytes(fault) +
             "; see \"" + fullName(command) + " --help\"\n";
  line->command = SimCommand::Finished;
  line->status = kUsageFailed;
}

// The program's own options and the commands', bound to `line`.
std::vector<Command> describeCommands(CommandLine* line, std::string* topic) {
  std::vector<Command> commands;
  Command run{"tarvok-sim", "", "tarvok-sim [OPTIONS] [SCENARIO]\n"
              "       tarvok-sim COMMAND [OPTIONS] ...",
              std::string(kRunDescription) + "\n", kScenarioLines};
  run.arity = Arity::kOptionalOne;
  run.argumentName = "SCENARIO";
  run.argumentHelp =
      "a scenario file, one action a line (below);\n"
      "without it, the built-in demo";
  run.argument = &line->run.scenario;
  run.tooMany = "one scenario at a time";
  run.options = {
      textOption("--library", "PATH",
                 "the plug-in library to load (default: the\n"
                 "one beside this program)",
                 &line->run.library),
      textOption("--output", "FILE",
                 "write the transcript to FILE (default: the\n"
                 "standard output; colours only on a terminal,\n"
                 "never with NO_COLOR set)",
                 &line->run.output),
      textOption("--ini", "FILE",
                 "start with a copy of that tarvok.ini instead\n"
                 "of an empty one (the demo then leaves out its\n"
                 "own settings)",
                 &line->run.ini),
      textOption("--chart", "OUT.html",
                 "draw the rows of the plug-in's lag log\n"
                 "(LagLog= in tarvok.ini) as a page",
                 &line->run.chart),
      textOption("--log", "FILE",
                 "keep the plug-in's lag log in FILE, on the\n"
                 "simulated clock (second 0 is\n"
                 "2000-01-01T00:00:00Z), ready for replay",
                 &line->run.log),
      flagOption("-i", "take scenario lines typed at a prompt",
                 &line->run.interactive),
  };
  commands.push_back(run);

  Command checkIni{"check-ini", "what the plug-in makes of a tarvok.ini",
                   "tarvok-sim check-ini [OPTIONS] FILE", "",
                   std::string(kCheckIniDescription) + "\n" + kCheckIniFooter};
  checkIni.arity = Arity::kOne;
  checkIni.argumentName = "FILE";
  checkIni.argumentHelp = "the file to check; - reads the standard input";
  checkIni.argument = &line->checkIni.file;
  checkIni.tooMany = "check-ini takes one FILE";
  checkIni.options = {
      textOption("--arena", "NAME",
                 "show only the settings of a bot in arena\n"
                 "NAME",
                 &line->checkIni.arena),
      numberOption("--players", "N",
                   "show only the settings in force with N\n"
                   "players in ships (population sections)",
                   &line->checkIni.players, 0, 1000000),
  };
  commands.push_back(checkIni);

  Command replay{"replay", "a lag log played again under other settings",
                 "tarvok-sim replay [OPTIONS] LOG...", "",
                 std::string(kReplayDescription) + "\n" + kReplayFooter};
  replay.arity = Arity::kOneOrMore;
  replay.argumentName = "LOG";
  replay.argumentHelp =
      "the lag log; several files are read as one,\n"
      "a rotated set (lag.log.2 lag.log.1 lag.log,\n"
      "in any order) oldest first";
  replay.arguments = &line->replay.logs;
  ReplayOptions& replayed = line->replay;
  replay.options = {
      textOption("--ini", "FILE",
                 "the settings to replay with (default:\n"
                 "tarvok.ini of the current folder, else the\n"
                 "plug-in's defaults)",
                 &replayed.ini),
      textOption("--chart", "OUT.html",
                 "also write the chart: one page, offline,\n"
                 "each player's figures over time against the\n"
                 "limits, with the warnings and moves",
                 &replayed.chart),
      textOption("--transcript", "FILE",
                 "write every event of the replay to FILE\n"
                 "(for small logs)",
                 &replayed.transcript),
      textOption("--library", "PATH",
                 "the plug-in library to load (default: the\n"
                 "one beside this program)",
                 &replayed.library),
      flagOption("--classes",
                 "also print the scores by class, the class\n"
                 "being a player's name up to its first '-'\n"
                 "(the players of tarvok-sim arena)",
                 &replayed.classes),
      textOption("--player", "NAME",
                 "print the dispute report of NAME instead of\n"
                 "the table: each of their checks as logged\n"
                 "and as replayed, a verdict line at the top",
                 &replayed.player),
      textOption("--report", "OUT.html",
                 "with --player, also write the report as one\n"
                 "page, offline, readable on a phone",
                 &replayed.report),
  };
  commands.push_back(replay);

  Command arena{"arena", "a synthetic arena's lag log, for replay --classes",
                "tarvok-sim arena [OPTIONS]", "", kArenaDescription};
  arena.tooMany = "arena takes no argument";
  arena.options = {
      numberOption("--seed", "N",
                   "the arena's seed, 0 to 999999999: the same\n"
                   "seed, the same log (default 1)",
                   &line->arena.seed, 0, 999999999),
      numberOption("--minutes", "M",
                   "how long the arena plays, 10 to 10080\n"
                   "minutes (default 120)",
                   &line->arena.minutes, 10, 10080),
      numberOption("--days", "D",
                   "a long arena instead, of 1 to 28 days:\n"
                   "sessions of hours, laggers whose link\n"
                   "drops every few minutes",
                   &line->arena.days, 1, 28),
      textOption("--output", "LOG",
                 "write the log to LOG (default: the standard\n"
                 "output)",
                 &line->arena.output),
  };
  commands.push_back(arena);

  Command sweep{"sweep", "many settings over one lag log, ranked",
                "tarvok-sim sweep [OPTIONS] LOG...", "",
                std::string(kSweepDescription) + "\n" + sweepKeysText() +
                    kSweepYardstick};
  sweep.arity = Arity::kOneOrMore;
  sweep.argumentName = "LOG";
  sweep.argumentHelp =
      "the lag log; several files are read as one,\n"
      "a rotated set oldest first";
  sweep.arguments = &line->sweep.logs;
  SweepOptions& swept = line->sweep;
  Option vary{"--vary", "KEY=...",
              "a key and its values: KEY=A..B, KEY=A..B:STEP\n"
              "or KEY=A,B,C; once for each key, several\n"
              "multiply",
              ValueKind::kTexts};
  vary.texts = &swept.vary;
  vary.required = true;
  sweep.options = {
      vary,
      textOption("--ini", "BASE",
                 "the base settings (default: tarvok.ini of\n"
                 "the current folder, else the plug-in's\n"
                 "defaults)",
                 &swept.ini),
      textOption("--chart", "OUT.html",
                 "also write the trade-off chart: a point per\n"
                 "row, its settings as hover text",
                 &swept.chart),
      numberOption("--processes", "N",
                   "replays at once, 1 to 256 (default: one per\n"
                   "core)",
                   &swept.processes, 1, 256),
      textOption("--library", "PATH",
                 "the plug-in library to load (default: the\n"
                 "one beside this program)",
                 &swept.library),
      flagOption("--classes",
                 "also score each row by class, as replay\n"
                 "--classes does (the players of tarvok-sim\n"
                 "arena)",
                 &swept.classes),
  };
  commands.push_back(sweep);

  Command help{"help", "the usage of a command",
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
  const std::vector<Command> commands = describeCommands(&line, &topic);
  // The program's own options, or a command named first.
  std::size_t chosen = 0;
  for (std::size_t i = 1; i < commands.size(); ++i) {
    if (!arguments.empty() && arguments[0] == commands[i].name) chosen = i;
  }
  const Command& command = commands[chosen];
  const std::vector<Command> listed(commands.begin() + 1, commands.end());
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
    for (const Command& each : listed) {
      if (topic == each.name) {
        *out += helpText(each, nullptr);
        return line;
      }
    }
    reportFault(command, "there is no command " + shownField(topic), &line,
                errors);
    return line;
  }
  if (name == "tarvok-sim") {
    line.command = SimCommand::Run;
    if (line.run.interactive && !line.run.scenario.empty()) {
      reportFault(command, "-i and a scenario file exclude each other", &line,
                  errors);
    }
  } else if (name == "check-ini") {
    line.command = SimCommand::CheckIni;
  } else if (name == "replay") {
    line.command = SimCommand::Replay;
  } else if (name == "arena") {
    line.command = SimCommand::Arena;
    if (line.arena.days > 0 && line.arena.minutes > 0) {
      reportFault(command, "--minutes and --days exclude each other", &line,
                  errors);
    }
  } else if (name == "sweep") {
    line.command = SimCommand::Sweep;
  }
  return line;
}
