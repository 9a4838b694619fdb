// DisputeReport: every check of one player, as the lag log has it and as a
// replay of the log under given settings gives it, for answering a player
// who says they were not lagging ("tarvok-sim replay LOG... --player NAME
// [--report OUT.html]").
//
// Rows are collected while the replay loads and runs (addLogged and
// addReplayed, with the Replay's row observers): only those of the player
// (letter case ignored, as the plug-in compares names), so memory grows with
// that player's checks alone. A replayed check stands beside the logged
// check nearest in time (at most Replay::kFigureWindow seconds away, of the
// same bot), which is the one whose figures answered it; a check of either
// side without a partner stands alone.
//
// The log records which limits a check reached, its strikes, verdicts and
// action, but not the limits themselves: the limits in force shown for each
// check are those of the given settings for the check's arena section, the
// ping limits with the check's own allowance. The verdict line at the top
// says, for each side, how often the player was warned or spectated, with
// how many strikes, and the range of each figure over its limit at those
// dealings ("spectated 2 times: 1 strike each, current ping 350-480 against
// 300").
//
// Two forms: text lines (control bytes shown as \xNN) and one
// self-contained HTML page (no script, no outside resource, every text
// escaped, one column of check cards that reads on a phone).
#ifndef TARVOK_TOOLS_EVIDENCE_DISPUTE_REPORT_H_
#define TARVOK_TOOLS_EVIDENCE_DISPUTE_REPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "laglog/lag_log.h"

class ConfigCheck;

class DisputeReport {
 public:
  // `player` as typed; `settings` judged the replay.
  DisputeReport(std::string player, const ConfigCheck& settings);

  void addLogged(const LagLogRow& row);
  // A row of the replayed plug-in, its time the simulated one.
  void addReplayed(const LagLogRow& row);

  // Where the report comes from, shown under its title: the log and the
  // settings' names.
  struct Source {
    std::string log;       // as the replay names it
    std::string period;    // "13 rows, from ..., 00:04:00 long"
    std::string settings;  // the settings' name
  };
  std::vector<std::string> text(const Source& source) const;
  std::string html(const Source& source) const;

  // The player's name as first logged (as typed when never logged).
  const std::string& playerName() const { return name_; }
  bool anyCheck() const { return !logged_.empty() || !replayed_.empty(); }

 private:
  // One line of the report: a logged check, a replayed one, or both.
  struct Line {
    const LagLogRow* logged = nullptr;
    const LagLogRow* replayed = nullptr;
    const LagLogRow& row() const {
      return logged != nullptr ? *logged : *replayed;
    }
  };

  bool isThePlayer(const LagLogRow& row);
  // Pairs the checks and orders the lines by time.
  std::vector<Line> lines() const;
  // "spectated 2 times: ..." of one side.
  std::string verdict(const std::vector<LagLogRow>& side) const;
  // The five limits in force for `row`, as text, and its section.
  std::vector<std::string> limitsFor(const LagLogRow& row) const;
  std::string sectionOf(const LagLogRow& row) const;

  std::string typed_;
  std::string folded_;  // typed_ in lower case
  std::string name_;
  bool named_ = false;
  const ConfigCheck& settings_;
  std::vector<LagLogRow> logged_;
  std::vector<LagLogRow> replayed_;
};

// The outcome of a check as the report shows it: "over current,average
// strikes 1/3 announced (no quorum)".
std::string disputeOutcome(const LagLogRow& row);

#endif  // TARVOK_TOOLS_EVIDENCE_DISPUTE_REPORT_H_
