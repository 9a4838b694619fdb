#include "evidence/dispute_report.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "evidence/replay.h"
#include "hostkit/shown_text.h"
#include "settings/config_check.h"
#include "spawn/config_keys.h"

namespace {

constexpr const char* kFigureLabels[5] = {"C ", "Avg ", "S2C ", "C2S ",
                                          "S2CW "};
constexpr LagFigure kJudgedFigures[5] = {kCurrent, kAverage, kS2C, kC2S,
                                         kS2CWeapons};
// The figure of each limit bit, and its name in the verdict.
constexpr LagFigure kFigureOfLimit[8] = {kCurrent, kAverage, kS2C, kC2S,
                                         kS2CWeapons, kS2C, kC2S, kS2CWeapons};
constexpr const char* kVerdictNames[8] = {
    "current ping",   "average ping",     "S2C loss",
    "C2S loss",       "S2C weapons loss", "negative S2C loss",
    "negative C2S loss", "negative S2C weapons loss"};

std::string folded(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool dealtWith(const LagLogRow& row) {
  return row.action == LagAction::Warned || row.action == LagAction::Spectated;
}

std::string_view actionName(LagAction action) {
  return lag_log_schema::kActionNames[static_cast<int>(action)];
}

std::string times(std::size_t count) {
  return count == 1 ? "once" : std::to_string(count) + " times";
}

// "A" or "A-B" of the figures' texts, by their values.
std::string range(std::vector<std::string> texts) {
  std::sort(texts.begin(), texts.end(),
            [](const std::string& a, const std::string& b) {
              return std::strtod(a.c_str(), nullptr) <
                     std::strtod(b.c_str(), nullptr);
            });
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  if (texts.empty()) return "";
  return texts.size() == 1 ? texts.front() : texts.front() + "-" + texts.back();
}

std::string htmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// Shown text: control bytes as \xNN, for the terminal and the page alike.
std::string shown(const std::string& text) { return escapeControlBytes(text); }

}  // namespace

std::string disputeOutcome(const LagLogRow& row) {
  std::string text = "over ";
  if (row.limits == 0) text += "-";
  bool first = true;
  for (int bit = 0; bit < 8; ++bit) {
    if ((row.limits >> bit & 1u) == 0) continue;
    if (!first) text += ",";
    text += lag_log_schema::kLimitNames[bit];
    first = false;
  }
  text += "  strikes ";
  text += row.strikesOutOf == 0 ? std::string("-")
                                : std::to_string(row.strikes) + "/" +
                                      std::to_string(row.strikesOutOf);
  text += "  ";
  text += actionName(row.action);
  if (row.verdicts & 1u) {
    text += " (allowance +" + std::to_string(row.allowanceMs) + " ms)";
  }
  if (row.verdicts & 2u) text += " (no quorum)";
  if (row.verdicts & 4u) text += " (steady)";
  return text;
}

DisputeReport::DisputeReport(std::string player, const ConfigCheck& settings)
    : typed_(std::move(player)),
      folded_(folded(typed_)),
      name_(typed_),
      settings_(settings) {}

bool DisputeReport::isThePlayer(const LagLogRow& row) {
  if (row.kind != LagRowKind::Check || row.player.size() != typed_.size() ||
      folded(row.player) != folded_) {
    return false;
  }
  if (!named_) {
    name_ = row.player;
    named_ = true;
  }
  return true;
}

void DisputeReport::addLogged(const LagLogRow& row) {
  if (isThePlayer(row)) logged_.push_back(row);
}

void DisputeReport::addReplayed(const LagLogRow& row) {
  if (isThePlayer(row)) replayed_.push_back(row);
}

std::vector<DisputeReport::Line> DisputeReport::lines() const {
  std::vector<Line> result;
  std::vector<bool> paired(logged_.size(), false);
  std::vector<std::size_t> partnerOf(replayed_.size(), logged_.size());
  for (std::size_t r = 0; r < replayed_.size(); ++r) {
    const LagLogRow& replayed = replayed_[r];
    std::size_t best = logged_.size();
    std::int64_t bestDistance = 0;
    for (std::size_t l = 0; l < logged_.size(); ++l) {
      // A manual check is asked again at its second; an automatic one
      // pairs with an automatic one only.
      if (paired[l] || logged_[l].bot != replayed.bot ||
          logged_[l].automatic != replayed.automatic) {
        continue;
      }
      const std::int64_t distance = std::llabs(logged_[l].time - replayed.time);
      if (distance > static_cast<std::int64_t>(Replay::kFigureWindow)) continue;
      if (best == logged_.size() || distance < bestDistance) {
        best = l;
        bestDistance = distance;
      }
    }
    if (best != logged_.size()) {
      paired[best] = true;
      partnerOf[r] = best;
    }
  }
  for (std::size_t l = 0; l < logged_.size(); ++l) {
    Line line;
    line.logged = &logged_[l];
    for (std::size_t r = 0; r < replayed_.size(); ++r) {
      if (partnerOf[r] == l) line.replayed = &replayed_[r];
    }
    result.push_back(line);
  }
  for (std::size_t r = 0; r < replayed_.size(); ++r) {
    if (partnerOf[r] != logged_.size()) continue;
    Line line;
    line.replayed = &replayed_[r];
    result.push_back(line);
  }
  std::stable_sort(result.begin(), result.end(),
                   [](const Line& a, const Line& b) {
                     return a.row().time < b.row().time;
                   });
  return result;
}

std::string DisputeReport::sectionOf(const LagLogRow& row) const {
  if (!row.hasArena || row.arena.empty()) return "";
  return settings_.arenaNamed(row.arena) != nullptr
             ? "section [arena " + shown(row.arena) + "]"
             : "no section for arena " + shown(row.arena);
}

std::vector<std::string> DisputeReport::limitsFor(const LagLogRow& row) const {
  const ConfigArena* arena =
      row.hasArena ? settings_.arenaNamed(row.arena) : nullptr;
  const ConfigSettings& in = arena != nullptr ? arena->settings
                                              : settings_.settings();
  const std::int32_t limits[5] = {in.currentPingLimit, in.averagePingLimit,
                                  in.s2cLossLimit, in.c2sLossLimit,
                                  in.s2cWeaponsLossLimit};
  constexpr ConfigField kFields[5] = {
      ConfigField::currentPingLimit, ConfigField::averagePingLimit,
      ConfigField::s2cLossLimit, ConfigField::c2sLossLimit,
      ConfigField::s2cWeaponsLossLimit};
  const std::int32_t extra = (row.verdicts & 1u) ? row.allowanceMs : 0;
  std::vector<std::string> texts;
  for (int i = 0; i < 5; ++i) {
    // A negative limit is judged as its default, as the plug-in repairs it.
    const std::int32_t limit = repairedValue(configKey(kFields[i]), limits[i]);
    if (i < 2 && extra != 0) {
      texts.push_back(std::to_string(static_cast<std::int64_t>(limit) + extra) +
                      " (" + std::to_string(limit) + " +" +
                      std::to_string(extra) + ")");
    } else {
      texts.push_back(std::to_string(limit));
    }
  }
  return texts;
}

std::string DisputeReport::verdict(const std::vector<LagLogRow>& side) const {
  std::size_t warned = 0;
  std::size_t spectated = 0;
  std::vector<std::uint32_t> strikes;
  for (const LagLogRow& row : side) {
    if (!dealtWith(row)) continue;
    ++(row.action == LagAction::Spectated ? spectated : warned);
    strikes.push_back(row.strikes);
  }
  if (strikes.empty()) {
    return side.empty() ? "no checks" : "never warned or spectated (" +
                                            std::to_string(side.size()) +
                                            (side.size() == 1 ? " check)"
                                                              : " checks)");
  }
  std::string text;
  if (spectated > 0) text = "spectated " + times(spectated);
  if (warned > 0) {
    text += (text.empty() ? "" : ", ") + std::string("warned ") + times(warned);
  }
  std::sort(strikes.begin(), strikes.end());
  const std::string strikeCount =
      strikes.front() == strikes.back()
          ? std::to_string(strikes.front())
          : std::to_string(strikes.front()) + "-" + std::to_string(strikes.back());
  text += ": " + strikeCount +
          (strikes.back() == 1 ? " strike" : " strikes") +
          (strikes.size() > 1 ? " each" : "");
  for (int bit = 0; bit < 8; ++bit) {
    std::vector<std::string> figures;
    std::vector<std::string> limits;
    for (const LagLogRow& row : side) {
      if (!dealtWith(row) || (row.limits >> bit & 1u) == 0) continue;
      figures.push_back(row.figures[kFigureOfLimit[bit]]);
      if (bit < 5) {
        std::string limit = limitsFor(row)[bit];
        limits.push_back(limit.substr(0, limit.find(' ')));
      }
    }
    if (figures.empty()) continue;
    text += ", " + std::string(kVerdictNames[bit]) + " " + shown(range(figures));
    if (bit < 5) text += " against " + range(limits);
  }
  return text;
}

std::vector<std::string> DisputeReport::text(const Source& source) const {
  std::vector<std::string> out;
  out.push_back("Dispute report: " + shown(name_));
  out.push_back("As logged:   " + verdict(logged_));
  out.push_back("As replayed: " + verdict(replayed_));
  out.push_back("Log: " + source.log + " (" + source.period + ")");
  out.push_back("Replayed with the settings of " + source.settings +
                "; the limits shown are theirs (the log does not record "
                "limits), the ping limits with the check's allowance");
  for (const Line& line : lines()) {
    const LagLogRow& row = line.row();
    out.push_back("");
    out.push_back(lagLogTimeText(row.time) + "  " +
                  (row.automatic ? std::string("automatic check")
                                 : "check asked by " + shown(row.requester)));
    if (line.logged != nullptr) {
      std::string figures = "  figures   ";
      for (int i = 0; i < 5; ++i) {
        figures += std::string(i == 0 ? "" : "  ") + kFigureLabels[i] +
                   shown(line.logged->figures[kJudgedFigures[i]]);
      }
      out.push_back(figures);
    }
    const std::vector<std::string> limits = limitsFor(row);
    std::string limitLine = "  limits    ";
    for (int i = 0; i < 5; ++i) {
      limitLine += std::string(i == 0 ? "" : "  ") + kFigureLabels[i] +
                   limits[i];
    }
    const std::string section = sectionOf(row);
    if (!section.empty()) limitLine += "  (" + section + ")";
    out.push_back(limitLine);
    out.push_back("  logged    " + (line.logged != nullptr
                                        ? disputeOutcome(*line.logged)
                                        : std::string("(no such check)")));
    out.push_back("  replayed  " + (line.replayed != nullptr
                                        ? disputeOutcome(*line.replayed)
                                        : std::string("(not checked)")));
  }
  if (!anyCheck()) {
    out.push_back("");
    out.push_back("No check of " + shown(typed_) + " in the log.");
  }
  return out;
}

std::string DisputeReport::html(const Source& source) const {
  const auto e = [](const std::string& text) { return htmlEscaped(shown(text)); };
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, "
      "initial-scale=1\">\n<title>Dispute report: " +
      e(name_) +
      "</title>\n<style>\n"
      "body{font-family:sans-serif;margin:0 auto;max-width:40em;padding:0.8em;"
      "line-height:1.4}\n"
      ".verdict{font-size:1.1em;font-weight:bold}\n"
      ".check{border:1px solid #bbb;border-radius:6px;margin:0.8em 0;"
      "padding:0.5em}\n"
      ".check.dealt{border-color:#c00;border-width:2px}\n"
      "dl{display:grid;grid-template-columns:auto 1fr;gap:0.2em 0.8em;"
      "margin:0.4em 0 0}\n"
      "dt{color:#555}\ndd{margin:0;overflow-wrap:anywhere}\n"
      "</style>\n</head>\n<body>\n<h1>Dispute report: <span class=\"player\">" +
      e(name_) + "</span></h1>\n";
  page += "<p class=\"verdict\" id=\"logged-verdict\">As logged: " +
          e(verdict(logged_)) + "</p>\n";
  page += "<p class=\"verdict\" id=\"replayed-verdict\">As replayed: " +
          e(verdict(replayed_)) + "</p>\n";
  page += "<p>Log: " + htmlEscaped(source.log) + " (" +
          htmlEscaped(source.period) + "). Replayed with the settings of " +
          htmlEscaped(source.settings) +
          "; the limits shown are theirs (the log does not record limits), "
          "the ping limits with the check's allowance.</p>\n";
  if (!anyCheck()) {
    page += "<p id=\"no-check\">No check of " + e(typed_) +
            " in the log.</p>\n";
  }
  for (const Line& line : lines()) {
    const LagLogRow& row = line.row();
    const bool dealt = (line.logged != nullptr && dealtWith(*line.logged)) ||
                       (line.replayed != nullptr && dealtWith(*line.replayed));
    page += std::string("<section class=\"check") + (dealt ? " dealt" : "") +
            "\">\n<h2>" + e(lagLogTimeText(row.time)) + " " +
            (row.automatic ? std::string("automatic check")
                           : "check asked by " + e(row.requester)) +
            "</h2>\n<dl>\n";
    if (line.logged != nullptr) {
      std::string figures;
      for (int i = 0; i < 5; ++i) {
        figures += std::string(i == 0 ? "" : ", ") + kFigureLabels[i] +
                   e(line.logged->figures[kJudgedFigures[i]]);
      }
      page += "<dt>figures</dt><dd class=\"figures\">" + figures + "</dd>\n";
    }
    const std::vector<std::string> limits = limitsFor(row);
    std::string limitText;
    for (int i = 0; i < 5; ++i) {
      limitText += std::string(i == 0 ? "" : ", ") + kFigureLabels[i] +
                   e(limits[i]);
    }
    const std::string section = sectionOf(row);
    if (!section.empty()) limitText += " (" + htmlEscaped(section) + ")";
    page += "<dt>limits</dt><dd class=\"limits\">" + limitText + "</dd>\n";
    page += "<dt>logged</dt><dd class=\"logged\">" +
            e(line.logged != nullptr ? disputeOutcome(*line.logged)
                                     : "(no such check)") +
            "</dd>\n";
    page += "<dt>replayed</dt><dd class=\"replayed\">" +
            e(line.replayed != nullptr ? disputeOutcome(*line.replayed)
                                       : "(not checked)") +
            "</dd>\n</dl>\n</section>\n";
  }
  page += "</body>\n</html>\n";
  return page;
}
