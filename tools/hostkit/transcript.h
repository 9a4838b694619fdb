// Transcript: the simulator's readable record of a run. Every line starts
// with the simulated time, "[hh:mm:ss]", and says who said what to whom.
// Texts that travel between host, plug-in and zone are shown in double
// quotes, exactly, so that blanks at either end stay visible; control bytes
// anywhere in a line are shown as \xNN, so that no name or text can forge a
// line or reach the terminal raw. With colours on (a terminal), each kind of line gets
// its own colour; otherwise the output is plain text and depends on nothing
// but what is written, so the same run always gives the same bytes.
#ifndef TARVOK_TOOLS_HOSTKIT_TRANSCRIPT_H_
#define TARVOK_TOOLS_HOSTKIT_TRANSCRIPT_H_

#include <cstdint>
#include <cstdio>
#include <string>

enum class LineKind {
  Note,    // the scenario's own words
  Host,    // what the host does: events, players arriving and leaving
  Player,  // what a player types
  Bot,     // what the plug-in sends, through its bot
  Zone,    // what the zone server says or does
  Log,     // what the plug-in appends to its lag log
};

class Transcript {
 public:
  // Writes to `out` (not owned); `colours` adds ANSI colour sequences.
  Transcript(std::FILE* out, bool colours);

  void setTime(std::uint64_t seconds) { seconds_ = seconds; }

  // Writes one line: the time stamp, then `text` with its control bytes
  // escaped.
  void write(LineKind kind, const std::string& text);

  // `text` between double quotes, control bytes as \xNN.
  static std::string quoted(const std::string& text);
  // "hh:mm:ss"; hours go beyond 99 when they must.
  static std::string clock(std::uint64_t seconds);
  // The clock in brackets, as each transcript line starts.
  static std::string timeStamp(std::uint64_t seconds) {
    return "[" + clock(seconds) + "]";
  }

 private:
  std::FILE* out_;
  bool colours_;
  std::uint64_t seconds_ = 0;
};

#endif  // TARVOK_TOOLS_HOSTKIT_TRANSCRIPT_H_
