#pragma once

#include <deque>
#include <functional>
#include <future>
#include <optional>
#include <vector>

#include "engine/copy_out.h"
#include "engine/scanner.h"

namespace orvane::engine {

// Hands found files on in the order they were found, while a picture that
// may lie in two pieces is joined on a second thread: decoding it then no
// longer holds up the scan. One join runs at a time; the files found after
// it wait until it is done.
class FoundInOrder {
 public:
  using Runs = std::vector<DeviceRun>;
  using Join = std::function<std::optional<Runs>()>;
  // the file, and its runs when it was joined from pieces (else none)
  using HandOn = std::function<void(const FoundFile&, const Runs&)>;

  explicit FoundInOrder(HandOn handOn) : handOn_(std::move(handOn)) {}

  void add(FoundFile file, Join join = {});
  // Waits for the join under way and hands on every file still waiting.
  void finish() { handOnWaiting(true); }

 private:
  struct Waiting {
    FoundFile file;
    std::future<std::optional<Runs>> joined;  // not valid: nothing to join
  };
  void handOnWaiting(bool wait);

  std::deque<Waiting> waiting_;
  HandOn handOn_;
};

}  // namespace orvane::engine
