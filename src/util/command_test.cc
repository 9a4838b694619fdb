#include "util/command.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Switches = std::vector<std::pair<char, std::string>>;

Switches switchesOf(const Command& command) {
  Switches result;
  for (const _listnode<_switch>* node = command.switches.head; node != nullptr;
       node = node->next) {
    result.emplace_back(static_cast<char>(node->item->letter),
                        node->item->valueText);
  }
  return result;
}

TEST(CommandTest, ParsesNameSwitchesAndParameter) {
  const struct {
    const char* line;
    const char* name;
    Switches switches;
    const char* parameter;
  } cases[] = {
      {"lagcheck John Doe", "lagcheck", {}, "John Doe"},
      {"LagCheck  John  ", "lagcheck", {}, "John  "},
      {"laglimitset -p=300 -a=200",
       "laglimitset",
       {{'p', "300"}, {'a', "200"}},
       ""},
      {"laglimitset -P=300", "laglimitset", {{'p', "300"}}, ""},
      {"x -abc", "x", {{'a', ""}, {'b', ""}, {'c', ""}}, ""},
      {"x -ab=3", "x", {{'a', ""}, {'b', "3"}}, ""},
      {"x -p300", "x", {{'p', ""}, {'3', ""}, {'0', ""}, {'0', ""}}, ""},
      {"x -p=-5", "x", {{'p', "-5"}}, ""},
      {"x -p-5", "x", {{'p', "5"}}, ""},
      {"x -p=3=4", "x", {{'p', "34"}}, ""},
      {"x -=5", "x", {}, ""},
      {"x -", "x", {}, ""},
      {"x -P=Ab c", "x", {{'p', "Ab"}}, "c"},
      {"lagcheck some-name", "lagcheck", {}, "some-name"},
      {"lagcheck name -x", "lagcheck", {}, "name -x"},
      {"lagcheck-x", "lagcheck", {{'x', ""}}, ""},
      {" lagcheck", "", {}, "lagcheck"},
      {"", "", {}, ""},
      {"about ", "about", {}, ""},
  };
  for (const auto& c : cases) {
    const Command command(c.line);
    EXPECT_STREQ(command.commandName, c.name) << c.line;
    EXPECT_EQ(switchesOf(command), c.switches) << c.line;
    EXPECT_EQ(command.switches.count, c.switches.size()) << c.line;
    EXPECT_STREQ(command.parameterText, c.parameter) << c.line;
  }
}

TEST(CommandTest, Lookups) {
  const Command command("help -p=1 -p=2 LagLimitSet");
  EXPECT_TRUE(command.commandIs("help"));
  EXPECT_FALSE(command.commandIs("hel"));
  EXPECT_FALSE(command.commandIs("helpme"));
  EXPECT_TRUE(command.parameterIs("laglimitset"));
  EXPECT_FALSE(command.parameterIs("LagLimitSet"));  // only the parameter folds
  EXPECT_FALSE(command.parameterIs("laglimit"));
  EXPECT_FALSE(Command("help laglimitset ").parameterIs("laglimitset"));
  ASSERT_NE(command.findSwitch('p'), nullptr);
  EXPECT_STREQ(command.findSwitch('p')->valueText, "1");
  EXPECT_EQ(command.findSwitch('P'), nullptr);
  EXPECT_EQ(command.findSwitch('a'), nullptr);
}

}  // namespace
