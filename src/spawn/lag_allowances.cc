#include "spawn/lag_allowances.h"

#include "util/text.h"

namespace {

void copyName(char (&to)[kAllowanceNameSize], const char* from) {
  int i = 0;
  for (; i < kAllowanceNameSize - 1 && from[i] != '\0'; ++i) to[i] = from[i];
  to[i] = '\0';
}

}  // namespace

bool LagAllowances::inForce(const Allowance& allowance) const {
  return allowance.endsAt == 0 || seconds_ < allowance.endsAt;
}

void LagAllowances::dropFileAllowances() {
  for (int slot = 0; slot < kMostAllowances; ++slot) {
    if (used_[slot] && table_[slot].fromFile) used_[slot] = false;
  }
}

LagAllowances::Allowance* LagAllowances::find(const char* name) {
  for (int slot = 0; slot < kMostAllowances; ++slot) {
    if (!used_[slot]) continue;
    if (!inForce(table_[slot])) {
      used_[slot] = false;
      continue;
    }
    if (equalsIgnoreCase(table_[slot].name, name)) return &table_[slot];
  }
  return nullptr;
}

LagAllowances::Allowance* LagAllowances::freeSlot() {
  for (int slot = 0; slot < kMostAllowances; ++slot) {
    if (used_[slot] && !inForce(table_[slot])) used_[slot] = false;
    if (!used_[slot]) {
      used_[slot] = true;
      if (slot >= slotsEverUsed_) slotsEverUsed_ = slot + 1;
      return &table_[slot];
    }
  }
  return nullptr;
}

bool LagAllowances::addFromFile(const AllowanceText& text) {
  Allowance* allowance = find(text.name);
  if (allowance != nullptr && !allowance->fromFile) return true;
  if (text.extraMs == 0) {
    if (allowance != nullptr) takeBack(text.name);
    return true;
  }
  if (allowance == nullptr) allowance = freeSlot();
  if (allowance == nullptr) return false;
  copyName(allowance->name, text.name);
  allowance->extraMs = text.extraMs;
  allowance->endsAt = 0;
  allowance->fromFile = true;
  return true;
}

bool LagAllowances::grant(const AllowanceText& text, std::uint32_t seconds) {
  Allowance* allowance = find(text.name);
  if (allowance == nullptr) allowance = freeSlot();
  if (allowance == nullptr) return false;
  copyName(allowance->name, text.name);
  allowance->extraMs = text.extraMs;
  // A grant that would end past the clock's range lasts until unloaded.
  allowance->endsAt =
      seconds == 0 || seconds_ + seconds < seconds_ ? 0 : seconds_ + seconds;
  allowance->fromFile = false;
  return true;
}

bool LagAllowances::takeBack(const char* name) {
  Allowance* allowance = find(name);
  if (allowance == nullptr) return false;
  used_[allowance - table_] = false;
  return true;
}

std::int32_t LagAllowances::extraFor(const char* name) const {
  for (int slot = 0; slot < slotsEverUsed_; ++slot) {
    if (used_[slot] && inForce(table_[slot]) &&
        equalsIgnoreCase(table_[slot].name, name)) {
      return table_[slot].extraMs;
    }
  }
  return 0;
}

const LagAllowances::Allowance* LagAllowances::at(int slot) const {
  if (slot < 0 || slot >= kMostAllowances || !used_[slot]) return nullptr;
  return inForce(table_[slot]) ? &table_[slot] : nullptr;
}
