#include "commands/command_syntax.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

// A command of each kind of option, as a command file describes one.
struct Fields {
  std::vector<std::string> logs;
  std::string ini;
  std::vector<std::string> vary;
  std::uint32_t seed = 1;
  bool classes = false;
};

CommandSyntax describe(Fields* fields) {
  CommandSyntax command{"try", "a command to try",
                        "tarvok-sim try [OPTIONS] LOG...",
                        "try: a command to try\n", "Exit status: 0."};
  command.arity = Arity::kOneOrMore;
  command.argumentName = "LOG";
  command.argumentHelp = "the lag log";
  command.arguments = &fields->logs;
  Option vary{"--vary", "KEY=...", "a key and its values", ValueKind::kTexts};
  vary.texts = &fields->vary;
  command.options = {
      textOption("--ini", "FILE", "the settings", &fields->ini),
      vary,
      numberOption("--seed", "N", "the seed, 0 to 99", &fields->seed, 0, 99),
      flagOption("--classes", "also by class", &fields->classes),
  };
  command.conflict = [fields] {
    return fields->classes && fields->seed == 0
               ? std::string("--classes and --seed 0 exclude each other")
               : std::string();
  };
  return command;
}

Parsed parse(const std::vector<std::string>& arguments, Fields* fields,
             std::string* fault) {
  return parseArguments(describe(fields), arguments, 0, fault);
}

TEST(CommandSyntaxTest, ReadsOptionsAnywhereUntilTheEndOfOptions) {
  Fields fields;
  std::string fault;
  ASSERT_EQ(Parsed::kDone,
            parse({"a.log", "--ini=x.ini", "--vary", "strikes=1,2", "b.log",
                   "--seed", "7", "--vary=stability=0", "--classes", "--",
                   "--c.log"},
                  &fields, &fault))
      << fault;
  EXPECT_EQ((std::vector<std::string>{"a.log", "b.log", "--c.log"}),
            fields.logs);
  EXPECT_EQ("x.ini", fields.ini);
  EXPECT_EQ((std::vector<std::string>{"strikes=1,2", "stability=0"}),
            fields.vary);
  EXPECT_EQ(7u, fields.seed);
  EXPECT_TRUE(fields.classes);
  EXPECT_TRUE(describe(&fields).conflict().empty());
  fields.seed = 0;
  EXPECT_EQ("--classes and --seed 0 exclude each other",
            describe(&fields).conflict());
}

TEST(CommandSyntaxTest, NamesEachFaultAndStopsAtHelpOrVersion) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> faults =
      {{{}, "LOG is required"},
       {{"a.log", "--seed", "100"},
        "--seed takes a whole number from 0 to 99, not 100"},
       {{"a.log", "--seed", "-1"}, "--seed needs a N"},
       {{"a.log", "--ini", "x", "--ini", "y"}, "--ini is given twice"},
       {{"a.log", "--classes=1"}, "--classes takes no value"},
       {{"a.log", "--bogus\x1b"}, "unknown option --bogus\\x1B"}};
  for (const auto& [arguments, expected] : faults) {
    Fields fields;
    std::string fault;
    EXPECT_EQ(Parsed::kFault, parse(arguments, &fields, &fault));
    EXPECT_EQ(expected, fault);
  }
  Fields fields;
  std::string fault;
  EXPECT_EQ(Parsed::kHelp, parse({"a.log", "-h", "--bogus"}, &fields, &fault));
  EXPECT_EQ(Parsed::kVersion, parse({"a.log", "--version"}, &fields, &fault));
}

TEST(CommandSyntaxTest, WritesTheHelpFromTheSameDescription) {
  Fields fields;
  const CommandSyntax command = describe(&fields);
  EXPECT_EQ(
      "try: a command to try\n"
      "Usage: tarvok-sim try [OPTIONS] LOG...\n"
      "\n"
      "Positionals:\n"
      "  LOG...                    the lag log\n"
      "\n"
      "Options:\n"
      "  -h,--help                 print this help and exit\n"
      "  --version                 print the version and exit\n"
      "  --ini FILE                the settings\n"
      "  --vary KEY=...            a key and its values\n"
      "  --seed N                  the seed, 0 to 99\n"
      "  --classes                 also by class\n"
      "\n"
      "Exit status: 0.\n",
      helpText(command, nullptr));
  EXPECT_EQ("tarvok-sim try", fullName(command));
}

}  // namespace
