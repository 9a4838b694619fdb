// SweepPlot: a trade-off plot of a sweep's page as inline SVG (no script,
// nothing fetched), at most kSweepPlotWidth pixels wide. Each row of the
// sweep is a pair of counts, both better when lower: across, what the row
// let pass (laggers let through); up, what it got wrong the other way
// (honest players spectated). Both axes have numbered round ticks (class
// "tick x", "tick y") with light gridlines, and a title of their own
// (class "axis-title") that no mark reaches: marks stay inside the plot,
// inset from its axes.
//
// Rows with the same pair are one mark (a <g class="mark">): a circle whose
// hover text (<title>) names every row in it with its details, and, when
// it stands for several rows, a visible label "N rows" (class "count").
// The mark holding the base settings is red (class "base") and drawn last,
// labelled "base"; a mark with a row whose blind checks are too many has a
// dashed ring (class "blind") and "!" in its label.
#ifndef TARVOK_TOOLS_EVIDENCE_SWEEP_CHART_H_
#define TARVOK_TOOLS_EVIDENCE_SWEEP_CHART_H_

#include <cstdint>
#include <string>
#include <vector>

constexpr int kSweepPlotWidth = 660;

struct SweepPlotRow {
  std::string settings;  // "strikes=3 autocheck=40"
  std::string details;   // what the hover text says after the settings
  bool base = false;
  bool tooManyBlind = false;
  std::uint64_t across = 0;
  std::uint64_t up = 0;
};

class SweepPlot {
 public:
  // `kind` names the plot (its class), the titles its axes.
  SweepPlot(std::string kind, std::string acrossTitle, std::string upTitle);
  void add(SweepPlotRow row);
  std::string svg() const;

 private:
  struct Mark {
    std::uint64_t across;
    std::uint64_t up;
    std::vector<const SweepPlotRow*> rows;
    bool base = false;
    bool blind = false;
  };
  std::vector<Mark> marks() const;

  std::string kind_;
  std::string acrossTitle_;
  std::string upTitle_;
  std::vector<SweepPlotRow> rows_;
};

#endif  // TARVOK_TOOLS_EVIDENCE_SWEEP_CHART_H_
