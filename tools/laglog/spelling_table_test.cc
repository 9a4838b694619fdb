#include "laglog/spelling_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Names of every length up to three words, read in several pieces: those
// that differ in one byte only, at any place, are all found and spread
// (a hash that missed a piece of a name would pile them up).
TEST(SpellingTableTest, ShortAndLongNamesDifferingInOneByteSpread) {
  SpellingTable table;
  std::vector<std::string> names;
  for (std::size_t length = 1; length <= 24; ++length) {
    for (std::size_t at = 0; at < length; ++at) {
      for (char byte : {'a', 'b', 'Z', '\x80'}) {
        std::string name(length, 'x');
        name[at] = byte;
        names.push_back(name);
      }
    }
  }
  names.push_back("");
  std::uint32_t index = 0;
  for (const std::string& name : names) {
    if (table.find(name) == SpellingTable::kNone) table.insert(name, index++);
  }
  // Probes and names of each length.
  std::vector<std::size_t> probes(25), count(25);
  for (const std::string& name : names) {
    ASSERT_NE(SpellingTable::kNone, table.find(name)) << name;
    probes[name.size()] += table.probesFor(name);
    ++count[name.size()];
  }
  EXPECT_EQ(index, table.size());
  for (std::size_t length = 1; length <= 24; ++length) {
    EXPECT_LT(probes[length], count[length] * 2) << length;
  }
  EXPECT_EQ(SpellingTable::kNone, table.find(std::string(25, 'x')));
}
