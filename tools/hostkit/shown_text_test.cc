#include "hostkit/shown_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(ShownTextTest, EscapesEveryControlByteAndNothingElse) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  const std::string shown = escapeControlBytes(all);
  EXPECT_EQ(std::string("\\x00\\x01"), shown.substr(0, 8));
  EXPECT_EQ(std::string("\\x1B"), shown.substr(27 * 4, 4));
  EXPECT_EQ(std::string("\\x1F !\"#"), shown.substr(31 * 4, 8));
  EXPECT_EQ(std::string("}~\\x7F\x80\x81"), shown.substr(32 * 4 + 93, 8));
  EXPECT_EQ(32u * 4 + 95 + 4 + 128, shown.size());
  for (char c : shown) EXPECT_FALSE(isControlByte(c));
  // Already escaped text comes back as it was: a line can be escaped twice.
  EXPECT_EQ(shown, escapeControlBytes(shown));
}

TEST(ShownTextTest, CutsLongFieldsAfterEscapingTheKeptPart) {
  EXPECT_EQ("", shownField(""));
  EXPECT_EQ(std::string(40, 'x'), shownField(std::string(40, 'x')));
  EXPECT_EQ(std::string(40, 'x') + "...", shownField(std::string(41, 'x')));
  EXPECT_EQ("\"a\\x1B[2J...\"", quotedField("a\x1B[2Jb\nc", 5));
  // A megabyte of figure is shown as its start.
  EXPECT_EQ(43u, shownField(std::string(1 << 20, '9')).size());
}
