// Test support: what a bot read from a "tarvok.ini" against what check-ini
// reports of the same bytes, for the unit test and the fuzz target that
// hold the two to the same values. Each function lists the differences,
// empty when the two agree.
#ifndef TARVOK_TOOLS_SETTINGS_CONFIG_CHECK_AGREEMENT_H_
#define TARVOK_TOOLS_SETTINGS_CONFIG_CHECK_AGREEMENT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "settings/config_check.h"
#include "spawn/config_keys.h"
#include "spawn/lag_allowances.h"
#include "spawn/population_section.h"
#include "spawn/spawn.h"

namespace config_check_agreement {

// Every row of the key table as the plug-in holds it and as check-ini
// reports it.
struct FieldPair {
  const char* key;
  String botInfo::*botText = nullptr;
  std::int32_t botInfo::*botNumber = nullptr;
  std::string ConfigSettings::*reportedText = nullptr;
  std::int32_t ConfigSettings::*reportedNumber = nullptr;
  FieldPair(const char* keyText, String botInfo::*bot,
            std::string ConfigSettings::*reported)
      : key(keyText), botText(bot), reportedText(reported) {}
  FieldPair(const char* keyText, std::int32_t botInfo::*bot,
            std::int32_t ConfigSettings::*reported)
      : key(keyText), botNumber(bot), reportedNumber(reported) {}
};

#define TARVOK_FIELD_PAIR(kind, key, field, ...) \
  FieldPair(key, &botInfo::field, &ConfigSettings::field),
inline const FieldPair kFieldPairs[] = {TARVOK_CONFIG_KEYS(TARVOK_FIELD_PAIR)};
#undef TARVOK_FIELD_PAIR

// "key=value" for every setting that differs, "watch", "fair" and
// "allow=NAME" when those differ; empty when the two agree.
inline std::vector<std::string> settingDifferences(
    const botInfo& bot, const ConfigSettings& reported) {
  std::vector<std::string> differ;
  for (const FieldPair& pair : kFieldPairs) {
    if (pair.botNumber != nullptr) {
      if (bot.*pair.botNumber != reported.*pair.reportedNumber) {
        differ.push_back(std::string(pair.key) +
                         std::to_string(bot.*pair.botNumber) + " but " +
                         std::to_string(reported.*pair.reportedNumber));
      }
    } else if (std::string((bot.*pair.botText).chars()) !=
               reported.*pair.reportedText) {
      differ.push_back(std::string(pair.key) + (bot.*pair.botText).chars() +
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
