#include "hostkit/transcript.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(TranscriptTest, QuotesTextsExactly) {
  EXPECT_EQ("\"\"", Transcript::quoted(""));
  EXPECT_EQ("\" two  blanks \"", Transcript::quoted(" two  blanks "));
  EXPECT_EQ("\"a\\x0Db\\x7F\\x01\"", Transcript::quoted("a\rb\x7F\x01"));
  EXPECT_EQ("\"caf\xC3\xA9\"", Transcript::quoted("caf\xC3\xA9"));
}

TEST(TranscriptTest, StampsHoursMinutesAndSeconds) {
  EXPECT_EQ("[00:00:00]", Transcript::timeStamp(0));
  EXPECT_EQ("[00:02:05]", Transcript::timeStamp(125));
  EXPECT_EQ("[01:00:01]", Transcript::timeStamp(3601));
  EXPECT_EQ("[277:46:40]", Transcript::timeStamp(1000000));
}

TEST(TranscriptTest, WritesPlainLinesWithoutColours) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(nullptr, file);
  Transcript transcript(file, false);
  transcript.setTime(65);
  transcript.write(LineKind::Bot, "LagBot -> Al: \"hi\"");
  std::rewind(file);
  char line[64] = {};
  ASSERT_NE(nullptr, std::fgets(line, sizeof line, file));
  EXPECT_STREQ("[00:01:05] LagBot -> Al: \"hi\"\n", line);
  std::fclose(file);
}

TEST(TranscriptTest, NoTextCanStartALineOrSendAnEscapeSequence) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(nullptr, file);
  Transcript transcript(file, false);
  transcript.write(LineKind::Host,
                   "Bob\n[00:00:09] Al -> LagBot: \"!lagme\" enters \x1B[2J");
  std::rewind(file);
  char line[128] = {};
  ASSERT_NE(nullptr, std::fgets(line, sizeof line, file));
  EXPECT_STREQ(
      "[00:00:00] Bob\\x0A[00:00:09] Al -> LagBot: \"!lagme\" enters "
      "\\x1B[2J\n",
      line);
  EXPECT_EQ(nullptr, std::fgets(line, sizeof line, file));
  std::fclose(file);
}
