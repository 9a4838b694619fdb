#include "spawn/population_section.h"

#include <gtest/gtest.h>

namespace {

// What an operator may write, and what starts nothing: a line that is no
// section line is skipped like any line without a key.
TEST(PopulationSectionTest, ReadsSectionLinesAsThePluginDoes) {
  std::int32_t players = 0;
  EXPECT_TRUE(readPopulationSectionLine("[players 40]", &players));
  EXPECT_EQ(players, 40);
  EXPECT_TRUE(readPopulationSectionLine("[ Players\t 7 ]  ", &players));
  EXPECT_EQ(players, 7);
  for (const char* line :
       {"[players 0]", "[players]", "[players -3]", "[players 4x]",
        "[players 1234567890]", "[players40]", "players 40", "[arena 40]"}) {
    EXPECT_FALSE(readPopulationSectionLine(line, &players)) << line;
  }
  EXPECT_TRUE(startsAnySection("[arena pub]"));
  EXPECT_TRUE(startsAnySection("[players 3]"));
  EXPECT_FALSE(startsAnySection("[settings]"));
  EXPECT_EQ(populationKeyIndex(kConfigKeys[0]), kPopulationKeyCount);
}

}  // namespace
