// PopulationLimits: the population sections of the file read last
// (population_section.h), and which of them is in force.
//
// A section holds the values its lines set of kPopulationKeys; a key it
// does not set keeps the value of the lines before the sections (and of
// the arena's section). At most kMostSections sections are kept; the lines
// of a section beyond them, and lines of keys a section may not set, are
// skipped as the plug-in skips any line it cannot read (check-ini names
// them). While a lag line is judged (PopulationLimitsInForce) the section
// for the players in ships then is applied over the bot's settings, and
// the bot's own values come back afterwards: a change made live by staff
// stays the value of fewer players.
#ifndef TARVOK_SPAWN_POPULATION_LIMITS_H_
#define TARVOK_SPAWN_POPULATION_LIMITS_H_

#include <cstddef>
#include <cstdint>

#include "spawn/population_section.h"

class botInfo;
class ConfigReader;

class PopulationLimits {
 public:
  static constexpr std::size_t kMostSections = 16;
  // No section is in force: "players=0" in the lag log.
  static constexpr std::int32_t kNoSection = 0;

  // Before a file is read: no sections.
  void clear() { count_ = 0; reading_ = nullptr; }
  bool any() const { return count_ != 0; }

  // A section line "[players N]": the lines up to the next section line
  // belong to it; a second line of the same N adds to the first.
  void startSection(std::int32_t players);
  // A line of another section: lines are no longer the population's.
  void endSection() { reading_ = nullptr; }
  // True while the lines read belong to a population section.
  bool readingSection() const { return reading_ != nullptr || skipping_; }
  // A line inside a population section: kept when it sets one of
  // kPopulationKeys (by the key table's reading of a number).
  void readLine(ConfigReader& reader);

  // The N of the section in force with `inShips` players in ships, or
  // kNoSection.
  std::int32_t sectionFor(std::int32_t inShips) const;
  // The value `section` sets for kPopulationKeys[key]; false when it sets
  // none.
  bool valueOf(std::int32_t section, std::size_t key,
               std::int32_t* value) const;

  // The lag log's record of the section in force, per connection.
  std::int32_t loggedSection = -1;  // -1: none logged since connecting

 private:
  struct Section {
    std::int32_t players = 0;
    std::uint8_t setKeys = 0;  // bit i: kPopulationKeys[i] is set
    std::int32_t values[kPopulationKeyCount] = {};
  };
  const Section* find(std::int32_t players) const;

  Section sections_[kMostSections];
  std::size_t count_ = 0;
  Section* reading_ = nullptr;
  bool skipping_ = false;  // in a section beyond kMostSections
};

// The population section for the players in ships now, applied over the
// bot's settings for as long as this lives (the judging of one lag line).
class PopulationLimitsInForce {
 public:
  explicit PopulationLimitsInForce(botInfo& bot, std::int32_t inShips);
  ~PopulationLimitsInForce();
  PopulationLimitsInForce(const PopulationLimitsInForce&) = delete;
  PopulationLimitsInForce& operator=(const PopulationLimitsInForce&) = delete;

  // The N of the section applied, or PopulationLimits::kNoSection.
  std::int32_t section() const { return section_; }

 private:
  botInfo& bot_;
  bool active_;  // the file has population sections
  std::int32_t section_ = PopulationLimits::kNoSection;
  std::int32_t saved_[kPopulationKeyCount] = {};
};

#endif  // TARVOK_SPAWN_POPULATION_LIMITS_H_
