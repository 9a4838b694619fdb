// NetworkFigures: a player's connection as the zone server measures it, and
// the lag line the server sends a bot that asks for it with "*lag" (one
// line; the blanks are the server's):
//   PING Current:120 ms  Average:95 ms  Low:80 ms  High:300 ms
//     S2C: 0.5%  C2S: 1.9%  S2CWeapons: 0.0%
// Pings are whole milliseconds; losses are percent figures kept as written
// ("0.5", "-3.0"), since the line carries them as text.
#ifndef TARVOK_TOOLS_SIM_NETWORK_FIGURES_H_
#define TARVOK_TOOLS_SIM_NETWORK_FIGURES_H_

#include <cstdint>
#include <string>
#include <string_view>

// The zone server's answer to "*lag" made of the seven figures as text
// (current, average, low and high ping, then the S2C, C2S and S2CWeapons
// losses), written into `line`'s block in one go: the one place that
// knows the line's labels.
void composeLagLine(const std::string_view (&figures)[7], std::string* line);

struct NetworkFigures {
  std::int32_t currentPing = 100;
  std::int32_t averagePing = 100;
  std::int32_t lowPing = 100;
  std::int32_t highPing = 100;
  std::string s2cLoss = "0.0";
  std::string c2sLoss = "0.0";
  std::string s2cWeaponsLoss = "0.0";

  // "CURRENT/AVERAGE/LOW/HIGH", each a signed 32-bit whole number. False,
  // changing nothing, for any other text.
  bool setPings(const std::string& text);
  // "S2C/C2S/WEAPONS", each an optional '-', digits and an optional
  // fraction ("0.5"). False, changing nothing, for any other text.
  bool setLosses(const std::string& text);

  // The figures as the scenario writes them: "120/95/80/300", "0.5/1.9/0.0".
  std::string pingsText() const;
  std::string lossesText() const;

  // The zone server's answer to "*lag".
  std::string lagLine() const;
};

#endif  // TARVOK_TOOLS_SIM_NETWORK_FIGURES_H_
