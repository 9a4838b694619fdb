// Chart: one self-contained HTML page (inline SVG and CSS, no script,
// nothing fetched) that shows a LagSummary: its table on top, then a panel
// per player (class "panel") with two plots over time: the current and
// average ping against their limits, and the three losses against theirs
// (limits as lines of class "limit"), each with marks where the bot warned
// or spectated, one style per source (class "mark" and the source's name).
//
// Long series are thinned per pixel column: of the points that fall in one
// column, only the lowest and the highest of each figure are drawn, so the
// page stays small however long the log.
#ifndef TARVOK_TOOLS_SIM_CHART_H_
#define TARVOK_TOOLS_SIM_CHART_H_

#include <cstdint>
#include <string>
#include <vector>

#include "sim/config_check.h"
#include "sim/lag_summary.h"

struct ChartPage {
  std::string title;               // the page's heading
  std::vector<std::string> notes;  // lines under the heading
  std::uint32_t duration = 0;      // seconds the time axis spans
};

// The page for `summary`, with the limits of `settings`.
std::string chartHtml(const ChartPage& page, const LagSummary& summary,
                      const ConfigSettings& settings);

#endif  // TARVOK_TOOLS_SIM_CHART_H_
