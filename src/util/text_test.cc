#include "util/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "util/string.h"

namespace {

TEST(TextTest, AtoiSaturatedFollowsAtoiAndSaturates) {
  const std::string hundredDigits(100, '9');
  const std::string minusHundredDigits = "-" + hundredDigits;
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {" \t\n\v\f\r42x", 42},
      {"+17", 17},
      {"-300 ms", -300},
      {"+-5", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", INT32_MIN},
      {"-2147483649", INT32_MIN},
      {"4294967296", 2147483647},
      {hundredDigits.c_str(), 2147483647},
      {minusHundredDigits.c_str(), INT32_MIN},
      {"000000000000000000000012", 12},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(atoiSaturated(c.text), c.expected) << '"' << c.text << '"';
  }
}

TEST(TextTest, ComparisonsAndCase) {
  EXPECT_TRUE(isPrefixOf("current=", "current=300"));
  EXPECT_FALSE(isPrefixOf("current=", "Current=300"));
  EXPECT_FALSE(isPrefixOf("current=", "current"));
  EXPECT_TRUE(isPrefixOf("", "x"));
  EXPECT_TRUE(equalsIgnoreCase("lagme", "LagMe"));
  EXPECT_FALSE(equalsIgnoreCase("lag", "lagme"));
  EXPECT_FALSE(equalsIgnoreCase("lagme", "lag"));
  // Only A-Z fold: '[' and '{' differ by 32 but are not letters.
  EXPECT_FALSE(equalsIgnoreCase("[", "{"));
  EXPECT_EQ(toLowerChar('@'), '@');
  EXPECT_EQ(toLowerChar('['), '[');
  EXPECT_EQ(toUpperChar('`'), '`');
  EXPECT_EQ(toUpperChar('{'), '{');
  char text[] = "MiXeD 1";
  lowerText(text);
  EXPECT_STREQ(text, "mixed 1");
  upperText(text);
  EXPECT_STREQ(text, "MIXED 1");
  EXPECT_FALSE(isPrintable('\x7f'));
  EXPECT_FALSE(isPrintable('\xe9'));
  EXPECT_FALSE(isAlphanumeric('\xe9'));
}

TEST(TextTest, IsNumeric) {
  for (const char* text : {"0", "-12", "007", "99999999999999999999"}) {
    EXPECT_TRUE(isNumeric(text)) << text;
  }
  for (const char* text : {"", "-", "+5", " 5", "5 ", "1.5", "12a", "--1"}) {
    EXPECT_FALSE(isNumeric(text)) << text;
  }
}

TEST(TextTest, FormatInteger) {
  const struct {
    std::uint32_t value;
    std::uint32_t base;
    std::uint16_t minimumDigits;
    bool isSigned;
    const char* expected;
  } cases[] = {
      {0, 10, 0, true, "0"},
      {0, 10, 3, true, "000"},
      {255, 16, 0, false, "ff"},
      {static_cast<std::uint32_t>(-5), 10, 3, true, "-005"},
      {0x80000000u, 10, 0, true, "-2147483648"},
      {0xFFFFFFFFu, 10, 0, false, "4294967295"},
      {0xFFFFFFFFu, 2, 0, false, "11111111111111111111111111111111"},
      {31, 32, 0, false, "v"},
      {42, 10, 1, true, "42"},
      // Clamped requests: base 1 reads as 2, base 99 as 32, 40 digits as 32.
      {5, 1, 0, false, "101"},
      {1023, 99, 0, false, "vv"},
      {7, 10, 40, false, "00000000000000000000000000000007"},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(
        formatInteger(c.value, c.base, c.minimumDigits, c.isSigned).chars(),
        c.expected);
  }
}

TEST(TextTest, ParseIntegerWrapsWithoutValidation) {
  EXPECT_EQ(parseInteger("ff", 16), 255);
  EXPECT_EQ(parseInteger("-10", 10), -10);
  EXPECT_EQ(parseInteger("1z", 10), 45);
  EXPECT_EQ(parseInteger(" 1", 10), -550 + 1);
  EXPECT_EQ(parseInteger("", 10), 0);
  EXPECT_EQ(parseInteger("4294967295", 10), -1);
  EXPECT_EQ(parseInteger("-2147483648", 10), INT32_MIN);
}

TEST(TextTest, IntegerUtilities) {
  for (std::uint32_t v : {0u, 15u, 16u, 4294967295u, 65535u * 65535u}) {
    const std::uint64_t root = integerSqrt(v);
    EXPECT_LE(root * root, v);
    EXPECT_GT((root + 1) * (root + 1), v);
  }
  EXPECT_EQ(integerSqrt(4294967295u), 65535u);
  EXPECT_EQ(absDifferenceSigned(INT32_MAX, INT32_MIN), 4294967295u);
  EXPECT_EQ(multiplyHigh(INT32_MIN, INT32_MIN), 0x40000000);
  EXPECT_EQ(multiplyHigh(-1, 1), -1);
  std::int32_t remainder = 1;
  std::int32_t quotient = 1;
  EXPECT_EQ(divideWithRemainder(-7, 2, remainder, quotient), -3);
  EXPECT_EQ(remainder, -1);
  EXPECT_EQ(divideWithRemainder(9, 0, remainder, quotient), 0);
  EXPECT_EQ(remainder, 9);
  EXPECT_EQ(divideWithRemainder(INT32_MIN, -1, remainder, quotient), INT32_MIN);
  EXPECT_EQ(remainder, 0);
  // x^2 - 5x + 6 = (x - 2)(x - 3); a zero leading term has no root.
  EXPECT_EQ(quadraticRootLow(1, -5, 6), 2);
  EXPECT_EQ(quadraticRootHigh(1, -5, 6), 3);
  EXPECT_EQ(quadraticRootHigh(0, 1, 1), 0);
  EXPECT_EQ(distance(0, 0, 3, 4), 5u);
  EXPECT_EQ(rotateLeft(0x80000001u, 33), 0x00000003u);
  EXPECT_EQ(rotateBy(0x80000001u, -1), 0xC0000000u);
  EXPECT_EQ(rotateBy(0x12345678u, INT32_MIN), 0x12345678u);
  const unsigned char bytes[] = {0x78, 0x56, 0x34, 0x12, 0xff};
  EXPECT_EQ(readField32(bytes, 0), 0x12345678u);
  EXPECT_EQ(readField16(bytes, 3), 0xff12u);
}

TEST(TextTest, SplitFields) {
  char slots[3][4];
  EXPECT_TRUE(splitFields(',', " a b , c", slots[0], 2, 4));
  EXPECT_STREQ(slots[0], "a b");
  EXPECT_STREQ(slots[1], "c");
  EXPECT_FALSE(splitFields(',', " a b , c", slots[0], 3, 4));
  EXPECT_TRUE(splitFields(',', "longer,,x,ignored", slots[0], 3, 4));
  EXPECT_STREQ(slots[0], "lon");
  EXPECT_STREQ(slots[1], "");
  EXPECT_STREQ(slots[2], "x");
}

// A lag line cut where it lies, as the plug-in cuts the server's text: the
// tokens and the rest are bounds inside it, and the text is never written.
TEST(TextTest, CutTokenCutsInPlaceLikeSplit) {
  const std::string line = "PING Current:900 ms  S2C:  9.5 %  tail ";
  TextSpan rest{line.data(), static_cast<std::uint32_t>(line.size())};
  const auto text = [](TextSpan span) {
    return std::string(span.bytes, span.size);
  };
  EXPECT_EQ(text(cutToken(rest, ' ')), "PING");
  EXPECT_EQ(text(cutToken(rest, ':')), "Current");
  EXPECT_EQ(text(cutToken(rest, ' ')), "900");
  EXPECT_EQ(text(cutToken(rest, ' ')), "ms");
  EXPECT_EQ(text(cutToken(rest, ':')), "S2C");
  EXPECT_EQ(text(cutToken(rest, '%')), "9.5");
  EXPECT_EQ(text(rest), "tail");
  // Without the delimiter: the trimmed whole, the rest as it was.
  EXPECT_EQ(text(cutToken(rest, ':')), "tail");
  EXPECT_EQ(text(rest), "tail");
  EXPECT_EQ(line, "PING Current:900 ms  S2C:  9.5 %  tail ");

  // The rest after a cut keeps at most 32000 bytes, as split() does.
  const std::string longLine = "a:" + std::string(40000, 'x');
  TextSpan longRest{longLine.data(),
                    static_cast<std::uint32_t>(longLine.size())};
  EXPECT_EQ(text(cutToken(longRest, ':')), "a");
  EXPECT_EQ(longRest.size, 32000u);
  String same(longLine.c_str());
  same.skip(':');
  EXPECT_EQ(same.size(), 32000u);
}

// On what a cut leaves (no blank at either end), the cut that looks for no
// blanks there cuts the same, over a whole line's worth of cuts.
TEST(TextTest, CutTrimmedTokenCutsAsCutTokenDoesOnACutRest) {
  const char* const lines[] = {"Current:900 ms  Average: 3 %  x",
                               ":  : a  b:", "a", "", "%%  %:", "  :b"};
  const char delimiters[] = {':', ' ', '%', ' ', ':', '%', ':', ' '};
  for (const char* text : lines) {
    TextSpan general{text, textLength(text)};
    cutToken(general, '\t');  // trims nothing unless a cut happens
    cutToken(general, ':');
    TextSpan trimmed = general;
    for (const char delimiter : delimiters) {
      const TextSpan a = cutToken(general, delimiter);
      const TextSpan b = cutTrimmedToken(trimmed, delimiter);
      EXPECT_EQ(std::string(a.bytes, a.size), std::string(b.bytes, b.size))
          << text << " at '" << delimiter << "'";
      EXPECT_EQ(std::string(general.bytes, general.size),
                std::string(trimmed.bytes, trimmed.size))
          << text << " at '" << delimiter << "'";
    }
  }
}

TEST(TextTest, NameRules) {
  char longName[] = "abcdefghijklmnopqrstuvwxyz";
  EXPECT_FALSE(isIllegalName(longName));
  EXPECT_STREQ(longName, "abcdefghijklmnopqrs");
  for (const char* name :
       {"", " Bob", "Bob ", "Bo  b", "Bo:b", "5%", "B\x7f"}) {
    std::string copy(name);
    EXPECT_TRUE(isIllegalName(&copy[0])) << name;
  }
  char shortName[] = "#abc123456789";
  EXPECT_FALSE(isIllegalShortName(shortName));
  EXPECT_STREQ(shortName, "#abc123456");
  char empty[] = "";
  EXPECT_FALSE(isIllegalShortName(empty));
  char inner[] = "a#b";
  EXPECT_TRUE(isIllegalShortName(inner));
}

TEST(TextTest, ChatLinePieces) {
  EXPECT_TRUE(hasOneNameMark("P:Bob> hi"));
  EXPECT_FALSE(hasOneNameMark("P:Bob> a> b"));
  EXPECT_FALSE(hasOneBracketMark("no mark"));
  char line[] = "P:Bob> hi> there";
  EXPECT_STREQ(messageOfNameMarkLine(line), "hi> there");
  EXPECT_STREQ(nameOfNameMarkLine(line), "Bob");
  char bracket[] = "(Ann)> hello";
  EXPECT_STREQ(messageOfBracketLine(bracket), " hello");
  EXPECT_STREQ(nameOfBracketLine(bracket), "Ann");
  char empty[] = "";
  EXPECT_STREQ(nameOfBracketLine(empty), "");
  EXPECT_STREQ(messageOfBracketLine("plain"), "plain");
}

}  // namespace
