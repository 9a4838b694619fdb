#include "util/string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

namespace {

TEST(StringTest, ConstructionKeepsBytesAndTerminator) {
  const String empty;
  EXPECT_EQ(empty.size(), 0u);
  ASSERT_NE(empty.chars(), nullptr);
  EXPECT_STREQ(empty.chars(), "");
  EXPECT_TRUE(empty.isEmpty());

  const String withZero("a\0b", 3);
  EXPECT_EQ(withZero.size(), 3u);
  EXPECT_EQ(withZero.chars()[2], 'b');
  EXPECT_EQ(withZero.chars()[3], '\0');
  EXPECT_EQ(withZero, "a");  // comparison stops at the first zero byte
  EXPECT_EQ(withZero.indexOf('b'), 2);  // searching uses the whole length

  EXPECT_STREQ(String(-42).chars(), "-42");
  EXPECT_STREQ(String(INT32_MIN).chars(), "-2147483648");
}

TEST(StringTest, ComparisonIgnoresLetterCaseOnly) {
  EXPECT_TRUE(String("Ping") == "PING");
  EXPECT_TRUE(String("pInG") == String("PING"));
  EXPECT_TRUE(String("PING ") != "PING");
  EXPECT_TRUE(String("-7") == -7);
  EXPECT_TRUE(String("07") != 7);
  EXPECT_EQ(String("ABC").indexOf('a'), -1);
}

TEST(StringTest, ConcatenationWithNumbersAndTexts) {
  String text("x");
  text += -7;
  EXPECT_STREQ(text.chars(), "x-7");
  text = "x";
  text += 0;
  EXPECT_STREQ(text.chars(), "x0");
  EXPECT_STREQ(("<" + String("a") + ">" + 5).chars(), "<a>5");
  text = 12;
  EXPECT_STREQ(text.chars(), "12");
}

TEST(StringTest, ModifiersAcceptTheirOwnBytes) {
  String text("abcdef");
  const String& same = text;
  text = same;
  EXPECT_STREQ(text.chars(), "abcdef");
  text.assign(text.chars() + 2, 3);
  EXPECT_STREQ(text.chars(), "cde");
  text += text;
  EXPECT_STREQ(text.chars(), "cdecde");
  text.prepend(text.chars() + 4, 2);
  EXPECT_STREQ(text.chars(), "decdecde");
  text = text.chars() + 6;
  EXPECT_STREQ(text.chars(), "de");
}

TEST(StringTest, SplitCutsTrimmedTokensOffTheFront) {
  const struct {
    const char* text;
    char delimiter;
    const char* token;
    const char* rest;
  } cases[] = {
      {"PING Current: 10 ms", ' ', "PING", "Current: 10 ms"},
      {"Current: 10 ms", ':', "Current", "10 ms"},
      {"10", '%', "10", "10"},
      {" 10 ", '%', "10", " 10 "},
      {"a   b", ' ', "a", "b"},
      {"a::b", ':', "a", ":b"},
      {":x", ':', "", "x"},
      {"x:", ':', "x", ""},
      {"", ' ', "", ""},
  };
  for (const auto& c : cases) {
    String text(c.text);
    const String token = text.split(c.delimiter);
    EXPECT_STREQ(token.chars(), c.token) << c.text;
    EXPECT_STREQ(text.chars(), c.rest) << c.text;
  }
}

TEST(StringTest, SplitIntoATokenAndSkipCutLikeSplit) {
  // A lag line cut the way the plug-in cuts it, into Strings that already
  // hold longer texts: each token replaces the old text whole.
  String line("PING Current:900 ms  S2C: 9.5%  C2S:7.0%");
  String figure("a much longer text than any figure");
  line.skip(' ');
  line.skip(':');
  line.split(' ', figure);
  EXPECT_STREQ(figure.chars(), "900");
  EXPECT_EQ(figure.size(), 3u);
  line.skip(' ');
  line.skip(':');
  line.split('%', figure);
  EXPECT_STREQ(figure.chars(), "9.5");
  EXPECT_STREQ(line.chars(), "C2S:7.0%");
  // Without the delimiter: the trimmed whole, the String unchanged.
  String rest(" 7 ");
  rest.split('%', figure);
  EXPECT_STREQ(figure.chars(), "7");
  rest.skip('%');
  EXPECT_STREQ(rest.chars(), " 7 ");
  // Into itself: the String becomes its token.
  String self(" a : b ");
  self.split(':', self);
  EXPECT_STREQ(self.chars(), "a");
}

TEST(StringTest, KeepsItsBlockAndMovesWithoutCopying) {
  String text("a longer text to make room");
  const char* const block = text.chars();
  text = "short";
  text += 42;
  EXPECT_STREQ(text.chars(), "short42");
  EXPECT_EQ(text.chars(), block);  // written in place
  text.prepend("> ", 2);
  EXPECT_STREQ(text.chars(), "> short42");
  EXPECT_EQ(text.chars(), block);

  // A cut leaves the rest where it is in the block; the next assignment
  // starts at the block's start again, a prepend uses the room the cut left.
  String line("PING Current:900 ms");
  const char* const lineBlock = line.chars();
  line.skip(' ');
  EXPECT_EQ(line.chars(), lineBlock + 5);
  line = "PING again";
  EXPECT_EQ(line.chars(), lineBlock);
  line.skip(' ');
  line.prepend("P ", 2);
  EXPECT_STREQ(line.chars(), "P again");
  EXPECT_EQ(line.chars(), lineBlock + 3);
  line.append(line.chars() + 2, 5);
  line += "!";
  EXPECT_STREQ(line.chars(), "P againagain!");

  String moved(std::move(text));
  EXPECT_EQ(moved.chars(), block);
  EXPECT_STREQ(text.chars(), "");  // NOLINT: a moved-from String is empty
  text = moved;
  EXPECT_STREQ(text.chars(), "> short42");
  moved = std::move(text);
  EXPECT_STREQ(moved.chars(), "> short42");

  // Its own (empty) bytes before an empty String: no block is left behind.
  String empty;
  empty.prepend(empty.chars(), 0);
  EXPECT_STREQ(empty.chars(), "");
  moved = "";
  ASSERT_NE(moved.chars(), nullptr);
  EXPECT_STREQ(moved.chars(), "");
  moved += "x";
  EXPECT_STREQ(moved.chars(), "x");
}

TEST(StringTest, SplitKeepsAtMost32000CharactersAfterTheDelimiter) {
  String text(("a:" + std::string(40000, 'b')).c_str());
  text.split(':');
  EXPECT_EQ(text.size(), 32000u);
}

TEST(StringTest, CuttingClampsToTheText) {
  const String abc("abc");
  EXPECT_STREQ(abc.mid(5, 3).chars(), "");
  EXPECT_STREQ(abc.mid(1, 100).chars(), "bc");
  EXPECT_STREQ(abc.left(10).chars(), "abc");
  EXPECT_STREQ(abc.right(2).chars(), "bc");
  EXPECT_STREQ(String("   ").trim().chars(), "");
  EXPECT_STREQ(String(" \ta ").trim().chars(), "\ta");
  EXPECT_STREQ(String("  a ").trimLeft().chars(), "a ");
  EXPECT_STREQ(String("  a ").trimRight().chars(), "  a");
}

TEST(StringTest, PaddingAlignsOrCuts) {
  EXPECT_STREQ(String("ab").padLeft(5).chars(), "   ab");
  EXPECT_STREQ(String("ab").padRight(5).chars(), "ab   ");
  EXPECT_STREQ(String("abcd").padLeft(2).chars(), "cd");
  EXPECT_STREQ(String("abcd").padRight(2).chars(), "ab");
  const String wide = String("x").padLeft(500);
  EXPECT_EQ(wide.size(), 500u);
  EXPECT_EQ(wide.indexOf('x'), 499);
}

TEST(StringTest, CaseAndNumbers) {
  String text("MiX\0ED", 6);
  text.toLowerInPlace();
  EXPECT_EQ(std::string(text.chars(), text.size()), std::string("mix\0ED", 6));
  text.toUpperInPlace();
  EXPECT_STREQ(text.chars(), "MIX");
  EXPECT_EQ(String("-123").toInteger(), -123);
  EXPECT_EQ(String("7f").toInteger(16), 127);
}

}  // namespace
