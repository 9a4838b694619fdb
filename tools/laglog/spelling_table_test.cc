#include "laglog/spelling_table.h"

#include <gtest/gtest.h>

#include <string>

// Many spellings, some differing only in letter case or by a trailing NUL,
// through several growths: each finds its own index, and nothing else is
// found. Names that differ only in their last bytes spread over the table.
TEST(SpellingTableTest, FindsEverySpellingStoredAndNoOther) {
  SpellingTable table;
  EXPECT_EQ(SpellingTable::kNone, table.find("Bob"));
  const auto spellingOf = [](int i) {
    std::string name = "Pilot" + std::to_string(i);
    if (i % 3 == 1) name[0] = 'p';
    if (i % 7 == 0) name.push_back('\0');
    return name;
  };
  for (int i = 0; i < 5000; ++i) {
    table.insert(spellingOf(i), static_cast<std::uint32_t>(i));
  }
  EXPECT_EQ(5000u, table.size());
  std::size_t probes = 0;
  for (int i = 0; i < 5000; ++i) {
    ASSERT_EQ(static_cast<std::uint32_t>(i), table.find(spellingOf(i))) << i;
    probes += table.probesFor(spellingOf(i));
  }
  EXPECT_LT(probes, 5000u * 2);
  EXPECT_EQ(SpellingTable::kNone, table.find("Pilot5000"));
  EXPECT_EQ(SpellingTable::kNone, table.find("PILOT2"));
  EXPECT_EQ(SpellingTable::kNone, table.find(std::string("Pilot1\0", 7)));
  EXPECT_EQ(SpellingTable::kNone, table.find(""));
  table.insert("", 9999);
  EXPECT_EQ(9999u, table.find(""));
}
