#include "spawn/config_reader.h"

#include "util/text.h"

bool ConfigReader::next() {
  if (!lines_.readLine(line_)) {
    if (listener_ != nullptr) listener_->readingEnded(lines_.stoppedAtBound());
    return false;
  }
  if (listener_ != nullptr) {
    listener_->lineRead(line_, lines_.lastLength(), lines_.lastEnd());
  }
  settingSorted_ = false;
  if (readPopulationSectionLine(line_, &players_)) {
    kind_ = LineKind::PopulationSection;
    if (listener_ != nullptr) listener_->populationSectionRead(players_);
  } else if (readArenaSectionLine(line_, &arena_)) {
    kind_ = LineKind::ArenaSection;
    if (listener_ != nullptr) listener_->arenaSectionRead(arena_);
  } else {
    kind_ = LineKind::Other;
    if (listener_ != nullptr) sortSetting();
  }
  return true;
}

void ConfigReader::sortSetting() {
  settingSorted_ = true;
  setting_.key = nullptr;
  setting_.isAllowance = isPrefixOf(kAllowKey, line_);
  if (setting_.isAllowance) {
    setting_.value = line_ + textLength(kAllowKey);
    setting_.allowance = AllowanceText();
    setting_.allowanceFault =
        readAllowanceText(setting_.value, false, setting_.allowance);
  } else {
    setting_.value = line_;
    for (const ConfigKey& key : kConfigKeys) {
      if (!isPrefixOf(key.key, line_)) continue;
      setting_.key = &key;
      setting_.value = line_ + textLength(key.key);
      if (key.kind == ConfigKind::Number) {
        setting_.number = atoiSaturated(setting_.value);
        setting_.repaired = repairedValue(key, setting_.number);
      }
      break;
    }
  }
  if (listener_ != nullptr) listener_->settingRead(setting_);
}
