#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/copy_out.h"
#include "engine/scanner.h"

namespace orvane::engine {

// Hands found files on in the order they were found, while pictures that
// may lie in two pieces are joined on a second thread, one after another:
// decoding them then no longer holds up the scan. The files found after a
// picture wait until it is joined; when many joins are queued, the scan
// waits for the oldest.
class FoundInOrder {
 public:
  using Runs = std::vector<DeviceRun>;
  using Join = std::function<std::optional<Runs>()>;
  // the file, and its runs when it was joined from pieces (else none)
  using HandOn = std::function<void(const FoundFile&, const Runs&)>;

  explicit FoundInOrder(HandOn handOn) : handOn_(std::move(handOn)) {}
  FoundInOrder(const FoundInOrder&) = delete;
  FoundInOrder& operator=(const FoundInOrder&) = delete;
  // Joins not yet started are dropped; the one under way ends first.
  ~FoundInOrder();

  void add(FoundFile file, Join join = {});
  // Waits for every join and hands on every file still waiting.
  void finish() { handOnWaiting(true); }

 private:
  static constexpr std::size_t kMostJoinsWaiting = 16;
  struct Waiting {
    FoundFile file;
    std::future<std::optional<Runs>> joined;  // not valid: nothing to join
  };
  void handOnWaiting(bool wait);
  std::future<std::optional<Runs>> startJoin(Join join);
  void runJoins();

  std::deque<Waiting> waiting_;
  std::size_t joinsWaiting_ = 0;
  HandOn handOn_;

  std::mutex jobsMutex_;
  std::condition_variable jobsChanged_;
  std::deque<std::packaged_task<std::optional<Runs>()>> jobs_;
  bool closing_ = false;
  std::thread worker_;
};

}  // namespace orvane::engine
