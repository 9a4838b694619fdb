#include "sim/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/transcript.h"

namespace {

constexpr int kPlotWidth = 800;  // pixel columns of the time axis
constexpr int kPlotHeight = 160;
constexpr int kLeft = 48;  // room for the value axis
constexpr int kTop = 8;
constexpr int kBottom = 22;  // room for the time axis

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
    ".series{fill:none;stroke-width:1.5}"
    ".limit{stroke-width:1;stroke-dasharray:6 3}"
    ".current{stroke:#1f6fd1}.average{stroke:#18a058}"
    ".s2c{stroke:#c2410c}.c2s{stroke:#7c3aed}.s2cweapons{stroke:#0e7490}"
    ".mark{stroke-width:2}.mark.warned{stroke:#e0a000}"
    ".mark.spectated{stroke:#d11f1f}"
    ".mark.replayed{stroke-dasharray:3 2}"
    ".legend span{margin-right:12px}"
    ".swatch{display:inline-block;width:18px;height:3px;vertical-align:middle;"
    "margin-right:4px}";

std::string escaped(const std::string& text) {
  std::string result;
  for (char c : text) {
    switch (c) {
      case '&':
        result += "&amp;";
        break;
      case '<':
        result += "&lt;";
        break;
      case '>':
        result += "&gt;";
        break;
      case '"':
        result += "&quot;";
        break;
      default:
        result += c;
    }
  }
  return result;
}

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
  const char* name;  // class and legend
  int figure;        // ChartFigure
  double limit;
};

class Plot {
 public:
  Plot(std::uint32_t duration, double low, double high)
      : duration_(std::max<std::uint32_t>(duration, 1)),
        low_(low),
        high_(high > low ? high : low + 1) {}

  double x(std::uint32_t second) const {
    return kLeft + static_cast<double>(column(second));
  }
  int column(std::uint32_t second) const {
    return static_cast<int>(static_cast<std::uint64_t>(second) *
                            (kPlotWidth - 1) / duration_);
  }
  double y(double value) const {
    return kTop + (high_ - value) / (high_ - low_) * kPlotHeight;
  }

 private:
  std::uint32_t duration_;
  double low_;
  double high_;
};

// The points of one figure, thinned: in each pixel column the lowest and
// the highest, in the order they came. Drawn as steps: a figure holds until
// the next check.
std::string thinnedPoints(const std::vector<ChartPoint>& points, int figure,
                          const Plot& plot) {
  std::string result;
  std::string lastX;
  std::string lastY;
  std::size_t i = 0;
  while (i < points.size()) {
    const int column = plot.column(points[i].second);
    std::size_t lowest = points.size();
    std::size_t highest = points.size();
    for (; i < points.size() && plot.column(points[i].second) == column; ++i) {
      const float value = points[i].figures[figure];
      if (std::isnan(value)) continue;
      if (lowest == points.size() || value < points[lowest].figures[figure]) {
        lowest = i;
      }
      if (highest == points.size() || value > points[highest].figures[figure]) {
        highest = i;
      }
    }
    if (lowest == points.size()) continue;
    const std::size_t first = std::min(lowest, highest);
    const std::size_t second = std::max(lowest, highest);
    for (std::size_t kept : {first, second}) {
      const std::string x = number(plot.x(points[kept].second));
      const std::string y = number(plot.y(points[kept].figures[figure]));
      if (!lastY.empty() && x != lastX && y != lastY) {
        result += x + "," + lastY + " ";
      }
      result += x + "," + y + " ";
      lastX = x;
      lastY = y;
      if (first == second) break;
    }
  }
  if (!result.empty()) result.pop_back();
  // A single check still shows: as a short dash.
  if (!result.empty() && result.find(' ') == std::string::npos) {
    const std::size_t comma = result.find(',');
    const double x = std::stod(result.substr(0, comma));
    result += " " + number(x < kLeft + kPlotWidth / 2 ? x + 3 : x - 3) +
              result.substr(comma);
  }
  return result;
}

std::string plotSvg(const PlayerLag& player, const std::vector<Line>& lines,
                    const char* kind, const char* unit,
                    const std::vector<std::string>& sources,
                    std::uint32_t duration) {
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
  high *= 1.1;
  const Plot plot(duration, low, high);
  const int width = kLeft + kPlotWidth + 8;
  const int height = kTop + kPlotHeight + kBottom;
  std::string svg = "<svg class=\"plot " + std::string(kind) +
                    "\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    std::to_string(width) + "\" height=\"" +
                    std::to_string(height) + "\" viewBox=\"0 0 " +
                    std::to_string(width) + " " + std::to_string(height) +
                    "\">\n";
  const std::string left = std::to_string(kLeft);
  const std::string right = std::to_string(kLeft + kPlotWidth - 1);
  const std::string bottom = number(plot.y(low));
  svg += "<line class=\"axis\" x1=\"" + left + "\" y1=\"" + bottom +
         "\" x2=\"" + right + "\" y2=\"" + bottom + "\"/>\n";
  svg += "<line class=\"axis\" x1=\"" + left + "\" y1=\"" +
         std::to_string(kTop) + "\" x2=\"" + left + "\" y2=\"" + bottom +
         "\"/>\n";
  for (double value : {low, high / 1.1}) {
    svg += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" +
           number(plot.y(value) + 4) + "\" text-anchor=\"end\">" +
           number(value) + unit + "</text>\n";
  }
  svg += "<text x=\"" + left + "\" y=\"" + std::to_string(height - 6) +
         "\">00:00:00</text>\n";
  svg += "<text x=\"" + right + "\" y=\"" + std::to_string(height - 6) +
         "\" text-anchor=\"end\">" + Transcript::clock(duration) + "</text>\n";
  for (const Line& line : lines) {
    const std::string y = number(plot.y(line.limit));
    svg += "<line class=\"limit " + std::string(line.name) + "\" x1=\"" + left +
           "\" y1=\"" + y + "\" x2=\"" + right + "\" y2=\"" + y + "\"><title>" +
           line.name + " limit " + number(line.limit) + unit +
           "</title></line>\n";
  }
  for (const Line& line : lines) {
    const std::string points = thinnedPoints(player.points, line.figure, plot);
    if (points.empty()) continue;
    svg += "<polyline class=\"series " + std::string(line.name) +
           "\" points=\"" + points + "\"/>\n";
  }
  // One mark per pixel column, action and source is all the eye can see.
  std::vector<std::string> drawn;
  for (const ChartMark& mark : player.marks) {
    const std::string action =
        mark.action == LagAction::Warned ? "warned" : "spectated";
    const std::string key = std::to_string(plot.column(mark.second)) + action +
                            std::to_string(mark.source);
    if (std::find(drawn.begin(), drawn.end(), key) != drawn.end()) continue;
    drawn.push_back(key);
    const std::string x = number(plot.x(mark.second));
    svg += "<line class=\"mark " + action + " " +
           escaped(sources[mark.source]) + "\" x1=\"" + x + "\" y1=\"" +
           std::to_string(kTop) + "\" x2=\"" + x + "\" y2=\"" + bottom +
           "\"><title>" + escaped(sources[mark.source]) + ": " + action +
           " at " + Transcript::clock(mark.second) + "</title></line>\n";
  }
  svg += "</svg>\n";
  return svg;
}

std::string legend(const std::vector<std::string>& sources) {
  std::string html = "<p class=\"legend\">";
  const char* const figures[] = {"current", "average", "s2c", "c2s",
                                 "s2cweapons"};
  const char* const colours[] = {"#1f6fd1", "#18a058", "#c2410c", "#7c3aed",
                                 "#0e7490"};
  for (int i = 0; i < 5; ++i) {
    html += std::string("<span><i class=\"swatch\" style=\"background:") +
            colours[i] + "\"></i>" + figures[i] + "</span>";
  }
  html += "<span>dashed: its limit</span>";
  for (const std::string& source : sources) {
    const bool dashed = source == "replayed";
    html +=
        "<span><i class=\"swatch\" style=\"background:#e0a000\"></i>"
        "warned / <i class=\"swatch\" style=\"background:#d11f1f\"></i>"
        "spectated, " +
        escaped(source) + (dashed ? " (dashed)" : " (solid)") + "</span>";
  }
  return html + "</p>\n";
}

std::string summaryTable(const LagSummary& summary) {
  const char* const columns[] = {"checks", "limits reached", "warned",
                                 "spectated"};
  const std::vector<std::string>& sources = summary.sources();
  std::string html = "<table class=\"summary\">\n<tr><th>player</th>";
  for (const char* column : columns) {
    for (const std::string& source : sources) {
      html += "<th>" + std::string(column) +
              (sources.size() > 1 ? "<br>" + escaped(source) : "") + "</th>";
    }
  }
  html += "</tr>\n";
  auto row = [&](const std::string& name,
                 const std::vector<LagCounts>& counts) {
    html += "<tr><td>" + escaped(name) + "</td>";
    for (int column = 0; column < 4; ++column) {
      for (const LagCounts& each : counts) {
        const std::uint64_t values[] = {each.checks, each.limitsReached,
                                        each.warned, each.spectated};
        html += "<td>" + std::to_string(values[column]) + "</td>";
      }
    }
    html += "</tr>\n";
  };
  for (const PlayerLag& player : summary.players()) {
    row(summary.label(player), player.counts);
  }
  std::vector<LagCounts> totals;
  for (std::size_t source = 0; source < sources.size(); ++source) {
    totals.push_back(summary.total(source));
  }
  row("total", totals);
  return html + "</table>\n";
}

}  // namespace

std::string chartHtml(const ChartPage& page, const LagSummary& summary,
                      const ConfigSettings& settings) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>" +
      escaped(page.title) + "</title>\n<style>" + kStyle +
      "</style>\n</head>\n<body>\n<h1>" + escaped(page.title) + "</h1>\n";
  for (const std::string& note : page.notes) {
    html += "<p class=\"note\">" + escaped(note) + "</p>\n";
  }
  html += summaryTable(summary) + legend(summary.sources());
  const std::vector<Line> pings = {
      {"current", kChartCurrent,
       static_cast<double>(settings.currentPingLimit)},
      {"average", kChartAverage,
       static_cast<double>(settings.averagePingLimit)}};
  const std::vector<Line> losses = {
      {"s2c", kChartS2C, static_cast<double>(settings.s2cLossLimit)},
      {"c2s", kChartC2S, static_cast<double>(settings.c2sLossLimit)},
      {"s2cweapons", kChartS2CWeapons,
       static_cast<double>(settings.s2cWeaponsLossLimit)}};
  for (const PlayerLag& player : summary.players()) {
    if (player.name.empty()) continue;  // lag lines of no request: no player
    html += "<section class=\"panel\">\n<h2>" + escaped(summary.label(player)) +
            "</h2>\n";
    html +=
        plotSvg(player, pings, "ping", " ms", summary.sources(), page.duration);
    html +=
        plotSvg(player, losses, "loss", "%", summary.sources(), page.duration);
    html += "</section>\n";
  }
  return html + "</body>\n</html>\n";
}
