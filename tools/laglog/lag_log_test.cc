#include "laglog/lag_log.h"

#include <gtest/gtest.h>

namespace {

const char kRow[] =
    "2026-12-07T10:19:45Z\t1\tBob\t0\t1\tAlice\t420\t380\t210\t900\t3.2\t1.1"
    "\t0.0\tcurrent,average\t1/3\tannounced";

std::string withField(int index, const std::string& value) {
  std::string line = kRow;
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) start = line.find('\t', start) + 1;
  const std::size_t end = line.find('\t', start);
  return line.replace(start, end == std::string::npos ? end : end - start,
                      value);
}

std::string reasonOf(const std::string& line) {
  LagLogRow row;
  std::string error;
  EXPECT_FALSE(parseLagLogRow(line, &row, &error)) << line;
  return error;
}

}  // namespace

TEST(LagLogTest, ReadsEveryFieldOfARow) {
  LagLogRow row;
  std::string error;
  ASSERT_TRUE(parseLagLogRow(kRow, &row, &error)) << error;
  EXPECT_EQ("2026-12-07T10:19:45Z", lagLogTimeText(row.time));
  EXPECT_EQ(1u, row.bot);
  EXPECT_EQ("Bob", row.player);
  EXPECT_EQ(0, row.level);
  EXPECT_EQ(1, row.ship);
  EXPECT_EQ("Alice", row.requester);
  EXPECT_EQ("420", row.figures[kCurrent]);
  EXPECT_EQ("0.0", row.figures[kS2CWeapons]);
  EXPECT_EQ(0x3, row.limits);
  EXPECT_EQ(1u, row.strikes);
  EXPECT_EQ(3u, row.strikesOutOf);
  EXPECT_EQ(LagAction::Announced, row.action);

  // A lag line of no request: no player, level, ship, requester, strikes;
  // its figures may be anything the server wrote.
  ASSERT_TRUE(parseLagLogRow(
      "2026-12-07T10:19:46Z\t7\t\t\t\t\t\t3.5x\t\t\t\t\t\t-\t-\tnone", &row,
      &error))
      << error;
  EXPECT_EQ("", row.player);
  EXPECT_EQ(-1, row.level);
  EXPECT_EQ("3.5x", row.figures[kAverage]);
  EXPECT_EQ(0u, row.strikesOutOf);
}

TEST(LagLogTest, NamesWhatIsWrongWithALine) {
  EXPECT_EQ("a header line amid the rows",
            reasonOf(std::string(kLagLogHeader)));
  // Rows of 16 fields and of 17 (with the arena) are both rows.
  EXPECT_EQ("1 tab-separated fields where a row has 16 (17 with the arena)",
            reasonOf("hello"));
  const std::string row(kRow);
  EXPECT_EQ("15 tab-separated fields where a row has 16 (17 with the arena)",
            reasonOf(row.substr(0, row.rfind('\t'))));
  EXPECT_EQ("more than 17 tab-separated fields",
            reasonOf(kRow + std::string("\t\t")));
  EXPECT_EQ("the time is not YYYY-MM-DDTHH:MM:SSZ",
            reasonOf(withField(0, "2026-12-07 10:19:45")));
  EXPECT_EQ("the time is not YYYY-MM-DDTHH:MM:SSZ",
            reasonOf(withField(0, "2026-13-07T10:19:45Z")));
  EXPECT_EQ("the bot handle is not a number", reasonOf(withField(1, "")));
  EXPECT_EQ("the access level is not 0 to 12", reasonOf(withField(3, "13")));
  EXPECT_EQ("the ship is not 0 to 8", reasonOf(withField(4, "9")));
  // Limits come in their order, each once.
  EXPECT_EQ("the limits are not \"-\" or a list of limit names",
            reasonOf(withField(13, "average,current")));
  EXPECT_EQ("the limits are not \"-\" or a list of limit names",
            reasonOf(withField(13, "")));
  EXPECT_EQ("the strikes are not \"-\" or K/N with K <= N",
            reasonOf(withField(14, "4/3")));
  EXPECT_EQ("a player without strikes", reasonOf(withField(14, "-")));
  // ... unless the player left before the answer came: no level, no ship.
  LagLogRow left;
  std::string error;
  EXPECT_TRUE(parseLagLogRow(
      "2026-12-07T10:19:45Z\t1\tBob\t\t\t*auto\t420\t380\t210\t900\t3.2"
      "\t1.1\t0.0\tcurrent,average\t-\tnone",
      &left, &error))
      << error;
  EXPECT_EQ(left.player, "Bob");
  EXPECT_EQ(left.strikesOutOf, 0u);
  EXPECT_EQ(
      "the action is not none, announced, warned, spectated, arrived, left, "
      "ship, connected or arena-left",
      reasonOf(withField(15, "kicked")));
  // Raw control bytes, the NUL too, make no row; names have 20 bytes at most.
  EXPECT_EQ("a raw control byte (\\x00) in the player field",
            reasonOf(withField(2, std::string("Bo\0b", 4))));
  EXPECT_EQ("a raw control byte (\\x1B) in the average field",
            reasonOf(withField(7, "1\x1B[2J")));
  EXPECT_EQ("a player name longer than 20 bytes",
            reasonOf(withField(2, "Twentyonebytesofname1")));
  EXPECT_EQ("a requester name longer than 20 bytes",
            reasonOf(withField(5, "Twentyonebytesofname1")));
  EXPECT_EQ("a presence row with a requester, figures or strikes",
            reasonOf(withField(15, "arrived")));
}

// Every name and figure comes back byte for byte, and "*auto" only means an
// automatic check when the log wrote it so.
TEST(LagLogTest, EscapingIsReversibleAndKeepsNamesApart) {
  const std::string names[] = {"a\nb",
                               "a b",
                               "\t",
                               "\tlead",
                               "back\\slash",
                               "*auto",
                               std::string("\x01\x7F\x1B", 3),
                               "Twentybytesofname123"};
  for (const std::string& name : names) {
    const std::string line = withField(2, lagLogEscaped(name, true));
    LagLogRow row;
    std::string error;
    ASSERT_TRUE(parseLagLogRow(line, &row, &error)) << error << ": " << line;
    EXPECT_EQ(name, row.player);
    EXPECT_EQ(std::string::npos, lagLogEscaped(name, true).find('\t'));
  }
  LagLogRow row;
  std::string error;
  ASSERT_TRUE(parseLagLogRow(withField(5, "*auto"), &row, &error));
  EXPECT_TRUE(row.automatic);
  EXPECT_EQ("", row.requester);
  ASSERT_TRUE(
      parseLagLogRow(withField(5, lagLogEscaped("*auto", true)), &row, &error));
  EXPECT_FALSE(row.automatic);
  EXPECT_EQ("*auto", row.requester);
  // A log of the first format wrote backslashes as they were: one that
  // starts no escape stands for itself.
  ASSERT_TRUE(parseLagLogRow(withField(2, "C:\\x\\q"), &row, &error));
  EXPECT_EQ("C:\\x\\q", row.player);
}

// Rows of a bot with fair limits carry verdicts after the action; rows
// without them, as every log before them, read as they always did.
TEST(LagLogTest, ReadsTheVerdictsOfFairLimits) {
  LagLogRow row;
  std::string error;
  ASSERT_TRUE(parseLagLogRow(kRow, &row, &error)) << error;
  EXPECT_EQ(row.verdicts, 0);
  ASSERT_TRUE(parseLagLogRow(
      withField(15, "warned+allowance=150+no-quorum+steady"), &row, &error))
      << error;
  EXPECT_EQ(row.action, LagAction::Warned);
  EXPECT_EQ(row.verdicts, 7);
  EXPECT_EQ(row.allowanceMs, 150);
  ASSERT_TRUE(parseLagLogRow(withField(15, "none+steady"), &row, &error));
  EXPECT_EQ(row.action, LagAction::None);
  EXPECT_EQ(row.verdicts, 4);
  EXPECT_EQ(row.allowanceMs, 0);
  ASSERT_TRUE(parseLagLogRow(withField(15, "none+glitch"), &row, &error));
  EXPECT_EQ(row.verdicts, 8);
  const std::string reason =
      "a verdict after the action is not +allowance=MS, +no-quorum, +steady "
      "or +glitch";
  for (const char* action :
       {"none+", "none+steady+steady", "none+steady+no-quorum",
        "none+glitch+steady",
        "none+allowance=", "none+allowance=x", "none+allowance=100001",
        "none+lenient"}) {
    EXPECT_EQ(reasonOf(withField(15, action)), reason) << action;
  }
  EXPECT_NE(reasonOf(withField(15, "+steady")), reason);
  EXPECT_NE(reasonOf(withField(15, "arrived+steady")), "");
}

TEST(LagLogTest, ReadsPresenceRows) {
  LagLogRow row;
  std::string error;
  // The population section that judges from here on.
  ASSERT_TRUE(
      parseLagLogRow("2026-12-07T10:19:45Z\t2\t\t\t\t\t\t\t\t\t\t\t"
                     "\t-\t-\tplayers=40",
                     &row, &error))
      << error;
  EXPECT_EQ(LagRowKind::Population, row.kind);
  EXPECT_EQ(40u, row.populationSection);
  EXPECT_FALSE(
      parseLagLogRow("2026-12-07T10:19:45Z\t2\tBob\t0\t1\t\t\t\t\t\t\t\t"
                     "\t-\t-\tplayers=40",
                     &row, &error));
  ASSERT_TRUE(
      parseLagLogRow("2026-12-07T10:19:45Z\t2\tBob\t0\t8\t\t\t\t\t\t\t\t"
                     "\t-\t-\tship",
                     &row, &error))
      << error;
  EXPECT_EQ(LagRowKind::Ship, row.kind);
  EXPECT_EQ(8, row.ship);
  ASSERT_TRUE(
      parseLagLogRow("2026-12-07T10:19:45Z\t2\t\t\t\t\t\t\t\t\t\t\t"
                     "\t-\t-\tconnected",
                     &row, &error))
      << error;
  EXPECT_EQ(LagRowKind::Connected, row.kind);
  EXPECT_EQ(
      "a presence row without player, level or ship",
      reasonOf("2026-12-07T10:19:45Z\t2\t\t\t\t\t\t\t\t\t\t\t\t-\t-\tleft"));
}

TEST(LagLogTest, ConvertsTimesAcrossLeapDaysAndBack) {
  std::int64_t seconds = 0;
  ASSERT_TRUE(parseLagLogTime("1970-01-01T00:00:00Z", &seconds));
  EXPECT_EQ(0, seconds);
  ASSERT_TRUE(parseLagLogTime("2024-03-01T00:00:00Z", &seconds));
  std::int64_t leapDay = 0;
  ASSERT_TRUE(parseLagLogTime("2024-02-29T00:00:00Z", &leapDay));
  EXPECT_EQ(86400, seconds - leapDay);
  EXPECT_EQ(1709164800, leapDay);
  EXPECT_EQ("2024-02-29T00:00:00Z", lagLogTimeText(leapDay));
  std::int64_t march = 0;
  std::int64_t february = 0;
  ASSERT_TRUE(parseLagLogTime("2100-03-01T00:00:00Z", &march));
  ASSERT_TRUE(parseLagLogTime("2100-02-28T23:59:59Z", &february));
  EXPECT_EQ(1, march - february);  // 2100 has no leap day
  EXPECT_EQ("2100-02-28T23:59:59Z", lagLogTimeText(february));
}

TEST(LagLogTest, OneRowStructReadsRowsAfterRowsOfOtherSecondsAndFaults) {
  // Readers parse every line into the same struct, which keeps the last
  // time text read: each row must still get its own time.
  LagLogRow row;
  std::string error;
  // An empty time field is refused by a struct that has read no time yet.
  EXPECT_FALSE(parseLagLogRow(withField(0, ""), &row, &error));
  EXPECT_EQ("the time is not YYYY-MM-DDTHH:MM:SSZ", error);
  const auto timeOf = [&](const std::string& time) {
    EXPECT_TRUE(parseLagLogRow(withField(0, time), &row, &error)) << error;
    return lagLogTimeText(row.time);
  };
  EXPECT_EQ("2026-12-07T10:19:45Z", timeOf("2026-12-07T10:19:45Z"));
  EXPECT_EQ("2026-12-07T10:19:45Z", timeOf("2026-12-07T10:19:45Z"));
  EXPECT_EQ("2026-12-07T10:19:46Z", timeOf("2026-12-07T10:19:46Z"));
  EXPECT_EQ("2026-12-07T10:19:45Z", timeOf("2026-12-07T10:19:45Z"));
  // A faulty time after a good one is a fault, and the next row that has
  // the good one again is read afresh.
  EXPECT_FALSE(parseLagLogRow(withField(0, "2026-12-07T10:19:4xZ"), &row,
                              &error));
  EXPECT_EQ("the time is not YYYY-MM-DDTHH:MM:SSZ", error);
  EXPECT_EQ("2026-12-07T10:19:46Z", timeOf("2026-12-07T10:19:46Z"));
  // A row with a good time and a fault further on leaves the time it read.
  EXPECT_FALSE(parseLagLogRow(
      withField(1, "x").replace(0, 20, "2026-12-08T00:00:00Z"), &row, &error));
  EXPECT_EQ("2026-12-08T00:00:00Z", timeOf("2026-12-08T00:00:00Z"));
  EXPECT_EQ("2026-12-07T10:19:46Z", timeOf("2026-12-07T10:19:46Z"));
}

TEST(LagLogTest, ShowsARowAtTheSimulatedTime) {
  EXPECT_EQ(
      "00:01:05 | 1 | Bob | 0 | 1 | Alice | 420 | 380 | 210 | 900 | 3.2 | 1.1 "
      "| 0.0 | current,average | 1/3 | announced",
      lagLogLineShown(kRow, 65));
  // Other lines keep their time, and control bytes show.
  EXPECT_EQ("time | bot | x\\x0D", lagLogLineShown("time\tbot\tx\r", 65));
}

TEST(LagLogTest, RowsOfArenaSectionsNameTheirArenaAndOldRowsStillRead) {
  LagLogRow row;
  std::string error;
  ASSERT_TRUE(parseLagLogRow(kRow, &row, &error)) << error;
  EXPECT_FALSE(row.hasArena);
  ASSERT_TRUE(parseLagLogRow(kRow + std::string("\tle\\x07ague"), &row, &error))
      << error;
  EXPECT_TRUE(row.hasArena);
  EXPECT_EQ("le\aague", row.arena);
  EXPECT_EQ("Bob", row.player);
  // Before the bot entered an arena.
  ASSERT_TRUE(parseLagLogRow(kRow + std::string("\t"), &row, &error)) << error;
  EXPECT_TRUE(row.hasArena);
  EXPECT_EQ("", row.arena);
  EXPECT_EQ("an arena name longer than 64 bytes",
            reasonOf(kRow + std::string("\t") + std::string(65, 'a')));
  EXPECT_TRUE(isLagLogHeader(kLagLogHeader));
  EXPECT_TRUE(
      isLagLogHeader(std::string(kLagLogHeader) + std::string("\tarena")));
  EXPECT_FALSE(
      isLagLogHeader(std::string(kLagLogHeader) + std::string("\tarenas")));
  EXPECT_EQ("a header line amid the rows",
            reasonOf(std::string(kLagLogHeader) + std::string("\tarena")));
}

// The index of the field a reason names, -1 for none.
int fieldNamed(const std::string& reason) {
  static const char* const kNames[] = {
      "time", "bot", "player", "level", "ship", "requester",
      "current", "average", "low", "high", "s2c", "c2s",
      "s2cweapons", "limits", "strikes", "action"};
  for (int i = 0; i < 16; ++i) {
    if (reason.find(std::string(" the ") + kNames[i] + " field") !=
        std::string::npos) {
      return i;
    }
  }
  return -1;
}

// Tabs, control bytes and escapes are looked for many bytes at a time:
// each one is found wherever it stands in its block, and no other byte is
// taken for one.
TEST(LagLogTest, FindsAControlByteAtEveryPlaceAndNothingElse) {
  const std::string row = kRow;
  for (std::size_t at = 0; at < row.size(); ++at) {
    if (row[at] == '\t') continue;
    int field = 0;
    for (std::size_t i = 0; i < at; ++i) field += row[i] == '\t';
    for (int byte : {0x00, 0x01, 0x08, 0x0A, 0x1F, 0x7F}) {
      std::string line = row;
      line[at] = static_cast<char>(byte);
      const std::string reason = reasonOf(line);
      EXPECT_NE(reason.find("a raw control byte"), std::string::npos)
          << "byte " << byte << " at " << at << ": " << reason;
      EXPECT_EQ(fieldNamed(reason), field) << reason;
    }
  }
  // Bytes just beside the control range, in a name of any place, are names.
  for (std::size_t length = 1; length <= 20; ++length) {
    for (int byte : {0x20, 0x21, 0x7E, 0x80, 0x9F, 0xA0, 0xFF}) {
      LagLogRow parsed;
      std::string error;
      const std::string name(length, static_cast<char>(byte));
      EXPECT_TRUE(parseLagLogRow(withField(2, name), &parsed, &error))
          << byte << " " << length << ": " << error;
    }
  }
  // An escape in the last figure, moved along by the name before it.
  for (std::size_t length = 1; length <= 20; ++length) {
    std::string line = withField(2, std::string(length, 'a'));
    line.replace(line.find("\t0.0\t"), 5, "\t0\\x2E0\t");
    LagLogRow parsed;
    std::string error;
    ASSERT_TRUE(parseLagLogRow(line, &parsed, &error)) << error;
    EXPECT_EQ("0.0", parsed.figures[kS2CWeapons]) << length;
  }
}

// A reader that copies the figures on as one text gets the texts the
// strings hold, escapes undone, and a row read in another way after it
// leaves neither behind.
TEST(LagLogTest, JoinedFiguresAreTheFiguresOneAfterTheOther) {
  const auto joined = [](const LagLogRow& row) {
    std::string text;
    for (const std::string& figure : row.figures) text += figure;
    return text;
  };
  std::string escaped = kRow;
  escaped.replace(escaped.find("\t3.2\t"), 5, "\t3\\x2E2\t");
  for (const std::string& line :
       {std::string(kRow), escaped, withField(7, ""),
        withField(9, "123456789012"), withField(8, std::string(60, '9')),
        std::string("2026-12-07T10:19:46Z\t7\t\t\t\t\t\t3.5x\t\t\t\t\t\t-\t-"
                    "\tnone")}) {
    LagLogRow read;
    LagLogRow row;
    std::string error;
    ASSERT_TRUE(parseLagLogRow(line, &read, &error)) << error;
    ASSERT_TRUE(parseLagLogRow(line, &row, &error, LagLogFigures::kJoined))
        << error;
    EXPECT_EQ(joined(read), row.joinedFigures) << line;
    EXPECT_EQ("", joined(row)) << line;
    std::size_t at = 0;
    for (int i = 0; i < kFigureCount; ++i) {
      EXPECT_EQ(read.figures[i], row.joinedFigures.substr(at, row.figureLengths[i]))
          << line << " figure " << i;
      at += row.figureLengths[i];
    }
    ASSERT_TRUE(parseLagLogRow(line, &row, &error, LagLogFigures::kSkipped));
    EXPECT_EQ("", row.joinedFigures + joined(row));
    EXPECT_EQ(0u, row.figureLengths[kAverage]);
  }
}
