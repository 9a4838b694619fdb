#include "evidence/chart.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "laglog/lag_log.h"

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
  EXPECT_NE(std::string::npos, html.find(">current ping limit 250 ms<"));
  // The spike sets the ping axis, 0 to 6000 ms in steps of 2000, and is
  // drawn: 5000 ms lies a sixth below the top (10 + 160 / 6).
  EXPECT_NE(std::string::npos, html.find(">0 ms<"));
  EXPECT_NE(std::string::npos, html.find(">6000 ms<"));
  EXPECT_EQ(std::string::npos, html.find(">8000 ms<"));
  EXPECT_NE(std::string::npos, html.find(",36.7 "));
  // Two spectates in one pixel column make one mark per plot.
  EXPECT_EQ(2u, countOf(html, "class=\"mark spectated replayed\""));
  EXPECT_NE(std::string::npos, html.find("11:06:41: Bob was moved to "
                                         "spectator mode (replayed)\n"
                                         "ping 101 ms current, 90 ms average; "
                                         "loss 0.5% server to client, 0.2% "
                                         "client to server, 0% weapons\n"
                                         "and 1 more at this pixel"));
  EXPECT_EQ(2u, countOf(html, "class=\"mark warned logged\""));
  EXPECT_NE(std::string::npos, html.find("<h1>A &lt;day&gt; &amp; more</h1>"));
  EXPECT_EQ(std::string::npos, html.find("http://www.w3.org/1999"));
  EXPECT_EQ(std::string::npos, html.find("<script"));
  EXPECT_EQ(std::string::npos, html.find("src="));
}

// An evening into the night, read by the clock: ticks every three hours in
// UTC with the date under the first and under midnight; a ping logged below
// 0 leaves the axis at 0; losses below 0 get round ticks of their own; two
// limits of one value are both labelled and drawn in turns.
TEST(ChartTest, AxesReadByTheClock) {
  LagSummary summary({"logged"}, true);
  const float first[5] = {-79, 20, -3.5f, 0.4f, 0};
  const float second[5] = {350, 200, 1.2f, 0.4f, 0};
  summary.add(0, 1, "Bob", false, LagAction::None, 0, first);
  summary.add(0, 1, "Bob", true, LagAction::Warned, 86399, second);
  ConfigSettings settings;
  settings.currentPingLimit = 300;
  settings.averagePingLimit = 300;
  ChartPage page;
  page.duration = 86399;
  std::int64_t start = 0;
  ASSERT_TRUE(parseLagLogTime("2026-12-07T20:00:05Z", &start));
  page.startTime = start;
  const std::string html = chartHtml(page, summary, settings);

  std::vector<std::string> times;
  const std::string tick = "class=\"tick time\"";
  for (std::size_t at = html.find(tick); at != std::string::npos;
       at = html.find(tick, at + 1)) {
    const std::size_t text = html.find('>', at) + 1;
    times.push_back(html.substr(text, html.find('<', text) - text));
  }
  const std::vector<std::string> expected = {
      "21:00", "00:00", "03:00", "06:00", "09:00", "12:00", "15:00", "18:00"};
  ASSERT_EQ(16u, times.size());  // both plots
  EXPECT_EQ(expected, std::vector<std::string>(times.begin(),
                                               times.begin() + 8));
  EXPECT_EQ(2u, countOf(html, ">2026-12-07</text>"));
  EXPECT_EQ(2u, countOf(html, ">2026-12-08</text>"));
  EXPECT_EQ(2u, countOf(html, ">time (UTC)</text>"));
  // Ping ticks 0 to 400 in hundreds; loss ticks -4 to 2.
  EXPECT_EQ(std::string::npos, html.find(">-100 ms<"));
  EXPECT_NE(std::string::npos, html.find(">0 ms<"));
  EXPECT_NE(std::string::npos, html.find(">400 ms<"));
  EXPECT_NE(std::string::npos, html.find(">-4%<"));
  EXPECT_NE(std::string::npos, html.find(">2%<"));
  // Equal limits: dashes in turns, a label each.
  EXPECT_NE(std::string::npos,
            html.find("stroke-dasharray=\"6 9\" stroke-dashoffset=\"0\""));
  EXPECT_NE(std::string::npos,
            html.find("stroke-dasharray=\"6 9\" stroke-dashoffset=\"-6\""));
  EXPECT_NE(std::string::npos, html.find(">average ping limit 300 ms<"));
  EXPECT_NE(std::string::npos, html.find(">current ping limit 300 ms<"));
  EXPECT_NE(std::string::npos,
            html.find("<title>2026-12-08 20:00:04 UTC: Bob was warned\n"
                      "ping 350 ms current, 200 ms average; loss 1.2% "
                      "server to client, 0.4% client to server, 0% weapons"
                      "</title>"));
}

// Players come as an operator reads them: most warned and spectated first
// (all sources together), then most over a limit, then by name whatever the
// letter case; lag lines of no request last. The table and the panels
// agree.
TEST(ChartTest, PlayersMostDealtWithFirst) {
  LagSummary summary({"logged", "replayed"}, true);
  const float figures[5] = {100, 100, 0, 0, 0};
  summary.add(0, 1, "", false, LagAction::None, 0, figures);
  summary.add(0, 1, "Pilot00", false, LagAction::None, 1, figures);
  summary.add(0, 1, "zed", true, LagAction::Spectated, 2, figures);
  summary.add(0, 1, "Amy", true, LagAction::None, 3, figures);
  summary.add(1, 1, "Amy", true, LagAction::Warned, 3, figures);
  summary.add(0, 1, "Pilot10", true, LagAction::None, 4, figures);
  summary.add(0, 1, "bob", false, LagAction::None, 5, figures);
  std::vector<std::string> names;
  for (const PlayerLag* player : summary.playersByConcern()) {
    names.push_back(player->name);
  }
  EXPECT_EQ((std::vector<std::string>{"Amy", "zed", "Pilot10", "bob",
                                      "Pilot00", ""}),
            names);
  const std::string html = chartHtml(ChartPage(), summary, ConfigSettings());
  std::size_t last = 0;
  for (const char* name : {"<h2>Amy<", "<h2>zed<", "<h2>Pilot10<", "<h2>bob<",
                           "<h2>Pilot00<"}) {
    const std::size_t at = html.find(name);
    ASSERT_NE(std::string::npos, at) << name;
    EXPECT_LT(last, at) << name;
    last = at;
  }
  EXPECT_EQ("Amy", summary.table()[2].substr(0, 3));
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
      // None dealt with: by name, the lines nobody asked for last.
      "\\x1B[2Jx                               1               0               0"
      "               0",
      "(no request)                           1               0               0"
      "               0",
      "\\\\x1B[2Jx                              1               0               0"
      "               0",
      "total                                  1               0               0"
      "               0",
      "(lines nobody asked for)               1               0               0"
      "               0",
      "(all players together)                 5               0               0"
      "               0",
  };
  EXPECT_EQ(expected, summary.table());
}

// A loss figure that was no number, in the middle of an evening: its line
// breaks there instead of holding the value before (which read as minutes
// over the limit), the other figures run on, the last check's value holds
// as long as the step before it, and a stroke marks each check.
TEST(ChartTest, GapsForFiguresThatWereNoNumber) {
  LagSummary summary({"logged"}, true);
  const float nan = chartFigureOf("?");
  const float before[5] = {100, 90, 5, 0, 0};
  const float broken[5] = {110, 90, nan, 0, 0};
  const float after[5] = {120, 90, 0.5f, 0, 0};
  summary.add(0, 1, "Bob", true, LagAction::None, 0, before);
  summary.add(0, 1, "Bob", false, LagAction::None, 100, broken);
  summary.add(0, 1, "Bob", false, LagAction::None, 200, after);
  summary.add(0, 1, "Bob", false, LagAction::None, 300, after);
  ConfigSettings settings;
  ChartPage page;
  page.duration = 400;
  const std::string html = chartHtml(page, summary, settings);

  EXPECT_EQ(2u, countOf(html, "<polyline class=\"series s2c\""));
  EXPECT_EQ(1u, countOf(html, "<polyline class=\"series current\""));
  EXPECT_EQ(1u, countOf(html, "<polyline class=\"series c2s\""));
  // 5 % held from second 0 to the unknown figure at second 100 (x 255),
  // then nothing until 0.5 % at second 200 (x 455).
  const std::size_t s2c = html.find("<polyline class=\"series s2c\"");
  const std::string first = html.substr(s2c, html.find("/>", s2c) - s2c);
  EXPECT_NE(std::string::npos, first.find(" 255,")) << first;
  EXPECT_EQ(std::string::npos, first.find("455.")) << first;
  // The last check, at second 300 (x 655), holds until second 400.
  EXPECT_NE(std::string::npos, html.find("points=\"56,170 255,170 455,170 "
                                         "655,170 855,170\""));
  EXPECT_EQ(2u, countOf(html, "<path class=\"checks\" d=\"M56,170v-5M255,"
                              "170v-5M455,170v-5M655,170v-5\">"));
}

// Rows of an arena with a section of its own are drawn against that
// section's limits; the others, and arenas without one, against every
// arena's.
TEST(ChartTest, EachArenaSectionDrawsItsOwnLimits) {
  LagSummary summary({"logged"}, true);
  LagLogRow row;
  row.kind = LagRowKind::Check;
  row.hasArena = true;
  row.player = "Ann";
  row.arena = "League";
  summary.add(0, 1, row, 10);
  row.player = "Bob";
  row.arena = "public";
  summary.add(0, 1, row, 20);

  const ConfigCheck check("current=300\n[arena league]\ncurrent=150\n");
  const std::string html = chartHtml(ChartPage(), summary, check.settings(),
                                     &check.arenas());
  EXPECT_EQ(2u, countOf(html, "<section class=\"panel\">"));
  const std::size_t bob = html.find("<h2>Bob");
  ASSERT_NE(std::string::npos, bob);
  const std::string annPanel = html.substr(html.find("<h2>Ann"));
  EXPECT_NE(std::string::npos,
            annPanel.find(">current ping limit 150 ms<"));
  EXPECT_NE(std::string::npos,
            html.substr(bob).find(">current ping limit 300 ms<"));
  EXPECT_EQ(std::string::npos,
            html.substr(bob).find(">current ping limit 150 ms<"));
}

// Ann plays in League, which has a section, then moves to public, which
// has none, and is warned there: each arena's rows get a panel with the
// limits they were judged by, and the warning stands in public's.
TEST(ChartTest, PlayerInTwoArenasGetsEachArenasLimits) {
  LagSummary summary({"logged"}, true);
  LagLogRow row;
  row.kind = LagRowKind::Check;
  row.hasArena = true;
  row.player = "Ann";
  row.arena = "League";
  row.figures[kCurrent] = "200";
  summary.add(0, 1, row, 10);
  row.arena = "public";
  row.figures[kCurrent] = "320";
  row.limits = 1;
  row.action = LagAction::Warned;
  summary.add(0, 1, row, 20);
  summary.reorder([](const PlayerLag&, const PlayerLag&) { return false; });

  const ConfigCheck check("current=300\n[arena league]\ncurrent=150\n");
  const std::string html = chartHtml(ChartPage(), summary, check.settings(),
                                     &check.arenas());
  EXPECT_EQ(2u, countOf(html, "<section class=\"panel\">"));
  const std::size_t league = html.find("<h2>Ann in arena league</h2>");
  const std::size_t elsewhere =
      html.find("<h2>Ann in arenas without a section</h2>");
  ASSERT_NE(std::string::npos, league);
  ASSERT_NE(std::string::npos, elsewhere);
  ASSERT_LT(league, elsewhere);
  const std::string leaguePanel = html.substr(league, elsewhere - league);
  const std::string publicPanel = html.substr(elsewhere);
  EXPECT_NE(std::string::npos, leaguePanel.find(">current ping limit 150 ms<"));
  EXPECT_EQ(std::string::npos, leaguePanel.find(">current ping limit 300 ms<"));
  EXPECT_EQ(0u, countOf(leaguePanel, "class=\"mark warned"));
  EXPECT_NE(std::string::npos, publicPanel.find(">current ping limit 300 ms<"));
  EXPECT_EQ(std::string::npos, publicPanel.find(">current ping limit 150 ms<"));
  EXPECT_EQ(2u, countOf(publicPanel, "class=\"mark warned logged\""));
}

// A lagger's evening under strikes=3 with a strike gap, logged and
// replayed: every strike short of a spectate is a triangle at the top of
// both plots, filled for the log and hollow for the replay; a check too
// soon after a strike (the count held) and the spectate itself are none;
// after the spectate the strikes count from 1 again.
TEST(ChartTest, StrikesShortOfDealingAreMarked) {
  LagSummary summary({"logged", "replayed"}, true);
  struct Step {
    std::uint64_t second;
    std::uint32_t strikes;
    LagAction action;
  };
  const Step steps[] = {{0, 1, LagAction::None},   {20, 1, LagAction::None},
                        {80, 2, LagAction::None},  {140, 3, LagAction::Spectated},
                        {200, 1, LagAction::None}, {260, 0, LagAction::None}};
  for (std::size_t source : {0u, 1u}) {
    for (const Step& step : steps) {
      LagLogRow row;
      row.player = "Bob";
      row.figures[kCurrent] = step.strikes == 0 ? "90" : "420";
      row.limits = step.strikes == 0 ? 0 : 1;
      row.strikes = step.strikes;
      row.strikesOutOf = 3;
      row.action = step.action;
      summary.add(source, 1, row, step.second + source);
    }
  }
  ChartPage page;
  page.duration = 300;
  const std::string html = chartHtml(page, summary, ConfigSettings());
  // Three strikes a source (at 0, 80 and 200), on each of the two plots.
  EXPECT_EQ(6u, countOf(html, "<path class=\"mark strike logged\""));
  EXPECT_EQ(6u, countOf(html, "<path class=\"mark strike replayed\""));
  EXPECT_EQ(2u, countOf(html, "00:03:20: Bob's strike 1 of 3 (logged)\n"
                              "ping 420 ms current"));
  EXPECT_EQ(2u, countOf(html, "00:01:21: Bob's strike 2 of 3 (replayed)"));
  EXPECT_EQ(0u, countOf(html, "00:00:20: Bob's strike"));
  EXPECT_EQ(0u, countOf(html, "strike 3 of 3"));
  EXPECT_EQ(4u, countOf(html, "class=\"mark spectated"));
}

// A day of checks every 20 seconds whose three losses wander: each loss is
// drawn as two thin lines (through the highest and the lowest of each pixel
// column) that move forward only, never the up-and-down of one line through
// both, which filled bands that covered the other losses.
TEST(ChartTest, CrowdedLossesStayApartAsThinLines) {
  LagSummary summary({"logged"}, true);
  const std::uint32_t kDay = 86400;
  for (std::uint32_t second = 0; second < kDay; second += 20) {
    const float wobble = static_cast<float>(second / 20 % 7);
    const float figures[5] = {100, 90, wobble, 3 + wobble / 2, wobble / 3};
    summary.add(0, 1, "Bob", false, LagAction::None, second, figures);
  }
  ChartPage page;
  page.duration = kDay;
  const std::string html = chartHtml(page, summary, ConfigSettings());
  for (const char* loss : {"s2c", "c2s", "s2cweapons"}) {
    const std::string high = std::string("<polyline class=\"series thin ") +
                             loss + "\" points=\"";
    const std::string low = std::string("<polyline class=\"series thin ") +
                            loss + " lowest\" points=\"";
    ASSERT_EQ(1u, countOf(html, high)) << loss;
    ASSERT_EQ(1u, countOf(html, low)) << loss;
    for (const std::string& start : {high, low}) {
      const std::size_t at = html.find(start) + start.size();
      std::istringstream points(html.substr(at, html.find('"', at) - at));
      // At each pixel column at most a step's corner and the value.
      double lastX = -1;
      int atX = 0;
      std::string point;
      while (points >> point) {
        const double x = std::stod(point.substr(0, point.find(',')));
        EXPECT_GE(x, lastX) << loss << " goes back at " << point;
        atX = x == lastX ? atX + 1 : 1;
        EXPECT_LE(atX, 2) << loss << " goes up and down at " << point;
        lastX = x;
      }
    }
  }
  // The pings held still: one line each, as before.
  EXPECT_EQ(1u, countOf(html, "<polyline class=\"series current\""));
  EXPECT_LT(html.size(), 200000u);
}
