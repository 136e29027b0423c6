#include "cli/terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace orvane::cli {

TerminalProgress::TerminalProgress(std::string label)
    : label_(std::move(label)), enabled_(::isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() { finish(); }

void TerminalProgress::show(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (!enabled_ || percent == shown_) return;
  shown_ = percent;
  std::fprintf(stderr, "\r%s %3d%%", label_.c_str(), percent);
  std::fflush(stderr);
}

void TerminalProgress::finish() {
  if (!enabled_ || shown_ < 0) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  shown_ = -1;
}

}  // namespace orvane::cli
