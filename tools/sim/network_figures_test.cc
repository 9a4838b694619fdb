#include "sim/network_figures.h"

#include <gtest/gtest.h>

TEST(NetworkFiguresTest, LagLineHasTheServersForm) {
  NetworkFigures figures;
  ASSERT_TRUE(figures.setPings("120/95/80/300"));
  ASSERT_TRUE(figures.setLosses("0.5/1.9/0.0"));
  EXPECT_EQ(
      "PING Current:120 ms  Average:95 ms  Low:80 ms  High:300 ms  S2C: 0.5%  "
      "C2S: 1.9%  S2CWeapons: 0.0%",
      figures.lagLine());
  EXPECT_EQ("120/95/80/300", figures.pingsText());
  EXPECT_EQ("0.5/1.9/0.0", figures.lossesText());
}

TEST(NetworkFiguresTest, AcceptsSignedFiguresAtTheLimits) {
  NetworkFigures figures;
  EXPECT_TRUE(figures.setPings("-2147483648/0/2147483647/7"));
  EXPECT_EQ("-2147483648/0/2147483647/7", figures.pingsText());
  EXPECT_TRUE(figures.setLosses("-3.0/12/0.25"));
  EXPECT_EQ("-3.0/12/0.25", figures.lossesText());
}

TEST(NetworkFiguresTest, RefusesMalformedFiguresAndKeepsTheOldOnes) {
  NetworkFigures figures;
  const char* const badPings[] = {"",          "1/2/3",   "1/2/3/4/5",
                                  "1/2/3/x",   "1/2//4",  "2147483648/1/1/1",
                                  "1.5/2/3/4", "-/1/2/3", "+1/2/3/4"};
  for (const char* text : badPings) {
    EXPECT_FALSE(figures.setPings(text)) << text;
  }
  const char* const badLosses[] = {"",       "1/2",   "1/2/3/4", "1./2/3",
                                   ".5/1/1", "1/2/x", "1,5/1/1", "-/1/1"};
  for (const char* text : badLosses) {
    EXPECT_FALSE(figures.setLosses(text)) << text;
  }
  EXPECT_EQ("100/100/100/100", figures.pingsText());
  EXPECT_EQ("0.0/0.0/0.0", figures.lossesText());
}
