#include "util/player.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

Player makePlayer(const char* name, const char* secondName = "squad") {
  return Player(7, name, secondName, 224, 220, 216, 228, 230, 3, 20, 12);
}

TEST(PlayerTest, ConstructorFillsTheRecord) {
  const Player player = makePlayer("Bob");
  EXPECT_EQ(player.ident, 7);
  EXPECT_EQ(player.accessLevel, OP_Player);
  EXPECT_EQ(player.host12, 12);
  EXPECT_EQ(player.host20, 20);
  EXPECT_EQ(player.ship, 3);
  EXPECT_EQ(player.host216, 216);
  EXPECT_EQ(player.host220, 220u);
  EXPECT_EQ(player.host224, 224u);
  EXPECT_EQ(player.host228, 228);
  EXPECT_EQ(player.host230, 230);
  EXPECT_EQ(player.host232, 0);
  EXPECT_EQ(player.motion, 0);
  const char expectedName[kPlayerNameSize] = "Bob";
  EXPECT_EQ(std::memcmp(player.name, expectedName, kPlayerNameSize), 0);
  EXPECT_STREQ(player.secondName, "squad");
  const std::uint8_t zeros[96] = {};
  EXPECT_EQ(std::memcmp(player.opaqueBlock, zeros, sizeof zeros), 0);
  EXPECT_EQ(player.pixel, Vector(8192, 8192));
  EXPECT_EQ(player.tile, Vector(512, 512));
  EXPECT_EQ(player.work, Vector(8192000, 8192000));
  EXPECT_EQ(player.velocity, Vector());
}

TEST(PlayerTest, FullLengthNameIsReadWithinItsField) {
  const Player player = makePlayer("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "second");
  EXPECT_EQ(std::memcmp(player.name, "ABCDEFGHIJKLMNOPQRST", 20), 0);
  EXPECT_EQ(player.nameLength(), 20u);
  // secondName follows the unterminated name directly.
  EXPECT_TRUE(player.nameEqualsIgnoreCase("abcdefghijklmnopqrst"));
  EXPECT_FALSE(player.nameEqualsIgnoreCase("abcdefghijklmnopqrstsecond"));
  EXPECT_FALSE(player.nameEqualsIgnoreCase("abcdefghijklmnopqrs"));

  const Player bob = makePlayer("Bob");
  EXPECT_EQ(bob.nameLength(), 3u);
  EXPECT_TRUE(bob.nameEqualsIgnoreCase("bOB"));
  EXPECT_FALSE(bob.nameEqualsIgnoreCase("Bobby"));
  EXPECT_FALSE(bob.nameEqualsIgnoreCase(""));
}

TEST(PlayerTest, MovementTruncatesTowardZero) {
  Player player = makePlayer("Bob");
  player.setPosition(10, 20);
  player.move(5);
  EXPECT_EQ(player.pixel, Vector(10, 20));

  player.setPositionAndVelocity(0, 0, 1000, -1000);
  player.move(16);
  EXPECT_EQ(player.pixel, Vector(16, -16));
  EXPECT_EQ(player.tile, Vector(1, -1));

  player.setPositionAndVelocity(0, 0, -1, 0);
  player.move(1);
  EXPECT_EQ(player.work, Vector(-1, 0));
  EXPECT_EQ(player.pixel, Vector(0, 0));
  EXPECT_EQ(player.tile, Vector(0, 0));

  player.motion = 9;
  Player copy = makePlayer("Ann");
  copy.copyMotion(player);
  EXPECT_EQ(copy.work, Vector(-1, 0));
  EXPECT_EQ(copy.velocity, Vector(-1, 0));
  EXPECT_EQ(copy.motion, 9);
  EXPECT_EQ(copy.ident, 7);
}

TEST(VectorTest, ArithmeticWrapsAndDivisionByZeroKeepsTheComponent) {
  Vector v(6, -9);
  EXPECT_EQ(v + Vector(1, 1), Vector(7, -8));
  EXPECT_EQ(v - 1, Vector(5, -10));
  EXPECT_EQ(v * Vector(2, 3), Vector(12, -27));
  EXPECT_EQ(v / 4, Vector(1, -2));
  EXPECT_EQ(v / 0, v);
  EXPECT_EQ(v / Vector(0, 3), Vector(6, -3));
  v /= 0;
  EXPECT_EQ(v, Vector(6, -9));
  v.setBoth(INT32_MAX);
  v += 1;
  EXPECT_EQ(v, Vector(INT32_MIN, INT32_MIN));
  EXPECT_EQ(v / -1, v);
  EXPECT_EQ(v * 2, Vector());
  EXPECT_EQ(Vector(0, 0).distanceTo(Vector(3, -4)), 5u);
  EXPECT_NE(Vector(1, 2), Vector(2, 1));
}

TEST(NameTableTest, AccessLevelsAndPrizes) {
  EXPECT_STREQ(accessLevelName(OP_Player), "Player");
  EXPECT_STREQ(accessLevelName(OP_SuperModerator), "SMod");
  EXPECT_STREQ(accessLevelName(11), "Q");
  EXPECT_STREQ(accessLevelName(OP_God), "God");
  EXPECT_STREQ(accessLevelName(13), "UNKNOWN");
  EXPECT_STREQ(accessLevelName(0xFFFFFFFFu), "UNKNOWN");

  const struct {
    std::int16_t prize;
    const char* name;
  } prizes[] = {
      {0, "Ship reset"},
      {-7, "Warp!"},
      {7, "Warp!"},
      {29, "Ship reset"},
      {-30, "Recharge downgrade"},
      {57, "Portal"},
      {-28, "Lost portal"},
      {28, "Portal"},
      {-25, "UNKNOWN-25"},
      {-18, "Lost Shields!"},
      {24, "Thor!"},
      {INT16_MAX, "Brick"},
      {INT16_MIN, "Lost rocket"},
  };
  for (const auto& p : prizes) {
    EXPECT_STREQ(prizeName(p.prize), p.name) << p.prize;
  }
}

}  // namespace
