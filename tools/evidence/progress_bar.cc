#include "evidence/progress_bar.h"

#include <string>

#include "hostkit/host_platform.h"

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::FILE* out)
    : out_(out), terminal_(terminalShowsColours(out)), start_(Clock::now()) {}

ProgressBar::~ProgressBar() {
  if (shown_) {
    std::fprintf(out_, "\r\033[K");
    std::fflush(out_);
  }
}

void ProgressBar::update(std::size_t done, std::size_t total) {
  if (!terminal_ || total == 0) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < std::chrono::seconds(1)) return;
  if (shown_ && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
  lastDrawn_ = now;
  shown_ = true;
  const std::size_t filled = done * kBarWidth / total;
  std::fprintf(out_, "\r[%s%s] %3zu%%  %zu/%zu rows\033[K",
               std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), done * 100 / total,
               done, total);
  std::fflush(out_);
}
