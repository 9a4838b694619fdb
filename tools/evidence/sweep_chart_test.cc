#include "evidence/sweep_chart.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<std::string> allOf(const std::string& text,
                               const std::string& pattern) {
  std::vector<std::string> found;
  const std::regex expression(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), expression);
       it != std::sregex_iterator(); ++it) {
    found.push_back((*it)[1]);
  }
  return found;
}

SweepPlotRow row(const std::string& settings, std::uint64_t across,
                 std::uint64_t up, bool base = false, bool blind = false) {
  SweepPlotRow result;
  result.settings = settings;
  result.details = "details of " + settings;
  result.across = across;
  result.up = up;
  result.base = base;
  result.tooManyBlind = blind;
  return result;
}

}  // namespace

// A sweep of an evening with many laggers: three rows share the base's
// scores and one row is blind too often. The plot numbers its axes in round
// steps, draws the three as one red mark that names them all and says how
// many it holds, rings the blind row's mark, and keeps every mark clear of
// the axes.
TEST(SweepChartTest, AnEveningOfSharedScoresReadsAtAGlance) {
  SweepPlot plot("scores", "laggers let through", "honest <spectated>");
  plot.add(row("strikes=1", 0, 3));
  plot.add(row("strikes=2", 12, 1));
  plot.add(row("strikes=3", 12, 1, true));
  plot.add(row("strikes=4", 12, 1));
  plot.add(row("strikes=5", 37, 0, false, true));
  const std::string svg = plot.svg();

  EXPECT_EQ((std::vector<std::string>{"0", "10", "20", "30", "40"}),
            allOf(svg, "class=\"tick x\"[^>]*>([0-9]+)<"));
  EXPECT_EQ((std::vector<std::string>{"0", "1", "2", "3"}),
            allOf(svg, "class=\"tick y\"[^>]*>([0-9]+)<"));
  EXPECT_NE(std::string::npos, svg.find(">honest &lt;spectated&gt;</text>"));

  // Three marks, the base's drawn last.
  EXPECT_EQ((std::vector<std::string>{"", " blind", " base"}),
            allOf(svg, "<g class=\"mark([^\"]*)\">"));
  EXPECT_EQ((std::vector<std::string>{"!", "base, 3 rows"}),
            allOf(svg, "class=\"count\"[^>]*>([^<]*)<"));
  EXPECT_NE(std::string::npos,
            svg.find("<title>3 rows with the same scores:\n"
                     "strikes=2: details of strikes=2\n"
                     "strikes=3 (base): details of strikes=3\n"
                     "strikes=4: details of strikes=4</title>"));
  EXPECT_EQ(1u, allOf(svg, "(class=\"ring\")").size());

  // The frame: its left axis and its floor; every circle inside, apart.
  const std::vector<std::string> xs =
      allOf(svg, "<circle class=\"(?:point|ring)\" cx=\"([0-9.]+)\"");
  const std::vector<std::string> ys =
      allOf(svg, "<circle class=\"(?:point|ring)\" cx=\"[0-9.]+\" cy=\"([0-9.]+)\"");
  ASSERT_EQ(4u, xs.size());  // three marks and a ring
  for (std::size_t i = 0; i < xs.size(); ++i) {
    EXPECT_GT(std::stod(xs[i]) - 11, 70.0) << xs[i];
    EXPECT_LT(std::stod(ys[i]) + 11, 320.0 - 52) << ys[i];
  }
  EXPECT_EQ(std::string::npos, svg.find("<script"));
}

// Nobody misjudged by any row: the axes still run from 0 to 1, and a lone
// base mark says so.
TEST(SweepChartTest, AllRowsPerfectStillHasAxes) {
  SweepPlot plot("scores", "across", "up");
  plot.add(row("a=1", 0, 0, true));
  const std::string svg = plot.svg();
  EXPECT_EQ((std::vector<std::string>{"0", "1"}),
            allOf(svg, "class=\"tick x\"[^>]*>([0-9]+)<"));
  EXPECT_EQ((std::vector<std::string>{"0", "1"}),
            allOf(svg, "class=\"tick y\"[^>]*>([0-9]+)<"));
  EXPECT_EQ((std::vector<std::string>{"base"}),
            allOf(svg, "class=\"count\"[^>]*>([^<]*)<"));
}
