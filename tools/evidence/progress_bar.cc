#include "evidence/progress_bar.h"

#include <atomic>
#include <mutex>
#include <string>

#include "hostkit/host_platform.h"

namespace {

constexpr int kBarWidth = 40;

// The stream of the bar on screen, for an interruption to wipe.
std::atomic<std::FILE*> shownBar{nullptr};

void wipeShownBar() {
  std::FILE* out = shownBar.exchange(nullptr);
  if (out == nullptr) return;
  std::fputs("\r\033[K", out);
  std::fflush(out);
}

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, const char* unit)
    : out_(out),
      unit_(unit),
      terminal_(terminalShowsColours(out)),
      start_(Clock::now()) {}

ProgressBar::~ProgressBar() {
  if (shown_) {
    shownBar = nullptr;
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
  if (!shown_) {
    static std::once_flag wipeOnInterrupt;
    std::call_once(wipeOnInterrupt, [] { callOnInterrupt(wipeShownBar); });
    shownBar = out_;
  }
  shown_ = true;
  const std::size_t filled = done * kBarWidth / total;
  std::fprintf(out_, "\r[%s%s] %3zu%%  %zu/%zu %s\033[K",
               std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), done * 100 / total,
               done, total, unit_);
  std::fflush(out_);
}
