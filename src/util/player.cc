#include "util/player.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "util/text.h"

// The host reads and writes these offsets; Player holds no pointers, so they
// are the same on every build.
static_assert(sizeof(Vector) == 8, "host vector layout");
static_assert(offsetof(Player, ident) == 0, "host player layout");
static_assert(offsetof(Player, accessLevel) == 4, "host player layout");
static_assert(offsetof(Player, host8) == 8, "host player layout");
static_assert(offsetof(Player, host12) == 12, "host player layout");
static_assert(offsetof(Player, timeStamp) == 16, "host player layout");
static_assert(offsetof(Player, host20) == 20, "host player layout");
static_assert(offsetof(Player, name) == 21, "host player layout");
static_assert(offsetof(Player, secondName) == 41, "host player layout");
static_assert(offsetof(Player, opaqueBlock) == 61, "host player layout");
static_assert(offsetof(Player, ship) == 157, "host player layout");
static_assert(offsetof(Player, motion) == 158, "host player layout");
static_assert(offsetof(Player, host160) == 160, "host player layout");
static_assert(offsetof(Player, tile) == 168, "host player layout");
static_assert(offsetof(Player, pixel) == 176, "host player layout");
static_assert(offsetof(Player, work) == 184, "host player layout");
static_assert(offsetof(Player, velocity) == 192, "host player layout");
static_assert(offsetof(Player, host200) == 200, "host player layout");
static_assert(offsetof(Player, host204) == 204, "host player layout");
static_assert(offsetof(Player, host207) == 207, "host player layout");
static_assert(offsetof(Player, host208) == 208, "host player layout");
static_assert(offsetof(Player, host214) == 214, "host player layout");
static_assert(offsetof(Player, host215) == 215, "host player layout");
static_assert(offsetof(Player, host216) == 216, "host player layout");
static_assert(offsetof(Player, host220) == 220, "host player layout");
static_assert(offsetof(Player, host224) == 224, "host player layout");
static_assert(offsetof(Player, host228) == 228, "host player layout");
static_assert(offsetof(Player, host230) == 230, "host player layout");
static_assert(offsetof(Player, host232) == 232, "host player layout");

namespace {

// Signed arithmetic that wraps at 32 bits.
std::int32_t add(std::int32_t a, std::int32_t b) {
  return wrapToInt32(static_cast<std::uint32_t>(a) +
                     static_cast<std::uint32_t>(b));
}

std::int32_t subtract(std::int32_t a, std::int32_t b) {
  return wrapToInt32(static_cast<std::uint32_t>(a) -
                     static_cast<std::uint32_t>(b));
}

std::int32_t multiply(std::int32_t a, std::int32_t b) {
  return wrapToInt32(static_cast<std::uint32_t>(a) *
                     static_cast<std::uint32_t>(b));
}

// Truncates toward zero; a divisor of 0 leaves `a` unchanged.
std::int32_t divide(std::int32_t a, std::int32_t b) {
  if (b == 0) return a;
  if (b == -1) return wrapToInt32(0u - static_cast<std::uint32_t>(a));
  return a / b;
}

// strncpy with count kPlayerNameSize: stops after the terminator and
// zero-fills the rest of the field.
void copyName(char (&field)[kPlayerNameSize], const char* source) {
  int i = 0;
  for (; i < kPlayerNameSize && source[i] != '\0'; ++i) field[i] = source[i];
  for (; i < kPlayerNameSize; ++i) field[i] = '\0';
}

constexpr std::int32_t kWorkPerPixel = 1000;
constexpr std::int32_t kPixelsPerTile = 16;
constexpr std::int32_t kStartPixel = 8192;

constexpr const char* kAccessLevelNames[] = {
    "Player", "Limited", "Mod",     "SMod",     "SOp", "Owner", "Duke",
    "Baron",  "King",    "Emperor", "RockStar", "Q",   "God",
};

// Prize names from -28 (index 0) through 0 (index 28) to 28 (index 56).
constexpr int kPrizeTableMiddle = 28;
constexpr const char* kPrizeNames[] = {
    "Lost portal",
    "Lost rocket",
    "Lost brick",
    "UNKNOWN-25",
    "Lost thor",
    "Lost decoy",
    "Lost burst",
    "Lost repel",
    "Lost antiwarp",
    "Lost shrapnel",
    "Lost Shields!",
    "Lost Super!",
    "Lost proximity",
    "Lost multifire",
    "Engines shutdown (severe)",
    "Energy depleted",
    "Top speed downgrade",
    "Thrusters downgrade",
    "Lost Bouncing bullets",
    "Bomb downgrade",
    "Gun downgrade",
    "Warp!",
    "XRadar downgrade",
    "Cloak downgrade",
    "Stealth downgrade",
    "Rotation downgrade",
    "Energy downgrade",
    "Recharge downgrade",
    "Ship reset",
    "Recharge upgrade",
    "Energy upgrade",
    "Rotation",
    "Stealth",
    "Cloak",
    "XRadar",
    "Warp!",
    "Gun upgrade",
    "Bomb upgrade",
    "Bouncing bullets",
    "Thrusters upgrade",
    "Top speed upgrade",
    "Full charge",
    "Engines shutdown",
    "Multifire",
    "Proximity bombs",
    "Super!",
    "Shields!",
    "Shrapnel increase",
    "Antiwarp upgrade",
    "Repel",
    "Burst",
    "Decoy",
    "Thor!",
    "Multiprize!",
    "Brick",
    "Rocket",
    "Portal",
};
static_assert(sizeof kPrizeNames / sizeof kPrizeNames[0] ==
                  2 * kPrizeTableMiddle + 1,
              "one prize name for every number from -28 to 28");

}  // namespace

void Vector::set(std::int32_t newX, std::int32_t newY) {
  x = newX;
  y = newY;
}

void Vector::setBoth(std::int32_t value) { set(value, value); }

bool Vector::operator==(const Vector& other) const {
  return x == other.x && y == other.y;
}

bool Vector::operator!=(const Vector& other) const { return !(*this == other); }

Vector Vector::operator+(const Vector& other) const {
  return Vector(add(x, other.x), add(y, other.y));
}

Vector Vector::operator-(const Vector& other) const {
  return Vector(subtract(x, other.x), subtract(y, other.y));
}

Vector Vector::operator*(const Vector& other) const {
  return Vector(multiply(x, other.x), multiply(y, other.y));
}

Vector Vector::operator/(const Vector& other) const {
  return Vector(divide(x, other.x), divide(y, other.y));
}

Vector& Vector::operator+=(const Vector& other) {
  return *this = *this + other;
}
Vector& Vector::operator-=(const Vector& other) {
  return *this = *this - other;
}
Vector& Vector::operator*=(const Vector& other) {
  return *this = *this * other;
}
Vector& Vector::operator/=(const Vector& other) {
  return *this = *this / other;
}

Vector Vector::operator+(std::int32_t value) const {
  return *this + Vector(value, value);
}

Vector Vector::operator-(std::int32_t value) const {
  return *this - Vector(value, value);
}

Vector Vector::operator*(std::int32_t value) const {
  return *this * Vector(value, value);
}

Vector Vector::operator/(std::int32_t value) const {
  return *this / Vector(value, value);
}

Vector& Vector::operator+=(std::int32_t value) { return *this = *this + value; }
Vector& Vector::operator-=(std::int32_t value) { return *this = *this - value; }
Vector& Vector::operator*=(std::int32_t value) { return *this = *this * value; }
Vector& Vector::operator/=(std::int32_t value) { return *this = *this / value; }

std::uint32_t Vector::distanceTo(const Vector& other) const {
  const std::uint32_t dx =
      static_cast<std::uint32_t>(x) - static_cast<std::uint32_t>(other.x);
  const std::uint32_t dy =
      static_cast<std::uint32_t>(y) - static_cast<std::uint32_t>(other.y);
  return integerSqrt(dx * dx + dy * dy);
}

Player::Player(std::uint16_t ident, const char* name, const char* secondName,
               std::uint32_t value224, std::uint32_t value220,
               std::uint16_t value216, std::uint16_t value228,
               std::uint16_t value230, std::uint8_t ship, std::uint8_t value20,
               std::uint16_t value12) {
  // The whole record starts zero, gaps included, so that two players made
  // from the same values are byte for byte the same.
  std::memset(static_cast<void*>(this), 0, sizeof *this);
  this->ident = ident;
  host12 = value12;
  timeStamp = tickCount();
  host20 = value20;
  copyName(this->name, name);
  copyName(this->secondName, secondName);
  this->ship = ship;
  host216 = value216;
  host220 = value220;
  host224 = value224;
  host228 = value228;
  host230 = value230;
  setPositionAndVelocity(kStartPixel, kStartPixel, 0, 0);
}

std::uint32_t Player::nameLength() const {
  std::uint32_t length = 0;
  while (length < kPlayerNameSize && name[length] != '\0') ++length;
  return length;
}

bool Player::nameEqualsIgnoreCase(const char* text) const {
  for (int i = 0;; ++i) {
    // A name filling the field ends after its 20 bytes.
    const char own = i < kPlayerNameSize ? name[i] : '\0';
    if (toLowerChar(own) != toLowerChar(text[i])) return false;
    if (own == '\0') return true;
  }
}

void Player::setOpaqueBlock(const void* data) {
  std::memcpy(opaqueBlock, data, sizeof opaqueBlock);
}

void Player::move(std::int32_t time) {
  work += velocity * time;
  updatePosition();
}

void Player::setPosition(std::int32_t x, std::int32_t y) {
  setPositionAndVelocity(x, y, 0, 0);
}

void Player::setPositionAndVelocity(std::int32_t x, std::int32_t y,
                                    std::int32_t velocityX,
                                    std::int32_t velocityY) {
  work = Vector(x, y) * kWorkPerPixel;
  velocity.set(velocityX, velocityY);
  updatePosition();
}

void Player::copyMotion(const Player& other) {
  tile = other.tile;
  pixel = other.pixel;
  work = other.work;
  velocity = other.velocity;
  motion = other.motion;
}

void Player::updatePosition() {
  pixel = work / kWorkPerPixel;
  tile = pixel / kPixelsPerTile;
}

const char* accessLevelName(std::uint32_t level) {
  constexpr std::uint32_t kLevelCount =
      sizeof kAccessLevelNames / sizeof kAccessLevelNames[0];
  return level < kLevelCount ? kAccessLevelNames[level] : "UNKNOWN";
}

const char* prizeName(std::int16_t prize) {
  // The remainder keeps the sign of `prize`, so it lies in -28..28.
  return kPrizeNames[prize % (kPrizeTableMiddle + 1) + kPrizeTableMiddle];
}
