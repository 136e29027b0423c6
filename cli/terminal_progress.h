#pragma once

#include <string>

namespace orvane::cli {

// A one-line percentage on standard error, redrawn in place, shown only when
// standard error is a terminal (so logs and pipes stay clean).
class TerminalProgress {
 public:
  explicit TerminalProgress(std::string label);
  ~TerminalProgress();

  void show(int percent);
  // Clears the line; later output starts on a clean line.
  void finish();

 private:
  std::string label_;
  bool enabled_;
  int shown_ = -1;
};

}  // namespace orvane::cli
