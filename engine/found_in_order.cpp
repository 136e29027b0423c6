#include "engine/found_in_order.h"

#include <chrono>
#include <system_error>

namespace orvane::engine {

FoundInOrder::~FoundInOrder() {
  {
    std::lock_guard lock(jobsMutex_);
    closing_ = true;
    jobs_.clear();
  }
  jobsChanged_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void FoundInOrder::add(FoundFile file, Join join) {
  if (join) {
    while (joinsWaiting_ >= kMostJoinsWaiting) {
      // the oldest join first, and every file found before the next one
      handOnWaiting(false);
      if (joinsWaiting_ >= kMostJoinsWaiting) waiting_.front().joined.wait();
    }
    waiting_.push_back({std::move(file), startJoin(std::move(join))});
    ++joinsWaiting_;
  } else if (waiting_.empty()) {
    handOn_(file, {});
    return;
  } else {
    waiting_.push_back({std::move(file), {}});
  }
  handOnWaiting(false);
}

std::future<std::optional<FoundInOrder::Runs>> FoundInOrder::startJoin(Join join) {
  std::packaged_task<std::optional<Runs>()> task(std::move(join));
  auto joined = task.get_future();
  if (!worker_.joinable()) {
    try {
      worker_ = std::thread([this] { runJoins(); });
    } catch (const std::system_error&) {
      task();  // no thread to be had: joined here, as before
      return joined;
    }
  }
  {
    std::lock_guard lock(jobsMutex_);
    jobs_.push_back(std::move(task));
  }
  jobsChanged_.notify_one();
  return joined;
}

void FoundInOrder::runJoins() {
  for (;;) {
    std::packaged_task<std::optional<Runs>()> task;
    {
      std::unique_lock lock(jobsMutex_);
      jobsChanged_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      task = std::move(jobs_.front());
      jobs_.pop_front();
    }
    task();
  }
}

void FoundInOrder::handOnWaiting(bool wait) {
  while (!waiting_.empty()) {
    Waiting& front = waiting_.front();
    std::optional<Runs> runs;
    if (front.joined.valid()) {
      if (!wait && front.joined.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return;
      }
      runs = front.joined.get();
      --joinsWaiting_;
    }
    const FoundFile file = std::move(front.file);
    waiting_.pop_front();
    handOn_(file, runs.value_or(Runs{}));
  }
}

}  // namespace orvane::engine
