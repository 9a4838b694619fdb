#include "spawn/population_limits.h"

#include "spawn/config_keys.h"
#include "spawn/config_reader.h"
#include "spawn/spawn.h"
#include "util/text.h"

namespace {

// The botInfo fields of kPopulationKeys, in its order.
constexpr std::int32_t botInfo::*kPopulationFields[] = {
    &botInfo::currentPingLimit,  &botInfo::averagePingLimit,
    &botInfo::s2cLossLimit,      &botInfo::c2sLossLimit,
    &botInfo::s2cWeaponsLossLimit, &botInfo::dealMode};
static_assert(std::size(kPopulationFields) == kPopulationKeyCount,
              "one field per population key");

}  // namespace

void PopulationLimits::startSection(std::int32_t players) {
  skipping_ = false;
  for (std::size_t i = 0; i < count_; ++i) {
    if (sections_[i].players == players) {
      reading_ = &sections_[i];
      return;
    }
  }
  if (count_ == kMostSections) {
    reading_ = nullptr;
    skipping_ = true;
    return;
  }
  reading_ = &sections_[count_++];
  *reading_ = Section();
  reading_->players = players;
}

void PopulationLimits::readLine(ConfigReader& reader) {
  if (reading_ == nullptr) return;
  const ConfigSetting& setting = reader.setting();
  if (setting.key == nullptr) return;
  const std::size_t index = populationKeyIndex(*setting.key);
  if (index == kPopulationKeyCount) return;
  reading_->values[index] = setting.number;
  reading_->setKeys = static_cast<std::uint8_t>(reading_->setKeys | 1u << index);
}

std::int32_t PopulationLimits::sectionFor(std::int32_t inShips) const {
  std::int32_t best = kNoSection;
  for (std::size_t i = 0; i < count_; ++i) {
    const std::int32_t players = sections_[i].players;
    if (players <= inShips && players > best) best = players;
  }
  return best;
}

bool PopulationLimits::valueOf(std::int32_t section, std::size_t key,
                               std::int32_t* value) const {
  const Section* found = find(section);
  if (found == nullptr || (found->setKeys & 1u << key) == 0) return false;
  *value = found->values[key];
  return true;
}

const PopulationLimits::Section* PopulationLimits::find(
    std::int32_t players) const {
  for (std::size_t i = 0; i < count_; ++i) {
    if (sections_[i].players == players) return &sections_[i];
  }
  return nullptr;
}

PopulationLimitsInForce::PopulationLimitsInForce(botInfo& bot,
                                                 std::int32_t inShips)
    : bot_(bot),
      active_(bot.population.any()),
      section_(bot.population.sectionFor(inShips)) {
  // Without population sections nothing is touched.
  if (!active_) return;
  // The bot's own values come back repaired, as judging leaves them.
  bot_.sanitizeLimits();
  for (std::size_t key = 0; key < kPopulationKeyCount; ++key) {
    std::int32_t& field = bot_.*kPopulationFields[key];
    saved_[key] = field;
    std::int32_t value = 0;
    if (bot_.population.valueOf(section_, key, &value)) field = value;
  }
}

PopulationLimitsInForce::~PopulationLimitsInForce() {
  if (!active_) return;
  for (std::size_t key = 0; key < kPopulationKeyCount; ++key) {
    bot_.*kPopulationFields[key] = saved_[key];
  }
}
