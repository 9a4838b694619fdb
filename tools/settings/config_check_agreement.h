// Test support: what a bot read from a "tarvok.ini" against what check-ini
// reports of the same bytes, for the unit test and the fuzz target that
// hold the two to the same values. Each function lists the differences,
// empty when the two agree.
#ifndef TARVOK_TOOLS_SETTINGS_CONFIG_CHECK_AGREEMENT_H_
#define TARVOK_TOOLS_SETTINGS_CONFIG_CHECK_AGREEMENT_H_

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "settings/config_check.h"
#include "spawn/config_keys.h"
#include "spawn/lag_allowances.h"
#include "spawn/population_section.h"
#include "spawn/spawn.h"

namespace config_check_agreement {

// Every row of the key table as check-ini reports it; the plug-in's field
// of the same row is the bot's configNumber or configText.
struct FieldPair {
  const char* key;
  std::string ConfigSettings::*reportedText = nullptr;
  std::int32_t ConfigSettings::*reportedNumber = nullptr;
  FieldPair(const char* keyText, std::string ConfigSettings::*reported)
      : key(keyText), reportedText(reported) {}
  FieldPair(const char* keyText, std::int32_t ConfigSettings::*reported)
      : key(keyText), reportedNumber(reported) {}
};

#define TARVOK_FIELD_PAIR(kind, key, field, ...) \
  FieldPair(key, &ConfigSettings::field),
inline const FieldPair kFieldPairs[] = {TARVOK_CONFIG_KEYS(TARVOK_FIELD_PAIR)};
#undef TARVOK_FIELD_PAIR

// "key=value" for every setting that differs, "watch", "fair" and
// "allow=NAME" when those differ; empty when the two agree.
inline std::vector<std::string> settingDifferences(
    const botInfo& bot, const ConfigSettings& reported) {
  std::vector<std::string> differ;
  for (std::size_t row = 0; row < std::size(kFieldPairs); ++row) {
    const FieldPair& pair = kFieldPairs[row];
    if (pair.reportedNumber != nullptr) {
      const std::int32_t held = *bot.configNumber(row);
      if (held != reported.*pair.reportedNumber) {
        differ.push_back(std::string(pair.key) + std::to_string(held) +
                         " but " +
                         std::to_string(reported.*pair.reportedNumber));
      }
    } else if (std::string(bot.configText(row)->chars()) !=
               reported.*pair.reportedText) {
      differ.push_back(std::string(pair.key) + bot.configText(row)->chars() +
                       " but " + reported.*pair.reportedText);
    }
  }
  if ((bot.watchOn != 0) != reported.watchKeysInFile) differ.push_back("watch");
  if ((bot.fairKeysRead != 0) != reported.fairKeysInFile) {
    differ.push_back("fair");
  }
  std::size_t granted = 0;
  for (int slot = 0; slot < LagAllowances::kMostAllowances; ++slot) {
    if (bot.allowances.at(slot) != nullptr) ++granted;
  }
  if (granted != reported.allowances.size()) differ.push_back("allowances");
  for (const ConfigSettings::Allowance& allowance : reported.allowances) {
    if (bot.allowances.extraFor(allowance.name.c_str()) != allowance.extraMs) {
      differ.push_back("allow=" + allowance.name);
    }
  }
  return differ;
}

// "[players N] key" for every population value the two read differently.
inline std::vector<std::string> populationDifferences(
    const botInfo& bot, const ConfigCheck& check) {
  std::vector<std::string> differ;
  for (const ConfigPopulation& population : check.populations()) {
    for (std::size_t index = 0; index < kPopulationKeyCount; ++index) {
      std::int32_t held = 0;
      const bool botSets =
          bot.population.valueOf(population.players, index, &held);
      bool reportedSets = false;
      std::int32_t reported = 0;
      for (const auto& [key, value] : population.values) {
        if (std::string(key) != kPopulationKeys[index]) continue;
        reportedSets = true;
        reported = value;
      }
      if (botSets != reportedSets || held != reported) {
        differ.push_back("[players " + std::to_string(population.players) +
                         "] " + kPopulationKeys[index]);
      }
    }
  }
  return differ;
}

}  // namespace config_check_agreement

#endif  // TARVOK_TOOLS_SETTINGS_CONFIG_CHECK_AGREEMENT_H_
