#include "spawn/config_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "spawn/test_bot.h"

namespace {

// Writes down what the reader tells, one line per event.
class RecordingListener : public ConfigListener {
 public:
  Lines told;

  void lineRead(const char* text, std::uint32_t length,
                LineReader::LineEnd end) override {
    const char* ends[] = {"LF", "cut", "end"};
    told.push_back("line \"" + std::string(text) + "\" " +
                   std::to_string(length) + " " + ends[static_cast<int>(end)]);
  }
  void populationSectionRead(std::int32_t players) override {
    told.push_back("  players " + std::to_string(players));
  }
  void arenaSectionRead(const ArenaSectionName& name) override {
    told.push_back("  arena " + std::string(name.start, name.length));
  }
  void settingRead(const ConfigSetting& setting) override {
    if (setting.isAllowance) {
      told.push_back(setting.allowanceFault == AllowanceFault::None
                         ? "  allow " + std::string(setting.allowance.name) +
                               " +" + std::to_string(setting.allowance.extraMs)
                         : "  allow faulty: " + std::string(allowanceFaultText(
                                                    setting.allowanceFault)));
    } else if (setting.key == nullptr) {
      told.push_back("  no key");
    } else if (setting.key->kind == ConfigKind::Number) {
      told.push_back("  " + std::string(setting.key->key) +
                     std::to_string(setting.number) + " held as " +
                     std::to_string(setting.repaired));
    } else {
      told.push_back("  " + std::string(setting.key->key) + "\"" +
                     setting.value + "\"");
    }
  }
  void readingEnded(bool cutByBound) override {
    told.push_back(cutByBound ? "cut by the bound" : "end");
  }
};

Lines toldOf(const std::string& bytes) {
  RecordingListener listener;
  LineReader lines(bytes.data(), bytes.size());
  ConfigReader reader(lines, &listener);
  while (reader.next()) {
  }
  return listener.told;
}

}  // namespace

// A file of every kind of line, as check-ini hears it: each line as the line
// reader cut it, then what it is, and the repairs the plug-in makes.
TEST(ConfigReaderTest, TellsAListenerOfEveryLineAndWhatItSets) {
  const std::string longMessage = "WarnMessage=" + std::string(243, 'w');
  const char rest[] =
      "deal=3\n[arena League]\nallow=Bob +40\nallow=+40\n[players 30]\n"
      "strikes=0\0junk\nLagLog=a";
  const std::string sectionsAndRest(rest, sizeof rest - 1);
  EXPECT_EQ(
      (Lines{"line \"current=-5\" 10 LF",
             "  current=-5 held as 300",
             "line \"Average=1\" 9 LF",
             "  no key",
             "line \"" + longMessage + "\" 255 cut",
             "  WarnMessage=\"" + std::string(243, 'w') + "\"",
             "line \"deal=3\" 6 LF",
             "  deal=3 held as 3",
             "line \"[arena League]\" 14 LF",
             "  arena League",
             "line \"allow=Bob +40\" 13 LF",
             "  allow Bob +40",
             "line \"allow=+40\" 9 LF",
             "  allow faulty: " +
                 std::string(allowanceFaultText(AllowanceFault::NoName)),
             "line \"[players 30]\" 12 LF",
             "  players 30",
             "line \"strikes=0\" 14 LF",
             "  strikes=0 held as 1",
             "line \"LagLog=a\" 8 end",
             "  LagLog=\"a\"",
             "end"}),
      toldOf("current=-5\r\nAverage=1\n" + longMessage + sectionsAndRest));
  // The reading bound: a file one byte longer is cut, one as long is not.
  const std::string full(LineReader::kMaxFileBytes, 'x');
  EXPECT_EQ("end", toldOf(full).back());
  EXPECT_EQ("cut by the bound", toldOf(full + "x").back());
}
