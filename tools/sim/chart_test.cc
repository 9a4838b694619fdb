#include "sim/chart.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace

// A day of checks every second for one player: the page keeps per pixel
// column only the extremes, so its size does not grow with the log.
TEST(ChartTest, ThinsLongSeriesAndKeepsTheExtremes) {
  LagSummary summary({"logged", "replayed"}, true);
  const std::uint32_t kSeconds = 86400;
  for (std::uint32_t second = 0; second < kSeconds; ++second) {
    // One spike of 5000 ms that must survive the thinning.
    const float ping = second == 40000 ? 5000.0f : 100.0f + second % 50;
    const float figures[5] = {ping, 90, 0.5f, 0.2f, 0};
    summary.add(0, 1, "Bob", ping > 300, LagAction::None, second, figures);
  }
  summary.add(0, 1, "Bob", true, LagAction::Warned, 40000, nullptr);
  summary.add(1, 1, "Bob", true, LagAction::Spectated, 40001, nullptr);
  summary.add(1, 1, "Bob", true, LagAction::Spectated, 40002, nullptr);

  ConfigSettings settings;
  settings.currentPingLimit = 250;
  ChartPage page;
  page.title = "A <day> & more";
  page.duration = kSeconds - 1;
  const std::string html = chartHtml(page, summary, settings);

  EXPECT_LT(html.size(), 200000u);
  EXPECT_EQ(1u, countOf(html, "<section class=\"panel\">"));
  EXPECT_EQ(5u, countOf(html, "<line class=\"limit "));
  EXPECT_NE(std::string::npos, html.find("current limit 250 ms"));
  // The spike is the top of the ping plot: its value labels the axis.
  EXPECT_NE(std::string::npos, html.find(">5000 ms<"));
  // Two spectates in one pixel column make one mark per plot.
  EXPECT_EQ(2u, countOf(html, "class=\"mark spectated replayed\""));
  EXPECT_EQ(2u, countOf(html, "class=\"mark warned logged\""));
  EXPECT_NE(std::string::npos, html.find("<h1>A &lt;day&gt; &amp; more</h1>"));
  EXPECT_EQ(std::string::npos, html.find("http://www.w3.org/1999"));
  EXPECT_EQ(std::string::npos, html.find("<script"));
  EXPECT_EQ(std::string::npos, html.find("src="));
}

TEST(ChartTest, TableCountsEachSourceAndTotals) {
  LagSummary summary({"logged", "replayed"}, false);
  summary.add(0, 1, "Bob", true, LagAction::Warned, 5, nullptr);
  summary.add(0, 1, "Bob", false, LagAction::None, 6, nullptr);
  summary.add(1, 1, "Bob", true, LagAction::Spectated, 6, nullptr);
  summary.add(1, 2, "Bob", false, LagAction::None, 6, nullptr);
  summary.add(0, 1, "", false, LagAction::None, 7, nullptr);
  const std::vector<std::string> expected = {
      "                                             checks      limits reached"
      "              warned           spectated",
      "player                              logged replayed     logged replayed"
      "     logged replayed     logged replayed",
      "bot 1: Bob                               2        1          1        1"
      "          1        0          0        1",
      "bot 2: Bob                               0        1          0        0"
      "          0        0          0        0",
      "bot 1: (lines nobody asked for)          1        0          0        0"
      "          0        0          0        0",
      "(all players together)                   3        2          1        1"
      "          1        0          0        1",
  };
  EXPECT_EQ(expected, summary.table());
}

// Players named like the table's own rows keep rows of their own, and a
// name's control bytes never reach the terminal raw.
TEST(ChartTest, NoNamePassesForTheTablesOwnRows) {
  LagSummary summary({"logged"}, false);
  for (const char* name : {"total", "(no request)", "", "\x1B[2Jx", "\\x1B[2Jx"}) {
    summary.add(0, 1, name, false, LagAction::None, 5, nullptr);
  }
  const std::vector<std::string> expected = {
      "player                            checks  limits reached          warned"
      "       spectated",
      "total                                  1               0               0"
      "               0",
      "(no request)                           1               0               0"
      "               0",
      "(lines nobody asked for)               1               0               0"
      "               0",
      "\\x1B[2Jx                               1               0               0"
      "               0",
      "\\\\x1B[2Jx                              1               0               0"
      "               0",
      "(all players together)                 5               0               0"
      "               0",
  };
  EXPECT_EQ(expected, summary.table());
}
