#include "sim/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>

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
    "deals with nobody would log it. \"tarvok-sim replay LOG --ini FILE\n"
    "--classes\" then scores FILE: how many players of each kind it would\n"
    "have warned or spectated. Exit status: 0, or 2 when LOG cannot be\n"
    "written or for a faulty command line.";

const char kSweepDescription[] =
    "sweep replays the lag log LOG... once for every combination of the\n"
    "--vary values (at most 1000), each time with the settings of --ini and\n"
    "those values, several replays at once, and prints a row per\n"
    "combination: the varied values; the replayed checks over a limit; the\n"
    "players announced, warned (or warned and spectated) and spectated; the\n"
    "honest players spectated and the laggers let through.\n";

const char kSweepFooter[] =
    "KEY is a number key of tarvok.ini, without '=' and in its letter case:\n"
    "current, average, s2cploss, c2sploss, s2cweapons, display, deal,\n"
    "maxcheckrate, queue, autocheck, strikes, grace, autochecklevel,\n"
    "answertimeout, minplayers, stability, pingceiling.\n"
    "\n"
    "Honest and lagging are judged once, from the log's own figures against\n"
    "the limits of --ini: honest when over a limit in at most one check in\n"
    "ten of theirs, a lagger when over in most of them; let through: never\n"
    "warned nor spectated. Rows come best trade-off first: fewest players\n"
    "misjudged (honest spectated plus laggers let through), then fewest\n"
    "honest players spectated, then fewest laggers let through. '*' marks\n"
    "the row of the --ini file's own values (run as a row of its own when no\n"
    "combination has them).\n"
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

// Where a fault points for help: "tarvok-sim --help", "tarvok-sim replay
// --help".
std::string helpPointer(const CLI::App& app) {
  std::string name = app.get_name();
  for (const CLI::App* parent = app.get_parent(); parent != nullptr;
       parent = parent->get_parent()) {
    name = parent->get_name() + " " + name;
  }
  return "see \"" + name + " --help\"";
}

void setUp(CLI::App& app) {
  app.set_help_flag("-h,--help", "print this help and exit");
  app.set_version_flag("--version", kVersion, "print the version and exit");
  app.allow_extras();
  app.footer("");
  auto formatter = std::make_shared<CLI::Formatter>();
  formatter->label("SUBCOMMAND", "COMMAND");
  formatter->label("REQUIRED", "");
  formatter->column_width(28);
  app.formatter(formatter);
}

// The options and arguments that no command took; "" when there are none,
// else the fault to report.
std::string leftOver(const CLI::App& app, const char* takesOnly) {
  for (const std::string& argument : app.remaining()) {
    if (argument.size() > 1 && argument[0] == '-') {
      return "unknown option " + argument;
    }
  }
  if (!app.remaining().empty()) {
    return std::string(takesOnly) + " (" + app.remaining().front() +
           " is one too many)";
  }
  return "";
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             std::string* out, std::string* errors) {
  // "help [COMMAND]" is "[COMMAND] --help"; its own options go on to the
  // parser below.
  if (!arguments.empty() && arguments[0] == "help" &&
      (arguments.size() == 1 || arguments[1].empty() ||
       arguments[1][0] != '-')) {
    const std::vector<std::string> topics(arguments.begin() + 1,
                                          arguments.end());
    std::string fault;
    if (topics.size() > 1) {
      fault = "help takes one COMMAND (" + topics[1] + " is one too many)";
    } else if (!topics.empty() && topics[0] != "check-ini" &&
               topics[0] != "replay" && topics[0] != "arena" &&
               topics[0] != "sweep" && topics[0] != "help") {
      fault = "there is no command " + topics[0];
    }
    if (!fault.empty()) {
      CommandLine line;
      line.status = kUsageFailed;
      *errors += "tarvok-sim help: " + escapeControlBytes(fault) +
                 "; see \"tarvok-sim help --help\"\n";
      return line;
    }
    std::vector<std::string> asked = topics;
    asked.push_back("--help");
    return parseCommandLine(asked, out, errors);
  }
  CommandLine line;
  CLI::App app(kRunDescription, "tarvok-sim");
  setUp(app);
  app.footer(kScenarioLines);
  RunOptions& run = line.run;
  app.add_option("SCENARIO", run.scenario,
                 "a scenario file, one action a line (below);\n"
                 "without it, the built-in demo")
      ->type_name("");
  app.add_option("--library", run.library,
                 "the plug-in library to load (default: the\n"
                 "one beside this program)")
      ->type_name("PATH");
  app.add_option("--output", run.output,
                 "write the transcript to FILE (default: the\n"
                 "standard output; colours only on a terminal,\n"
                 "never with NO_COLOR set)")
      ->type_name("FILE");
  app.add_option("--ini", run.ini,
                 "start with a copy of that tarvok.ini instead\n"
                 "of an empty one (the demo then leaves out its\n"
                 "own settings)")
      ->type_name("FILE");
  app.add_option("--chart", run.chart,
                 "draw the rows of the plug-in's lag log\n"
                 "(LagLog= in tarvok.ini) as a page")
      ->type_name("OUT.html");
  app.add_option("--log", run.log,
                 "keep the plug-in's lag log in FILE, on the\n"
                 "simulated clock (second 0 is\n"
                 "2000-01-01T00:00:00Z), ready for replay")
      ->type_name("FILE");
  app.add_flag("-i", run.interactive,
               "take scenario lines typed at a prompt");

  CLI::App* checkIni = app.add_subcommand(
      "check-ini", "what the plug-in makes of a tarvok.ini");
  setUp(*checkIni);
  checkIni->group("Commands");
  checkIni->footer(std::string(kCheckIniDescription) + "\n" + kCheckIniFooter);
  checkIni->add_option("FILE", line.checkIni.file,
                       "the file to check; - reads the standard input")
      ->type_name("")
      ->required();
  checkIni
      ->add_option("--arena", line.checkIni.arena,
                   "show only the settings of a bot in arena\n"
                   "NAME")
      ->type_name("NAME");

  CLI::App* replay = app.add_subcommand(
      "replay", "a lag log played again under other settings");
  setUp(*replay);
  replay->group("Commands");
  replay->footer(std::string(kReplayDescription) + "\n" + kReplayFooter);
  ReplayOptions& replayed = line.replay;
  replay->add_option("LOG", replayed.logs,
                     "the lag log; several files are read as one,\n"
                     "a rotated set (lag.log.2 lag.log.1 lag.log,\n"
                     "in any order) oldest first")
      ->type_name("")
      ->required();
  replay->add_option("--ini", replayed.ini,
                     "the settings to replay with (default:\n"
                     "tarvok.ini of the current folder, else the\n"
                     "plug-in's defaults)")
      ->type_name("FILE");
  replay->add_option("--chart", replayed.chart,
                     "also write the chart: one page, offline,\n"
                     "each player's figures over time against the\n"
                     "limits, with the warnings and moves")
      ->type_name("OUT.html");
  replay->add_option("--transcript", replayed.transcript,
                     "write every event of the replay to FILE\n"
                     "(for small logs)")
      ->type_name("FILE");
  replay->add_option("--library", replayed.library,
                     "the plug-in library to load (default: the\n"
                     "one beside this program)")
      ->type_name("PATH");

  replay->add_flag("--classes", replayed.classes,
                   "also print the scores by class, the class\n"
                   "being a player's name up to its first '-'\n"
                   "(the players of tarvok-sim arena)");

  CLI::App* arena = app.add_subcommand(
      "arena", "a synthetic arena's lag log, for replay --classes");
  setUp(*arena);
  arena->group("Commands");
  arena->footer(kArenaDescription);
  ArenaOptions& arenaOptions = line.arena;
  arena->add_option("--seed", arenaOptions.seed,
                    "the arena's seed, 0 to 999999999: the same\n"
                    "seed, the same log (default 1)")
      ->type_name("N")
      ->check(CLI::Range(0u, 999999999u).description(""));
  arena->add_option("--minutes", arenaOptions.minutes,
                    "how long the arena plays, 10 to 10080\n"
                    "minutes (default 120)")
      ->type_name("M")
      ->check(CLI::Range(10u, 10080u).description(""));
  arena->add_option("--output", arenaOptions.output,
                    "write the log to LOG (default: the standard\n"
                    "output)")
      ->type_name("LOG");

  CLI::App* sweep = app.add_subcommand(
      "sweep", "many settings over one lag log, ranked");
  setUp(*sweep);
  sweep->group("Commands");
  sweep->footer(std::string(kSweepDescription) + "\n" + kSweepFooter);
  SweepOptions& swept = line.sweep;
  sweep->add_option("LOG", swept.logs,
                    "the lag log; several files are read as one,\n"
                    "a rotated set oldest first")
      ->type_name("")
      ->required();
  sweep->add_option("--vary", swept.vary,
                    "a key and its values: KEY=A..B, KEY=A..B:STEP\n"
                    "or KEY=A,B,C; several multiply")
      ->type_name("KEY=...")
      ->allow_extra_args(false)
      ->required();
  sweep->add_option("--ini", swept.ini,
                    "the base settings (default: tarvok.ini of\n"
                    "the current folder, else the plug-in's\n"
                    "defaults)")
      ->type_name("BASE");
  sweep->add_option("--chart", swept.chart,
                    "also write the trade-off chart: a point per\n"
                    "row, its settings as hover text")
      ->type_name("OUT.html");
  sweep->add_option("--processes", swept.processes,
                    "replays at once, 1 to 256 (default: one per\n"
                    "core)")
      ->type_name("N")
      ->check(CLI::Range(1u, 256u).description(""));
  sweep->add_option("--library", swept.library,
                    "the plug-in library to load (default: the\n"
                    "one beside this program)")
      ->type_name("PATH");
  sweep->add_flag("--classes", swept.classes,
                  "also score each row by class, as replay\n"
                  "--classes does (the players of tarvok-sim\n"
                  "arena)");

  CLI::App* help = app.add_subcommand("help", "the usage of a command");
  setUp(*help);
  help->group("Commands");
  std::string topic;
  help->add_option("COMMAND", topic,
                   "check-ini, replay, arena, sweep or help;\n"
                   "without it, the usage of tarvok-sim")
      ->type_name("");

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  const CLI::App* failedApp = &app;
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    *out += app.help();
    return line;
  } catch (const CLI::CallForVersion&) {
    *out += std::string(kVersion) + "\n";
    return line;
  } catch (const CLI::ParseError& error) {
    for (const CLI::App* command : app.get_subcommands()) failedApp = command;
    *errors += failedApp->get_name() == "tarvok-sim"
                   ? "tarvok-sim: "
                   : "tarvok-sim " + failedApp->get_name() + ": ";
    *errors += escapeControlBytes(error.what()) + "; " +
               helpPointer(*failedApp) +
               "\n";
    line.status = kUsageFailed;
    return line;
  }

  const CLI::App* chosen = &app;
  std::string fault;
  if (help->parsed()) {
    // Options of "help", or "help" after other arguments: the program's
    // usage.
    chosen = help;
    fault = leftOver(*help, "help takes one COMMAND");
    if (fault.empty()) {
      *out += app.get_formatter()->make_help(&app, "tarvok-sim",
                                             CLI::AppFormatMode::Normal);
      return line;
    }
  } else if (checkIni->parsed()) {
    chosen = checkIni;
    fault = leftOver(*checkIni, "check-ini takes one FILE");
    if (fault.empty() && checkIni->count("--arena") != 0 &&
        line.checkIni.arena.empty()) {
      fault = "--arena needs an arena's name";
    }
    line.command = SimCommand::CheckIni;
  } else if (replay->parsed()) {
    chosen = replay;
    fault = leftOver(*replay, "");
    line.command = SimCommand::Replay;
  } else if (sweep->parsed()) {
    chosen = sweep;
    fault = leftOver(*sweep, "");
    line.command = SimCommand::Sweep;
  } else if (arena->parsed()) {
    chosen = arena;
    fault = leftOver(*arena, "arena takes no argument");
    line.command = SimCommand::Arena;
  } else {
    fault = leftOver(app, "one scenario at a time");
    if (fault.empty() && run.interactive && !run.scenario.empty()) {
      fault = "-i and a scenario file exclude each other";
    }
    line.command = SimCommand::Run;
  }
  if (fault.empty()) return line;
  *errors += (chosen == &app ? "tarvok-sim: "
                             : "tarvok-sim " + chosen->get_name() + ": ") +
             escapeControlBytes(fault) + "; " + helpPointer(*chosen) + "\n";
  line.command = SimCommand::Finished;
  line.status = kUsageFailed;
  return line;
}
