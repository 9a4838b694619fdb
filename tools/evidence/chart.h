// Chart: one self-contained HTML page (inline SVG and CSS, no script,
// nothing fetched) that shows a LagSummary: its table on top, then a panel
// per player (class "panel"), most dealt with first, with two plots over
// time: the current and average ping against their limits, and the three
// losses against theirs. Limits are lines of class "limit" in their
// figure's colour, each labelled with its name and value (class
// "limit-label"); limits that coincide are drawn in turns. Marks (class
// "mark", the action and the source's name) stand where the bot warned or
// spectated, one style per source, with hover text (<title>): the time, the
// action and the figures then; a strike short of dealing is a small
// triangle at the top (class "mark strike"), a blind check a grey tick at
// the foot. The time axis has ticks (class "tick time",
// "tick date") at a round step that suits the span, in UTC clock time when
// the start is known; the value axis has round ticks ("tick value"), pings
// never below 0; light gridlines (class "grid") at every tick. Each
// figure is a step line (class "series") that holds until the next check,
// the last one as long as the step before it; a figure that was no number
// breaks it into several. A stroke on the time axis (a path of class
// "checks") stands at every check.
//
// Long series are thinned per pixel column: of the points that fall in one
// column, only the lowest and the highest of each figure are drawn, so the
// page stays small however long the log. Where a column holds different
// values, a figure is two thin lines (class "series thin"), one through the
// highest values and a fainter one through the lowest ("lowest"), so that
// the figures of one plot do not fill bands that cover each other.
#ifndef TARVOK_TOOLS_EVIDENCE_CHART_H_
#define TARVOK_TOOLS_EVIDENCE_CHART_H_

#include <cstdint>
#include <string>
#include <vector>

#include "settings/config_check.h"
#include "evidence/lag_summary.h"

struct ChartPage {
  std::string title;               // the page's heading
  std::vector<std::string> notes;  // lines under the heading
  std::uint64_t duration = 0;      // seconds the time axis spans
  // When second 0 was, in seconds since 1970 UTC: the time axis shows the
  // clock in UTC. Negative: it shows the time since the start.
  std::int64_t startTime = -1;
};

// The page for `summary`, with the limits of `settings`; a player whose
// rows name an arena among `arenas` (the file's sections) has that
// section's limits.
std::string chartHtml(const ChartPage& page, const LagSummary& summary,
                      const ConfigSettings& settings,
                      const std::vector<ConfigArena>* arenas = nullptr);

#endif  // TARVOK_TOOLS_EVIDENCE_CHART_H_
