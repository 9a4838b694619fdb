// Fuzzes check-ini against the plug-in: each input is read by a bot, as
// "tarvok.ini" in a private folder, and by check-ini from its bytes. Every
// setting of the key table, whether the watch and the fair keys are on, the
// allowances and the values of the population sections must be the same:
// before the bot enters an arena, in the arena of each section check-ini
// reports (its name as written, then in upper case) and in an arena the
// file has no section for.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "host/event_makers.h"
#include "input_folder.h"
#include "settings/config_check.h"
#include "settings/config_check_agreement.h"
#include "spawn/spawn.h"

namespace {

// The arenas a bot is sent to; at most a few of a file's sections.
constexpr std::size_t kMostArenasEntered = 4;

std::string joined(const std::vector<std::string>& differences) {
  std::string text;
  for (const std::string& difference : differences) {
    text += (text.empty() ? "" : "; ") + difference;
  }
  return text;
}

void checkAgreement(const botInfo& bot, const ConfigCheck& check,
                    const ConfigSettings& reported, const std::string& arena) {
  const std::vector<std::string> settings =
      config_check_agreement::settingDifferences(bot, reported);
  FUZZ_CHECK(settings.empty(),
             "in arena '" + arena + "' the bot holds " + joined(settings));
  const std::vector<std::string> populations =
      config_check_agreement::populationDifferences(bot, check);
  FUZZ_CHECK(populations.empty(),
             "population sections differ: " + joined(populations));
}

std::string upperCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const InputFolder inside;
  const std::string contents(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(kConfigFileName, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  }
  const ConfigCheck check(contents);
  {
    botInfo bot(1);
    bot.loadConfig();
    checkAgreement(bot, check, check.settings(), "");
  }
  std::vector<std::string> arenas = {"elsewhere"};
  for (const ConfigArena& arena : check.arenas()) {
    if (arenas.size() > kMostArenasEntered) break;
    arenas.push_back(arena.name);
    arenas.push_back(upperCase(arena.name));
  }
  for (const std::string& arena : arenas) {
    botInfo bot(1);
    bot.loadConfig();
    BotEvent enter = makeArenaEnter(arena.c_str(), nullptr, 0);
    bot.onEvent(enter);
    const ConfigArena* section = check.arenaNamed(arena);
    checkAgreement(bot, check,
                   section == nullptr ? check.settings() : section->settings,
                   arena);
  }
  return 0;
}
