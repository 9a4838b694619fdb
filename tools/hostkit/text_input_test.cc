#include "hostkit/text_input.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// A temporary stream holding `bytes`, read from its start.
std::FILE* streamOf(const std::string& bytes) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return nullptr;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  return file;
}

TextRead readAll(const std::string& bytes, std::string* contents,
                 std::string* error, std::size_t longestLine = 8,
                 std::size_t largest = 1000) {
  std::FILE* file = streamOf(bytes);
  if (file == nullptr) return TextRead::kCannotRead;
  const TextRead result =
      readTextStream(file, "in\x1B.txt", contents, error, longestLine, largest);
  std::fclose(file);
  return result;
}

}  // namespace

TEST(TextInputTest, ReadsFilesByteForByteUpToTheLineCap) {
  // Eight bytes a line, whatever the line end; a CR elsewhere is a byte.
  for (const std::string bytes :
       {"12345678\n12345678", "12345678\r\n1234567\r\r\n", "1234\r678\n\n",
        "", "12345678\r"}) {
    std::string contents = "kept:";
    std::string error;
    EXPECT_EQ(TextRead::kRead, readAll(bytes, &contents, &error)) << error;
    EXPECT_EQ("kept:" + bytes, contents);
  }
}

TEST(TextInputTest, RefusesTheFirstLineOverTheCapWithItsNumber) {
  const struct {
    std::string bytes;
    std::string message;
  } kCases[] = {
      {"123456789", "in\\x1B.txt:1: line longer than 8 bytes"},
      {"ok\n\n123456789\r\nfine\n", "in\\x1B.txt:3: line longer than 8 bytes"},
      {"ok\r\n12345678\r\r\n", "in\\x1B.txt:2: line longer than 8 bytes"},
      {std::string(999, 'x'), "in\\x1B.txt:1: line longer than 8 bytes"},
      {std::string(1001, '\n'), "in\\x1B.txt: larger than 1000 bytes"},
  };
  for (const auto& test : kCases) {
    std::string contents;
    std::string error;
    EXPECT_EQ(TextRead::kRefused, readAll(test.bytes, &contents, &error));
    EXPECT_EQ(test.message, error);
  }
}

TEST(TextInputTest, StopsEarlyOnAnEndlessLine) {
  // Four megabytes without a line end: the reader stops after its first
  // buffer, not at the end.
  std::FILE* file = streamOf(std::string(4 << 20, '\0'));
  ASSERT_NE(nullptr, file);
  std::string contents;
  std::string error;
  EXPECT_EQ(TextRead::kRefused,
            readTextStream(file, "zeros", &contents, &error));
  EXPECT_EQ("zeros:1: line longer than 65536 bytes", error);
  EXPECT_LE(std::ftell(file), 2 * 65536 + 1);
  std::fclose(file);
}

TEST(TextInputTest, NamesWhyAFileCannotBeRead) {
  std::string contents;
  std::string error;
  EXPECT_EQ(TextRead::kCannotRead,
            readTextFile("no such file here.scenario", &contents, &error));
  EXPECT_EQ("there is no such file", error);
  EXPECT_EQ(TextRead::kCannotRead,
            readTextFile(std::filesystem::temp_directory_path().string(),
                         &contents, &error));
  EXPECT_EQ("it is a folder", error);
}

TEST(TextInputTest, LineReaderTakesLinesOneByOneAndStopsAtTheCap) {
  std::FILE* file = streamOf("quit\r\na\rb\n\n12345678\r\n123456789\nmore");
  ASSERT_NE(nullptr, file);
  BoundedLineReader reader(file, 8);
  std::string line;
  using Result = BoundedLineReader::Result;
  EXPECT_EQ(Result::kLine, reader.next(&line));
  EXPECT_EQ("quit", line);
  EXPECT_EQ(Result::kLine, reader.next(&line));
  EXPECT_EQ("a\rb", line);
  EXPECT_EQ(Result::kLine, reader.next(&line));
  EXPECT_EQ("", line);
  EXPECT_EQ(Result::kLine, reader.next(&line));
  EXPECT_EQ("12345678", line);
  EXPECT_EQ(Result::kTooLong, reader.next(&line));
  EXPECT_EQ(5u, reader.lineNumber());
  std::fclose(file);

  file = streamOf("last\r");
  ASSERT_NE(nullptr, file);
  BoundedLineReader last(file, 8);
  EXPECT_EQ(Result::kLine, last.next(&line));
  EXPECT_EQ("last", line);
  EXPECT_EQ(Result::kEnd, last.next(&line));
  EXPECT_EQ(1u, last.lineNumber());
  std::fclose(file);
}
