#include "commands/check_ini_command.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "hostkit/shown_text.h"
#include "hostkit/text_input.h"
#include "settings/config_check.h"

namespace {

const int kFailed = kUsageFailed;

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

void printSettings(const ConfigSettings& settings) {
  for (const std::string& row : settings.describe()) {
    std::printf("  %s\n", row.c_str());
  }
}

}  // namespace

CommandSyntax describeCheckIniCommand(CheckIniOptions* options) {
  CommandSyntax checkIni{
      "check-ini", "what the plug-in makes of a tarvok.ini",
      "tarvok-sim check-ini [OPTIONS] FILE", "",
      std::string(kCheckIniDescription) + "\n" + kCheckIniFooter};
  checkIni.arity = Arity::kOne;
  checkIni.argumentName = "FILE";
  checkIni.argumentHelp = "the file to check; - reads the standard input";
  checkIni.argument = &options->file;
  checkIni.tooMany = "check-ini takes one FILE";
  checkIni.options = {
      textOption("--arena", "NAME",
                 "show only the settings of a bot in arena\n"
                 "NAME",
                 &options->arena),
      numberOption("--players", "N",
                   "show only the settings in force with N\n"
                   "players in ships (population sections)",
                   &options->players, 0, 1000000),
  };
  return checkIni;
}

int runCheckIniCommand(const CheckIniOptions& options) {
  const std::string& argument = options.file;
  const std::string& arena = options.arena;
  const std::uint32_t playersGiven = options.players;
  const bool standardInput = argument == "-";
  const std::string path = standardInput ? kStandardInput : argument;
  const std::string shownPath = escapeControlBytes(path);
  std::string contents;
  std::string why;
  const TextRead read =
      standardInput ? readTextStream(stdin, path, &contents, &why)
                    : readTextFile(path, &contents, &why);
  std::error_code failure;
  if (read == TextRead::kCannotRead && !standardInput &&
      !std::filesystem::exists(path, failure) && !failure) {
    std::printf(
        "%s: there is no such file: the plug-in would create it empty and "
        "run on its defaults:\n",
        shownPath.c_str());
    printSettings(ConfigSettings());
    return 1;
  }
  if (read == TextRead::kRefused) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return kFailed;
  }
  if (read == TextRead::kCannotRead) {
    std::fprintf(stderr, "tarvok-sim check-ini: cannot read %s: %s\n",
                 shownPath.c_str(), why.c_str());
    return kFailed;
  }
  const ConfigCheck check(
      contents, standardInput ? std::string(".")
                              : std::filesystem::path(path).parent_path().empty()
                                    ? std::string(".")
                                    : std::filesystem::path(path)
                                          .parent_path()
                                          .string());
  for (const ConfigFinding& finding : check.findings()) {
    std::printf("%s:%zu: %s\n", shownPath.c_str(), finding.line,
                finding.message.c_str());
  }
  if (!check.findings().empty()) std::printf("\n");
  const std::int32_t players = static_cast<std::int32_t>(playersGiven);
  for (const std::string& line :
       check.settingsReport(
           shownPath, arena.empty() ? nullptr : &arena,
           playersGiven == CheckIniOptions::kNoPlayers ? nullptr : &players)) {
    std::printf("%s\n", line.c_str());
  }
  const std::size_t count = check.findings().size();
  if (count == 0) {
    std::printf("Nothing surprising: every line is read as written.\n");
    return 0;
  }
  std::printf("%zu finding%s.\n", count, count == 1 ? "" : "s");
  return 1;
}

