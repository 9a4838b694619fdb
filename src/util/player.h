// Player: the host's per-player record, laid out by the host. The plug-in
// reads `ident` (the target of private messages), `accessLevel`, `name` and
// `ship` (8 means spectating) through pointers the host passes; the byte
// offsets below are the host's and are checked at compile time. The rest of
// the module (Vector, position arithmetic, the level and prize names) belongs
// to the host's shared plug-in library.
#ifndef TARVOK_UTIL_PLAYER_H_
#define TARVOK_UTIL_PLAYER_H_

#include <cstdint>

enum Operator_Level : std::uint32_t {
  OP_Player = 0,
  OP_Limited = 1,
  OP_Moderator = 2,
  OP_SuperModerator = 3,
  OP_SysOp = 4,
  OP_Owner = 5,
  OP_Duke = 6,
  OP_Baron = 7,
  OP_King = 8,
  OP_Emperor = 9,
  OP_RockStar = 10,
  OP_Q = 11,
  OP_God = 12,
};

// The ship number of a spectating player.
constexpr std::uint8_t kSpectatorShip = 8;
constexpr int kPlayerNameSize = 20;

// Two signed 32-bit coordinates with component-wise arithmetic, wrapping at
// 32 bits. Division truncates toward zero; a component divided by 0 stays
// unchanged (so dividing by the integer 0 leaves the whole value unchanged).
struct Vector {
  std::int32_t x;
  std::int32_t y;

  constexpr Vector() : x(0), y(0) {}
  constexpr Vector(std::int32_t x, std::int32_t y) : x(x), y(y) {}

  void set(std::int32_t newX, std::int32_t newY);
  void setBoth(std::int32_t value);

  bool operator==(const Vector& other) const;
  bool operator!=(const Vector& other) const;

  Vector operator+(const Vector& other) const;
  Vector operator-(const Vector& other) const;
  Vector operator*(const Vector& other) const;
  Vector operator/(const Vector& other) const;
  Vector& operator+=(const Vector& other);
  Vector& operator-=(const Vector& other);
  Vector& operator*=(const Vector& other);
  Vector& operator/=(const Vector& other);

  Vector operator+(std::int32_t value) const;
  Vector operator-(std::int32_t value) const;
  Vector operator*(std::int32_t value) const;
  Vector operator/(std::int32_t value) const;
  Vector& operator+=(std::int32_t value);
  Vector& operator-=(std::int32_t value);
  Vector& operator*=(std::int32_t value);
  Vector& operator/=(std::int32_t value);

  // integerSqrt(dx * dx + dy * dy), wrapping at 32 bits.
  std::uint32_t distanceTo(const Vector& other) const;
};

struct Player {
  std::uint16_t ident;         // 0
  std::uint16_t gap2;          // 2
  std::uint32_t accessLevel;   // 4: an Operator_Level
  std::uint32_t host8;         // 8
  std::uint16_t host12;        // 12
  std::uint16_t gap14;         // 14
  std::uint32_t timeStamp;     // 16: tickCount() at construction
  std::uint8_t host20;         // 20
  char name[kPlayerNameSize];  // 21: not terminated when it fills 20 bytes
  char secondName[kPlayerNameSize];  // 41
  std::uint8_t opaqueBlock[96];      // 61
  std::uint8_t ship;                 // 157: kSpectatorShip when spectating
  std::uint8_t motion;               // 158
  std::uint8_t gap159;               // 159
  std::uint16_t host160[4];          // 160
  Vector tile;                       // 168: pixel / 16
  Vector pixel;                      // 176: work / 1000
  Vector work;                       // 184: thousandths of a pixel
  Vector velocity;                   // 192
  std::uint8_t host200[4];           // 200
  std::uint8_t host204;              // 204
  std::uint8_t gap205[2];            // 205
  std::uint8_t host207;              // 207
  std::uint8_t host208[6];           // 208
  std::uint8_t host214;              // 214
  std::uint8_t host215;              // 215
  std::uint16_t host216;             // 216
  std::uint16_t gap218;              // 218
  std::uint32_t host220;             // 220
  std::uint32_t host224;             // 224
  std::uint16_t host228;             // 228
  std::uint16_t host230;             // 230
  std::uint8_t host232;              // 232

  // Only the Vectors start zero; `Player player{}` is zero throughout.
  Player() = default;
  // The record as the host makes it for a player entering the arena: every
  // byte zero except the given values; the names are copied like strncpy with
  // count 20; standing still at pixel (8192, 8192); stamped with tickCount().
  Player(std::uint16_t ident, const char* name, const char* secondName,
         std::uint32_t value224, std::uint32_t value220, std::uint16_t value216,
         std::uint16_t value228, std::uint16_t value230, std::uint8_t ship,
         std::uint8_t value20, std::uint16_t value12);

  // Length of `name`, never reading past its 20 bytes.
  std::uint32_t nameLength() const;
  // True when `name` equals `text` with A-Z folded to a-z.
  bool nameEqualsIgnoreCase(const char* text) const;

  // Copies 96 bytes from `data`.
  void setOpaqueBlock(const void* data);
  // work += velocity * time, then pixel = work / 1000, tile = pixel / 16.
  void move(std::int32_t time);
  // Places the player at pixel (x, y), standing still.
  void setPosition(std::int32_t x, std::int32_t y);
  void setPositionAndVelocity(std::int32_t x, std::int32_t y,
                              std::int32_t velocityX, std::int32_t velocityY);
  // Copies tile, pixel, work, velocity and the motion byte.
  void copyMotion(const Player& other);

 private:
  // pixel and tile from work.
  void updatePosition();
};

// The name of an Operator_Level ("Mod", "SMod", ...); "UNKNOWN" for any other
// value.
const char* accessLevelName(std::uint32_t level);
// The name of a prize number: positive gained, negative lost, 0 a ship reset.
// Numbers beyond +-28 wrap around every 29.
const char* prizeName(std::int16_t prize);

#endif  // TARVOK_UTIL_PLAYER_H_
