#include "evidence/sweep_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "hostkit/shown_text.h"

namespace {

constexpr int kHeight = 320;
constexpr int kLeft = 70;    // tick numbers and the upright axis title
constexpr int kRight = 16;
constexpr int kTop = 12;
constexpr int kBottom = 52;  // tick numbers and the axis title under them
constexpr int kInset = 18;   // between an axis and the nearest mark
constexpr int kMostTicks = 6;
constexpr double kRadius = 6;
constexpr double kBaseRadius = 7;

std::string number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", value);
  return buffer;
}

// An axis of whole counts from 0: a round step (1, 2 or 5 times a power of
// ten) and the top tick at or above the highest count.
struct CountAxis {
  std::uint64_t step = 1;
  std::uint64_t top = 1;
};

CountAxis countAxisFor(std::uint64_t highest) {
  CountAxis axis;
  for (std::uint64_t power = 1;; power *= 10) {
    for (std::uint64_t factor : {1, 2, 5}) {
      if (factor * power * (kMostTicks - 1) >= highest) {
        axis.step = factor * power;
        axis.top = std::max<std::uint64_t>(
            (highest + axis.step - 1) / axis.step * axis.step, axis.step);
        return axis;
      }
    }
  }
}

struct Frame {
  CountAxis across;
  CountAxis up;
  double left() const { return kLeft; }
  double right() const { return kSweepPlotWidth - kRight; }
  double top() const { return kTop; }
  double bottom() const { return kHeight - kBottom; }
  double x(std::uint64_t count) const {
    return left() + kInset + (right() - left() - 2 * kInset) *
                                 static_cast<double>(count) /
                                 static_cast<double>(across.top);
  }
  double y(std::uint64_t count) const {
    return bottom() - kInset - (bottom() - top() - 2 * kInset) *
                                   static_cast<double>(count) /
                                   static_cast<double>(up.top);
  }
};

std::string text(const std::string& classes, double x, double y,
                 const char* anchor, const std::string& words,
                 const std::string& extra = "") {
  return "<text class=\"" + classes + "\" x=\"" + number(x) + "\" y=\"" +
         number(y) + "\" text-anchor=\"" + anchor + "\"" + extra + ">" +
         htmlEscaped(words) + "</text>\n";
}

std::string line(const char* classes, double x1, double y1, double x2,
                 double y2) {
  return std::string("<line class=\"") + classes + "\" x1=\"" + number(x1) +
         "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" +
         number(y2) + "\"/>\n";
}

std::string axes(const Frame& frame, const std::string& acrossTitle,
                 const std::string& upTitle) {
  std::string svg;
  for (std::uint64_t tick = 0; tick <= frame.across.top;
       tick += frame.across.step) {
    const double x = frame.x(tick);
    svg += line("grid", x, frame.top(), x, frame.bottom());
    svg += line("tick-mark", x, frame.bottom(), x, frame.bottom() + 4);
    svg += text("tick x", x, frame.bottom() + 17, "middle",
                std::to_string(tick));
  }
  for (std::uint64_t tick = 0; tick <= frame.up.top; tick += frame.up.step) {
    const double y = frame.y(tick);
    svg += line("grid", frame.left(), y, frame.right(), y);
    svg += line("tick-mark", frame.left() - 4, y, frame.left(), y);
    svg += text("tick y", frame.left() - 7, y + 4, "end",
                std::to_string(tick));
  }
  svg += line("axis", frame.left(), frame.bottom(), frame.right(),
              frame.bottom());
  svg += line("axis", frame.left(), frame.top(), frame.left(), frame.bottom());
  svg += text("axis-title across", (frame.left() + frame.right()) / 2,
              kHeight - 10, "middle", acrossTitle);
  const double middle = (frame.top() + frame.bottom()) / 2;
  svg += text("axis-title up", 16, middle, "middle", upTitle,
              " transform=\"rotate(-90 16 " + number(middle) + ")\"");
  return svg;
}

}  // namespace

SweepPlot::SweepPlot(std::string kind, std::string acrossTitle,
                     std::string upTitle)
    : kind_(std::move(kind)),
      acrossTitle_(std::move(acrossTitle)),
      upTitle_(std::move(upTitle)) {}

void SweepPlot::add(SweepPlotRow row) { rows_.push_back(std::move(row)); }

// One mark per pair of counts, in the order of their first row; the base's
// mark last, so that it is drawn on top.
std::vector<SweepPlot::Mark> SweepPlot::marks() const {
  std::vector<Mark> marks;
  for (const SweepPlotRow& row : rows_) {
    auto same = std::find_if(marks.begin(), marks.end(), [&](const Mark& m) {
      return m.across == row.across && m.up == row.up;
    });
    if (same == marks.end()) {
      marks.push_back(Mark{row.across, row.up, {}});
      same = marks.end() - 1;
    }
    same->rows.push_back(&row);
    same->base = same->base || row.base;
    same->blind = same->blind || row.tooManyBlind;
  }
  std::stable_partition(marks.begin(), marks.end(),
                        [](const Mark& mark) { return !mark.base; });
  return marks;
}

std::string SweepPlot::svg() const {
  Frame frame;
  std::uint64_t mostAcross = 0;
  std::uint64_t mostUp = 0;
  for (const SweepPlotRow& row : rows_) {
    mostAcross = std::max(mostAcross, row.across);
    mostUp = std::max(mostUp, row.up);
  }
  frame.across = countAxisFor(mostAcross);
  frame.up = countAxisFor(mostUp);
  const std::string width = std::to_string(kSweepPlotWidth);
  const std::string height = std::to_string(kHeight);
  std::string svg = "<svg class=\"tradeoff " + kind_ +
                    "\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    width + "\" height=\"" + height + "\" viewBox=\"0 0 " +
                    width + " " + height + "\">\n";
  svg += axes(frame, acrossTitle_, upTitle_);
  for (const Mark& mark : marks()) {
    const double x = frame.x(mark.across);
    const double y = frame.y(mark.up);
    const double radius = mark.base ? kBaseRadius : kRadius;
    std::string title = mark.rows.size() == 1
                            ? std::string()
                            : std::to_string(mark.rows.size()) +
                                  " rows with the same scores:\n";
    for (const SweepPlotRow* row : mark.rows) {
      if (row != mark.rows.front()) title += "\n";
      title += row->settings + (row->base ? " (base)" : "") + ": " +
               row->details;
    }
    svg += std::string("<g class=\"mark") + (mark.base ? " base" : "") +
           (mark.blind ? " blind" : "") + "\">\n<title>" + htmlEscaped(title) +
           "</title>\n";
    if (mark.blind) {
      svg += "<circle class=\"ring\" cx=\"" + number(x) + "\" cy=\"" +
             number(y) + "\" r=\"" + number(radius + 4) + "\"/>\n";
    }
    svg += "<circle class=\"point\" cx=\"" + number(x) + "\" cy=\"" +
           number(y) + "\" r=\"" + number(radius) + "\"/>\n";
    std::string label = mark.base ? "base" : "";
    if (mark.rows.size() > 1) {
      label += (label.empty() ? "" : ", ") +
               std::to_string(mark.rows.size()) + " rows";
    }
    if (mark.blind) label += label.empty() ? "!" : " !";
    if (!label.empty()) {
      // Right of the mark, or left of it near the plot's right edge.
      const bool leftOf = x > frame.right() - 90;
      const double gap = radius + (mark.blind ? 8 : 4);
      svg += text("count", leftOf ? x - gap : x + gap, y + 4,
                  leftOf ? "end" : "start", label);
    }
    svg += "</g>\n";
  }
  return svg + "</svg>\n";
}
