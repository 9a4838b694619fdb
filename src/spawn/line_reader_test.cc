#include "spawn/line_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "spawn/test_bot.h"

namespace {

Lines readAll(const char* fileName) {
  LineReader reader(fileName);
  LineReader::Line line;
  Lines lines;
  while (reader.readLine(line)) lines.push_back(line);
  return lines;
}

TEST(LineReaderTest, DeliversLinesAndPiecesOfAtMost255Bytes) {
  const std::string x255(255, 'x');
  struct Case {
    std::string contents;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\nb", {"a", "b"}},
      {"a\n", {"a"}},
      {"\n\n", {"", ""}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"\r\n", {""}},
      // A carriage return that ends no line is an ordinary byte.
      {"a\rb\n", {"a\rb"}},
      {"a\r", {"a\r"}},
      {"a\r\r\n", {"a\r"}},
      // Ctrl-Z ends nothing (Windows' text mode would stop there).
      {"a\x1a"
       "b\n",
       {"a\x1a"
        "b"}},
      {std::string(254, 'x') + "\r\n", {std::string(254, 'x')}},
      {x255, {x255}},
      {x255 + "\n", {x255, ""}},
      {x255 + "\r\nb", {x255, "", "b"}},
      {std::string(300, 'x') + "\nb", {x255, std::string(45, 'x'), "b"}},
      {x255 + x255, {x255, x255}},
      // A carriage return that ends the first 4096 bytes read, before the
      // byte that decides what it is.
      {std::string(4095, 'x') + "\rb\n",
       {x255, x255, x255, x255, x255, x255, x255, x255, x255, x255, x255,
        x255, x255, x255, x255, x255, std::string(15, 'x') + "\rb"}},
      {std::string(4095, 'x') + "\r\nb",
       {x255, x255, x255, x255, x255, x255, x255, x255, x255, x255, x255,
        x255, x255, x255, x255, x255, std::string(15, 'x'), "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.contents));
    TestBot env;
    env.writeConfig(c.contents);
    EXPECT_EQ(readAll(kConfigFileName), c.lines);
  }
}

TEST(LineReaderTest, ReadsNoFurtherThanItsBoundIntoAFile) {
  // 8192 lines of 128 bytes with their ends fill the bound exactly.
  const std::string line(127, 'y');
  std::string full;
  for (int i = 0; i < 8192; ++i) full += line + "\n";
  ASSERT_EQ(LineReader::kMaxFileBytes, full.size());
  {
    TestBot env;
    env.writeConfig(full + "display=0\n");
    const Lines lines = readAll(kConfigFileName);
    EXPECT_EQ(8192u, lines.size());
    EXPECT_EQ(line, lines.back());
  }
  {
    // The bound falls between a carriage return and its line feed: the
    // return is the last byte of a line cut there.
    TestBot env;
    env.writeConfig(full.substr(0, full.size() - 128) + std::string(127, 'z') +
                    "\r\ndisplay=0\n");
    const Lines lines = readAll(kConfigFileName);
    EXPECT_EQ(8192u, lines.size());
    EXPECT_EQ(std::string(127, 'z') + "\r", lines.back());
  }
}

TEST(LineReaderTest, CreatesAMissingFileEmpty) {
  TestBot env;
  EXPECT_EQ(readAll("absent.ini"), Lines{});
  EXPECT_TRUE(std::filesystem::exists("absent.ini"));
  EXPECT_EQ(std::filesystem::file_size("absent.ini"), 0u);
}

}  // namespace
