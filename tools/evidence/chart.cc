#include "evidence/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>

#include "laglog/lag_log.h"
#include "hostkit/shown_text.h"
#include "hostkit/transcript.h"
#include "util/text.h"

namespace {

constexpr int kPlotWidth = 800;  // pixel columns of the time axis
constexpr int kPlotHeight = 160;
constexpr int kLeft = 56;          // room for the value axis
constexpr int kLabelsWidth = 190;  // room for the limits' labels
constexpr int kTop = 10;
constexpr int kBottom = 34;    // room for the time axis: a time and a date
constexpr int kLabelRow = 12;  // pixels between two limit labels
constexpr int kMostTimeTicks = 8;
constexpr int kMostValueTicks = 6;

const char kStyle[] =
    "body{font:14px sans-serif;margin:16px;color:#222;background:#fff}"
    "table.summary{border-collapse:collapse;margin-bottom:16px}"
    "table.summary td,table.summary th{border:1px solid #bbb;padding:2px 8px;"
    "text-align:right}"
    "table.summary td:first-child,table.summary th:first-child{text-align:left}"
    ".panel{margin:12px 0;padding:4px 8px;border:1px solid #ddd}"
    ".panel h2{font-size:16px;margin:4px 0}"
    "svg{display:block;background:#fafafa}"
    "svg text{font:11px sans-serif;fill:#555}"
    ".axis{stroke:#999;stroke-width:1}"
    ".grid{stroke:#e6e6e6;stroke-width:1}"
    ".series{fill:none;stroke-width:1.5}.series.thin{stroke-width:1}"
    ".series.lowest{stroke-opacity:0.45}"
    ".checks{stroke:#888;stroke-width:1}"
    ".limit{stroke-width:1.5}"
    ".current{stroke:#1f6fd1}.average{stroke:#18a058}"
    ".s2c{stroke:#c2410c}.c2s{stroke:#7c3aed}.s2cweapons{stroke:#0e7490}"
    "svg text.current{fill:#1f6fd1}svg text.average{fill:#18a058}"
    "svg text.s2c{fill:#c2410c}svg text.c2s{fill:#7c3aed}"
    "svg text.s2cweapons{fill:#0e7490}svg text.limit-label{stroke:none}"
    ".mark{stroke-width:2}.mark.warned{stroke:#e0a000}"
    ".mark.spectated{stroke:#d11f1f}.mark.blind{stroke:#888}"
    ".mark.replayed{stroke-dasharray:3 2}"
    ".mark.strike{fill:#8a5a00;stroke:#8a5a00;stroke-width:1}"
    ".mark.strike.replayed{fill:#fff;stroke-dasharray:none}"
    ".legend span{margin-right:12px;white-space:nowrap}"
    ".swatch{display:inline-block;width:18px;height:3px;vertical-align:middle;"
    "margin-right:4px}"
    ".swatch.dashed{background:repeating-linear-gradient(90deg,#555 0 5px,"
    "transparent 5px 8px)}";

std::string number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", value);
  std::string text = buffer;
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) {
    text.resize(text.size() - 2);
  }
  return text == "-0" ? "0" : text;
}

struct Line {
  const char* name;   // class: the figure
  const char* words;  // what the figure is, in the legend's words
  int figure;         // ChartFigure
  double limit;
};

// A round step for an axis from 0 to `span` with at most `most` steps:
// 1, 2 or 5 times a power of ten.
double roundStep(double span, int most) {
  const double rough = span / most;
  double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (;;) {
    for (double factor : {1.0, 2.0, 5.0}) {
      if (factor * power * most >= span) return factor * power;
    }
    power *= 10;
  }
}

// The values an axis shows: round ticks from `low` to `high`, both ticks.
struct ValueAxis {
  double low;
  double high;
  double step;
};

ValueAxis valueAxisFor(double lowest, double highest) {
  ValueAxis axis;
  if (highest <= lowest) highest = lowest + 1;
  axis.step = roundStep(highest - lowest, kMostValueTicks - 1);
  axis.low = std::floor(lowest / axis.step) * axis.step;
  axis.high = std::ceil(highest / axis.step) * axis.step;
  // The top tick has room above the highest value, so a line there shows.
  if (axis.high - highest < axis.step / 10) axis.high += axis.step;
  return axis;
}

// Steps of the time axis, from seconds to weeks.
constexpr std::uint32_t kTimeSteps[] = {
    1,    2,    5,     10,    15,    30,    60,     120,    300,    600,
    900,  1800, 3600,  7200,  10800, 21600, 43200,  86400,  172800, 604800};

std::uint64_t timeStepFor(std::uint64_t span) {
  for (std::uint64_t step : kTimeSteps) {
    if (span / step <= kMostTimeTicks) return step;
  }
  return kTimeSteps[std::size(kTimeSteps) - 1] *
         (span / kTimeSteps[std::size(kTimeSteps) - 1] / kMostTimeTicks + 1);
}

// How the time axis names a moment: the clock in UTC when the page knows
// when second 0 was, else the time since the start.
class Clock {
 public:
  explicit Clock(std::int64_t startTime) : startTime_(startTime) {}

  bool utc() const { return startTime_ >= 0; }
  std::int64_t absolute(std::uint64_t second) const {
    return (utc() ? startTime_ : 0) + static_cast<std::int64_t>(second);
  }
  // "20:01:05" (with the date when `withDate`).
  std::string moment(std::uint64_t second, bool withDate) const {
    if (!utc()) return Transcript::clock(second);
    const std::string text = lagLogTimeText(absolute(second));
    return withDate ? text.substr(0, 10) + " " + text.substr(11, 8) + " UTC"
                    : text.substr(11, 8);
  }
  // A tick's label: the time at the step's precision, and the date.
  std::string tickTime(std::int64_t absolute, std::int64_t step) const {
    if (!utc()) return Transcript::clock(static_cast<std::uint64_t>(absolute));
    const std::string text = lagLogTimeText(absolute);
    if (step >= 86400) return text.substr(0, 10);
    return text.substr(11, step >= 60 ? 5 : 8);
  }
  std::string tickDate(std::int64_t absolute) const {
    return utc() ? lagLogTimeText(absolute).substr(0, 10) : "";
  }

 private:
  std::int64_t startTime_;
};

class Plot {
 public:
  Plot(std::uint64_t duration, const ValueAxis& axis)
      : duration_(std::max<std::uint64_t>(duration, 1)), axis_(axis) {}

  double x(std::uint64_t second) const {
    return kLeft + static_cast<double>(column(second));
  }
  int column(std::uint64_t second) const {
    return static_cast<int>(static_cast<std::uint64_t>(second) *
                            (kPlotWidth - 1) / duration_);
  }
  // Values beyond the axis are drawn at its end.
  double y(double value) const {
    value = std::min(std::max(value, axis_.low), axis_.high);
    return kTop + (axis_.high - value) / (axis_.high - axis_.low) * kPlotHeight;
  }
  std::uint64_t duration() const { return duration_; }
  const ValueAxis& axis() const { return axis_; }

 private:
  std::uint64_t duration_;
  ValueAxis axis_;
};

// Which of the values of one pixel column a line keeps.
enum class Kept { kLowestAndHighest, kLowest, kHighest };

// True when many pixel columns (a quarter of those with checks, and at
// least kCrowdedColumns) hold different values of `figure`: a line through
// both would fill them, and the lines of several figures would cover each
// other as bands. Two checks in one second of a short log are no crowd.
constexpr int kCrowdedColumns = 8;
bool crowded(const std::vector<ChartPoint>& points, int figure,
             const Plot& plot) {
  int column = -1;
  float seen = 0;
  bool differs = false;
  int columns = 0;
  int differing = 0;
  for (const ChartPoint& point : points) {
    const float value = point.figures[figure];
    if (std::isnan(value)) continue;
    const int here = plot.column(point.second);
    if (here != column) {
      ++columns;
      column = here;
      seen = value;
      differs = false;
    } else if (value != seen && !differs) {
      differs = true;
      ++differing;
    }
  }
  return differing >= kCrowdedColumns && differing * 4 >= columns;
}

// The points of one figure, thinned: in each pixel column the lowest and
// the highest, in the order they came, or only one of them. Drawn as steps:
// a figure holds until the next check, the last one for as long as the
// check before it held. A figure that was no number breaks the line: one
// polyline's points each between such checks.
std::vector<std::string> thinnedPoints(const std::vector<ChartPoint>& points,
                                       int figure, const Plot& plot,
                                       Kept kept) {
  std::vector<std::string> segments;
  std::string result;
  std::string lastX;
  std::string lastY;
  const auto endSegment = [&](const std::string& heldUntil) {
    if (result.empty()) return;
    if (!heldUntil.empty() && heldUntil != lastX) {
      result += heldUntil + "," + lastY + " ";
    }
    result.pop_back();
    // A single check still shows: as a short dash.
    if (result.find(' ') == std::string::npos) {
      const std::size_t comma = result.find(',');
      const double x = std::stod(result.substr(0, comma));
      result += " " + number(x < kLeft + kPlotWidth / 2 ? x + 3 : x - 3) +
                result.substr(comma);
    }
    segments.push_back(result);
    result.clear();
    lastX.clear();
    lastY.clear();
  };
  std::size_t i = 0;
  while (i < points.size()) {
    const int column = plot.column(points[i].second);
    std::size_t lowest = points.size();
    std::size_t highest = points.size();
    std::size_t noNumber = points.size();
    for (; i < points.size() && plot.column(points[i].second) == column; ++i) {
      const float value = points[i].figures[figure];
      if (std::isnan(value)) {
        if (noNumber == points.size()) noNumber = i;
        continue;
      }
      if (lowest == points.size() || value < points[lowest].figures[figure]) {
        lowest = i;
      }
      if (highest == points.size() || value > points[highest].figures[figure]) {
        highest = i;
      }
    }
    if (noNumber != points.size()) {
      endSegment(number(plot.x(points[noNumber].second)));
    }
    if (lowest == points.size()) continue;
    std::size_t first = std::min(lowest, highest);
    std::size_t second = std::max(lowest, highest);
    if (kept != Kept::kLowestAndHighest) {
      first = second = kept == Kept::kLowest ? lowest : highest;
    }
    for (std::size_t each : {first, second}) {
      const std::string x = number(plot.x(points[each].second));
      const std::string y = number(plot.y(points[each].figures[figure]));
      if (!lastY.empty() && x != lastX && y != lastY) {
        result += x + "," + lastY + " ";
      }
      result += x + "," + y + " ";
      lastX = x;
      lastY = y;
      if (first == second) break;
    }
  }
  // The last value holds as long as the step before it, within the plot.
  std::string heldUntil;
  if (points.size() > 1) {
    const std::uint32_t last = points.back().second;
    const std::uint64_t until =
        static_cast<std::uint64_t>(last) + (last - points[points.size() - 2].second);
    heldUntil = number(plot.x(static_cast<std::uint32_t>(
        std::min<std::uint64_t>(until, plot.duration()))));
  }
  endSegment(heldUntil);
  return segments;
}

// A small upright stroke on the time axis for every pixel column with a
// check of the player, whatever its figures.
std::string checkStrokes(const std::vector<ChartPoint>& points,
                         const Plot& plot) {
  std::string path;
  int lastColumn = -1;
  const std::string bottom = number(kTop + kPlotHeight);
  for (const ChartPoint& point : points) {
    const int column = plot.column(point.second);
    if (column == lastColumn) continue;
    lastColumn = column;
    path += "M" + number(plot.x(point.second)) + "," + bottom + "v-5";
  }
  if (path.empty()) return "";
  return "<path class=\"checks\" d=\"" + path +
         "\"><title>a check of the player</title></path>\n";
}

std::string lineElement(const std::string& classes, const std::string& x1,
                        const std::string& y1, const std::string& x2,
                        const std::string& y2, const std::string& extra = "") {
  return "<line class=\"" + classes + "\" x1=\"" + x1 + "\" y1=\"" + y1 +
         "\" x2=\"" + x2 + "\" y2=\"" + y2 + "\"" + extra + "/>\n";
}

std::string textElement(const std::string& classes, double x, double y,
                        const char* anchor, const std::string& text) {
  return "<text class=\"" + classes + "\" x=\"" + number(x) + "\" y=\"" +
         number(y) + "\" text-anchor=\"" + anchor + "\">" + htmlEscaped(text) +
         "</text>\n";
}

// The time axis: a tick with a light gridline at each round moment, its
// clock time under it, and the date under the first tick and wherever the
// day changes.
std::string timeAxis(const Plot& plot, const Clock& clock) {
  const std::int64_t step =
      static_cast<std::int64_t>(timeStepFor(plot.duration()));
  const std::int64_t start = clock.absolute(0);
  const std::int64_t end = clock.absolute(plot.duration());
  std::int64_t tick = (start + step - 1) / step * step;
  if (start < 0) tick = 0;
  const double bottom = kTop + kPlotHeight;
  std::string svg;
  std::string lastDate;
  for (; tick <= end; tick += step) {
    const auto second = static_cast<std::uint64_t>(tick - start);
    const std::string x = number(plot.x(second));
    svg += lineElement("grid", x, std::to_string(kTop), x, number(bottom));
    svg += lineElement("axis tick", x, number(bottom), x, number(bottom + 4));
    svg += textElement("tick time", plot.x(second), bottom + 15, "middle",
                       clock.tickTime(tick, step));
    const std::string date = clock.tickDate(tick);
    if (step < 86400 && date != lastDate) {
      svg += textElement("tick date", plot.x(second), bottom + 27, "middle",
                         date);
      lastDate = date;
    }
  }
  // Under the limits' labels, clear of the last tick's label.
  svg += textElement("caption", kLeft + kPlotWidth + kLabelsWidth - 8,
                     bottom + 27, "end",
                     clock.utc() ? "time (UTC)" : "time since the start");
  return svg;
}

// The value axis: round ticks with light gridlines.
std::string valueAxis(const Plot& plot, const char* unit) {
  const ValueAxis& axis = plot.axis();
  std::string svg;
  const std::string left = std::to_string(kLeft);
  const std::string right = std::to_string(kLeft + kPlotWidth - 1);
  const int count =
      static_cast<int>(std::lround((axis.high - axis.low) / axis.step));
  for (int i = 0; i <= count; ++i) {
    const double value = axis.low + i * axis.step;
    const std::string y = number(plot.y(value));
    svg += lineElement("grid", left, y, right, y);
    svg += textElement("tick value", kLeft - 4, plot.y(value) + 4, "end",
                       number(value) + unit);
  }
  return svg;
}

// Each limit as a coloured line with its label beside the plot. Limits
// that coincide draw in turns (dashes of each colour, offset), and their
// labels stand one under the other.
std::string limitLines(const Plot& plot, const std::vector<Line>& lines,
                       const char* unit) {
  std::vector<std::size_t> order(lines.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) {
                     return lines[a].limit > lines[b].limit;
                   });
  std::string svg;
  const std::string left = std::to_string(kLeft);
  const std::string right = std::to_string(kLeft + kPlotWidth - 1);
  double lastLabel = -kLabelRow;
  for (std::size_t at = 0; at < order.size(); ++at) {
    const Line& line = lines[order[at]];
    const double y = plot.y(line.limit);
    // The limits drawn on the same pixel row as this one, and its place
    // among them.
    std::size_t sharing = 0;
    std::size_t place = 0;
    for (std::size_t other = 0; other < order.size(); ++other) {
      if (std::fabs(plot.y(lines[order[other]].limit) - y) < 1) {
        if (other < at) ++place;
        ++sharing;
      }
    }
    const int dash = 6;
    const std::string pattern = std::to_string(dash) + " " +
                                std::to_string(dash * (sharing - 1) + 3);
    const std::string style =
        " stroke-dasharray=\"" + pattern + "\" stroke-dashoffset=\"" +
        std::to_string(-static_cast<int>(place) * dash) + "\"";
    const std::string label = std::string(line.words) + " limit " +
                              number(line.limit) + unit;
    svg += "<line class=\"limit " + std::string(line.name) + "\" x1=\"" + left +
           "\" y1=\"" + number(y) + "\" x2=\"" + right + "\" y2=\"" +
           number(y) + "\"" + style + "><title>" + htmlEscaped(label) +
           "</title></line>\n";
    const double labelY = std::max(y + 4, lastLabel + kLabelRow);
    lastLabel = labelY;
    svg += textElement("limit-label " + std::string(line.name),
                       kLeft + kPlotWidth + 6, labelY, "start", label);
  }
  return svg;
}

// The figures in force at `second`: those of the latest check up to then.
const ChartPoint* pointAt(const std::vector<ChartPoint>& points,
                          std::uint64_t second) {
  auto after = std::upper_bound(
      points.begin(), points.end(), second,
      [](std::uint64_t at, const ChartPoint& point) { return at < point.second; });
  return after == points.begin() ? nullptr : &*(after - 1);
}

std::string figureText(float value, const char* unit) {
  return std::isnan(value) ? std::string("?") : number(value) + unit;
}

// The figures of a check, as a mark's hover text shows them.
std::string figuresText(const ChartPoint& point) {
  const float* f = point.figures;
  return "ping " + figureText(f[kChartCurrent], " ms") + " current, " +
         figureText(f[kChartAverage], " ms") + " average; loss " +
         figureText(f[kChartS2C], "%") + " server to client, " +
         figureText(f[kChartC2S], "%") + " client to server, " +
         figureText(f[kChartS2CWeapons], "%") + " weapons";
}

// A mark's hover text: when, what was done, and the figures then.
std::string markTitle(const PlayerLag& player, const ChartMark& mark,
                      const std::vector<std::string>& sources,
                      const Clock& clock, std::size_t alsoHere) {
  std::string title = clock.moment(mark.second, true) + ": " + player.name +
                      (mark.action == LagAction::Warned
                           ? " was warned"
                           : " was moved to spectator mode");
  if (sources.size() > 1) title += " (" + sources[mark.source] + ")";
  if (const ChartPoint* point = pointAt(player.points, mark.second)) {
    title += "\n" + figuresText(*point);
  }
  if (alsoHere > 0) {
    title += "\nand " + std::to_string(alsoHere) + " more at this pixel";
  }
  return title;
}

// A blind check: a short grey tick at the foot of the plot.
std::string blindTick(const PlayerLag& player, const ChartMark& mark,
                      const std::string& x, const std::string& bottom,
                      const Clock& clock, std::size_t alsoHere) {
  std::string title = clock.moment(mark.second, true) + ": " + player.name +
                      " was checked, and no logged figures answered (blind)";
  if (alsoHere > 0) {
    title += "\nand " + std::to_string(alsoHere) + " more at this pixel";
  }
  return "<line class=\"mark blind\" x1=\"" + x + "\" y1=\"" +
         number(kTop + kPlotHeight - 8) + "\" x2=\"" + x + "\" y2=\"" +
         bottom + "\"><title>" + htmlEscaped(title) + "</title></line>\n";
}

// A strike short of dealing: a small triangle at the top of the plot,
// filled for the first source (the log), hollow for a replay's, each
// source a row of its own so that neither hides the other.
std::string strikeMark(const PlayerLag& player, const ChartMark& mark,
                       double x, const std::vector<std::string>& sources,
                       const Clock& clock, std::size_t alsoHere) {
  std::string title = clock.moment(mark.second, true) + ": " + player.name +
                      "'s strike " + std::to_string(mark.strike) + " of " +
                      std::to_string(mark.strikesOutOf);
  if (sources.size() > 1) title += " (" + sources[mark.source] + ")";
  if (const ChartPoint* point = pointAt(player.points, mark.second)) {
    title += "\n" + figuresText(*point);
  }
  if (alsoHere > 0) {
    title += "\nand " + std::to_string(alsoHere) + " more at this pixel";
  }
  return "<path class=\"mark strike " + htmlEscaped(sources[mark.source]) +
         "\" d=\"M" + number(x - 4) + "," + number(kTop + 8 * mark.source) +
         "h8l-4,7z\"><title>" +
         htmlEscaped(title) + "</title></path>\n";
}

std::string plotSvg(const PlayerLag& player, const std::vector<Line>& lines,
                    const char* kind, const char* unit, bool neverBelowZero,
                    const std::vector<std::string>& sources,
                    std::uint64_t duration, const Clock& clock) {
  double low = 0;
  double high = 0;
  for (const Line& line : lines) high = std::max(high, line.limit);
  for (const ChartPoint& point : player.points) {
    for (const Line& line : lines) {
      const float value = point.figures[line.figure];
      if (std::isnan(value)) continue;
      low = std::min<double>(low, value);
      high = std::max<double>(high, value);
    }
  }
  if (neverBelowZero) low = 0;
  const Plot plot(duration, valueAxisFor(low, high));
  const int width = kLeft + kPlotWidth + kLabelsWidth;
  const int height = kTop + kPlotHeight + kBottom;
  std::string svg = "<svg class=\"plot " + std::string(kind) +
                    "\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    std::to_string(width) + "\" height=\"" +
                    std::to_string(height) + "\" viewBox=\"0 0 " +
                    std::to_string(width) + " " + std::to_string(height) +
                    "\">\n";
  svg += valueAxis(plot, unit);
  svg += timeAxis(plot, clock);
  const std::string left = std::to_string(kLeft);
  const std::string right = std::to_string(kLeft + kPlotWidth - 1);
  const std::string bottom = number(kTop + kPlotHeight);
  svg += lineElement("axis", left, bottom, right, bottom);
  svg += lineElement("axis", left, std::to_string(kTop), left, bottom);
  svg += limitLines(plot, lines, unit);
  // Where a pixel column holds several checks, a figure is drawn as two
  // thin lines, through the highest and through the lowest of each column,
  // so that the figures stay apart instead of filling bands.
  for (const Line& line : lines) {
    const bool apart = crowded(player.points, line.figure, plot);
    for (Kept kept : {Kept::kHighest, Kept::kLowest}) {
      const std::string classes =
          std::string(apart ? "series thin " : "series ") + line.name +
          (kept == Kept::kLowest ? " lowest" : "");
      for (const std::string& points :
           thinnedPoints(player.points, line.figure, plot,
                         apart ? kept : Kept::kLowestAndHighest)) {
        svg += "<polyline class=\"" + classes + "\" points=\"" + points +
               "\"/>\n";
      }
      if (!apart) break;
    }
  }
  svg += checkStrokes(player.points, plot);
  // One mark per pixel column, action and source is all the eye can see;
  // its hover text counts the others.
  struct Drawn {
    int column;
    LagAction action;
    std::uint8_t source;
    bool strike;
    const ChartMark* mark;
    std::size_t others;
  };
  std::vector<Drawn> drawn;
  for (const ChartMark& mark : player.marks) {
    const int column = plot.column(mark.second);
    const bool strike = mark.strike != 0;
    auto same = std::find_if(drawn.begin(), drawn.end(), [&](const Drawn& d) {
      return d.column == column && d.action == mark.action &&
             d.source == mark.source && d.strike == strike;
    });
    if (same != drawn.end()) {
      ++same->others;
    } else {
      drawn.push_back({column, mark.action, mark.source, strike, &mark, 0});
    }
  }
  for (const Drawn& each : drawn) {
    const ChartMark& mark = *each.mark;
    const std::string x = number(plot.x(mark.second));
    if (each.strike) {
      svg += strikeMark(player, mark, plot.x(mark.second), sources, clock,
                        each.others);
      continue;
    }
    if (mark.action == LagAction::None) {
      svg += blindTick(player, mark, x, bottom, clock, each.others);
      continue;
    }
    const std::string action =
        mark.action == LagAction::Warned ? "warned" : "spectated";
    svg += "<line class=\"mark " + action + " " +
           htmlEscaped(sources[mark.source]) + "\" x1=\"" + x + "\" y1=\"" +
           std::to_string(kTop) + "\" x2=\"" + x + "\" y2=\"" + bottom +
           "\"><title>" +
           htmlEscaped(markTitle(player, mark, sources, clock, each.others)) +
           "</title></line>\n";
  }
  svg += "</svg>\n";
  return svg;
}

std::string legend(const std::vector<std::string>& sources,
                   const std::vector<Line>& pings,
                   const std::vector<Line>& losses) {
  std::string html = "<p class=\"legend\">";
  const char* const colours[] = {"#1f6fd1", "#18a058", "#c2410c", "#7c3aed",
                                 "#0e7490"};
  int colour = 0;
  for (const std::vector<Line>* lines : {&pings, &losses}) {
    for (const Line& line : *lines) {
      html += std::string("<span><i class=\"swatch\" style=\"background:") +
              colours[colour++] + "\"></i>" + line.words + "</span>";
    }
  }
  html +=
      "<span><i class=\"swatch dashed\"></i>dashed: the limit of the figure "
      "of that colour</span>"
      "<span><i class=\"swatch\" style=\"background:#e0a000\"></i>"
      "upright orange line: the bot warned the player</span>"
      "<span><i class=\"swatch\" style=\"background:#d11f1f\"></i>"
      "upright red line: the bot moved the player to spectator mode</span>"
      "<span>brown triangle at the top: a strike short of that</span>"
      "<span>grey stroke on the time axis: a check; a gap in a line: a "
      "figure that was no number</span>";
  if (sources.size() > 1) {
    html += "<span>solid or filled: " + htmlEscaped(sources[0]) +
            ", dashed or hollow: " + htmlEscaped(sources[1]) + "</span>";
  }
  return html + "</p>\n<p class=\"legend\">Point at a line for its figures "
                "and time.</p>\n";
}

std::string summaryTable(const LagSummary& summary) {
  const char* const columns[] = {"checks", "limits reached", "warned",
                                 "spectated"};
  const std::vector<std::string>& sources = summary.sources();
  std::string html = "<table class=\"summary\">\n<tr><th>player</th>";
  for (const char* column : columns) {
    for (const std::string& source : sources) {
      html += "<th>" + std::string(column) +
              (sources.size() > 1 ? "<br>" + htmlEscaped(source) : "") + "</th>";
    }
  }
  html += "</tr>\n";
  auto row = [&](const std::string& name,
                 const std::vector<LagCounts>& counts) {
    html += "<tr><td>" + htmlEscaped(name) + "</td>";
    for (int column = 0; column < 4; ++column) {
      for (const LagCounts& each : counts) {
        const std::uint64_t values[] = {each.checks, each.limitsReached,
                                        each.warned, each.spectated};
        html += "<td>" + std::to_string(values[column]) + "</td>";
      }
    }
    html += "</tr>\n";
  };
  for (const PlayerLag* player : summary.playersByConcern()) {
    row(summary.label(*player), player->counts);
  }
  std::vector<LagCounts> totals;
  for (std::size_t source = 0; source < sources.size(); ++source) {
    totals.push_back(summary.total(source));
  }
  row(LagSummary::kTotalLabel, totals);
  return html + "</table>\n";
}

std::vector<Line> pingLines(const ConfigSettings& settings) {
  return {{"current", "current ping", kChartCurrent,
           static_cast<double>(settings.currentPingLimit)},
          {"average", "average ping", kChartAverage,
           static_cast<double>(settings.averagePingLimit)}};
}

std::vector<Line> lossLines(const ConfigSettings& settings) {
  return {{"s2c", "loss server to client", kChartS2C,
           static_cast<double>(settings.s2cLossLimit)},
          {"c2s", "loss client to server", kChartC2S,
           static_cast<double>(settings.c2sLossLimit)},
          {"s2cweapons", "weapons loss", kChartS2CWeapons,
           static_cast<double>(settings.s2cWeaponsLossLimit)}};
}

// The section of each of the summary's arenas (by its index), or nullptr
// for arenas without one and for rows that named none.
std::vector<const ConfigArena*> sectionsOf(
    const std::vector<std::string>& names,
    const std::vector<ConfigArena>* arenas) {
  std::vector<const ConfigArena*> sections(names.size(), nullptr);
  if (arenas == nullptr) return sections;
  for (std::size_t i = 1; i < names.size(); ++i) {
    for (const ConfigArena& arena : *arenas) {
      if (equalsIgnoreCase(arena.name.c_str(), names[i].c_str())) {
        sections[i] = &arena;
      }
    }
  }
  return sections;
}

// One panel of a player: the rows judged by one section's limits (nullptr:
// every arena's); `rows` holds them when they are not all the player's.
struct ArenaPanel {
  const ConfigArena* section;
  std::string heading;  // after the player's label
  std::optional<PlayerLag> rows;
};

// A player's rows split by the limits they were judged by: one panel when
// all were judged by the same, else one per section in the order first
// seen. A mark whose row named no arena (a blind check) goes with the
// figures in force then.
std::vector<ArenaPanel> arenaPanels(
    const PlayerLag& player, const std::vector<const ConfigArena*>& sections) {
  std::vector<const ConfigArena*> seen;
  const auto note = [&seen](const ConfigArena* section) {
    if (std::find(seen.begin(), seen.end(), section) == seen.end()) {
      seen.push_back(section);
    }
  };
  for (const ChartPoint& point : player.points) note(sections[point.arena]);
  for (const ChartMark& mark : player.marks) {
    if (mark.arena != 0) note(sections[mark.arena]);
  }
  if (seen.size() <= 1) {
    return {ArenaPanel{seen.empty() ? nullptr : seen.front(), "", {}}};
  }
  std::vector<ArenaPanel> panels;
  for (const ConfigArena* section : seen) {
    ArenaPanel panel{section,
                     section != nullptr
                         ? " in arena " + shownField(section->name)
                         : std::string(" in arenas without a section"),
                     PlayerLag{player.bot, player.name, player.counts, {}, {}}};
    for (const ChartPoint& point : player.points) {
      if (sections[point.arena] == section) panel.rows->points.push_back(point);
    }
    for (const ChartMark& mark : player.marks) {
      const ChartPoint* then = pointAt(player.points, mark.second);
      if (then == nullptr && !player.points.empty()) then = &player.points[0];
      const std::uint32_t arena =
          mark.arena != 0 || then == nullptr ? mark.arena : then->arena;
      if (sections[arena] == section) panel.rows->marks.push_back(mark);
    }
    panels.push_back(std::move(panel));
  }
  return panels;
}

}  // namespace

std::string chartHtml(const ChartPage& page, const LagSummary& summary,
                      const ConfigSettings& settings,
                      const std::vector<ConfigArena>* arenas) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>" +
      htmlEscaped(page.title) + "</title>\n<style>" + kStyle +
      "</style>\n</head>\n<body>\n<h1>" + htmlEscaped(page.title) + "</h1>\n";
  for (const std::string& note : page.notes) {
    html += "<p class=\"note\">" + htmlEscaped(note) + "</p>\n";
  }
  const std::vector<Line> pings = pingLines(settings);
  const std::vector<Line> losses = lossLines(settings);
  html += summaryTable(summary) + legend(summary.sources(), pings, losses);
  const Clock clock(page.startTime);
  const std::vector<const ConfigArena*> sections =
      sectionsOf(summary.arenas(), arenas);
  for (const PlayerLag* player : summary.playersByConcern()) {
    if (player->name.empty()) continue;  // lag lines of no request: no player
    for (const ArenaPanel& panel : arenaPanels(*player, sections)) {
      const PlayerLag& rows = panel.rows ? *panel.rows : *player;
      const bool own = panel.section != nullptr;
      html += "<section class=\"panel\">\n<h2>" +
              htmlEscaped(summary.label(*player) + panel.heading) + "</h2>\n";
      html += plotSvg(rows, own ? pingLines(panel.section->settings) : pings,
                      "ping", " ms", true, summary.sources(), page.duration,
                      clock);
      html += plotSvg(rows, own ? lossLines(panel.section->settings) : losses,
                      "loss", "%", false, summary.sources(), page.duration,
                      clock);
      html += "</section>\n";
    }
  }
  return html + "</body>\n</html>\n";
}
