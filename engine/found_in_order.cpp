#include "engine/found_in_order.h"

#include <chrono>
#include <system_error>

namespace orvane::engine {

void FoundInOrder::add(FoundFile file, Join join) {
  if (join) {
    handOnWaiting(true);  // the join under way ends first
    std::future<std::optional<Runs>> joined;
    try {
      joined = std::async(std::launch::async, join);
    } catch (const std::system_error&) {
      // no thread to be had: join here, as the scan waits anyway
      std::promise<std::optional<Runs>> done;
      done.set_value(join());
      joined = done.get_future();
    }
    waiting_.push_back({std::move(file), std::move(joined)});
  } else if (waiting_.empty()) {
    handOn_(file, {});
    return;
  } else {
    waiting_.push_back({std::move(file), {}});
  }
  handOnWaiting(false);
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
    }
    const FoundFile file = std::move(front.file);
    waiting_.pop_front();
    handOn_(file, runs.value_or(Runs{}));
  }
}

}  // namespace orvane::engine
