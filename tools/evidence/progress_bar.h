// ProgressBar: a line on a terminal that shows how far a long run has got,
// redrawn in place at most ten times a second. It appears only when the
// stream is a terminal and the run has taken more than a second, and it is
// wiped when the run ends or the user interrupts it (Ctrl-C), so that
// nothing of it stays in the output. It counts in `unit`: "log rows",
// "combinations".
#ifndef TARVOK_TOOLS_EVIDENCE_PROGRESS_BAR_H_
#define TARVOK_TOOLS_EVIDENCE_PROGRESS_BAR_H_

#include <chrono>
#include <cstddef>
#include <cstdio>

class ProgressBar {
 public:
  ProgressBar(std::FILE* out, const char* unit);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void update(std::size_t done, std::size_t total);

 private:
  using Clock = std::chrono::steady_clock;
  std::FILE* out_;
  const char* unit_;
  bool terminal_;
  bool shown_ = false;
  Clock::time_point start_;
  Clock::time_point lastDrawn_;
};

#endif  // TARVOK_TOOLS_EVIDENCE_PROGRESS_BAR_H_
