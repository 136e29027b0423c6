#include "core/notification_center.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace orvane {
namespace {

TEST(NotificationCenter, HandlersMaySubscribeUnsubscribeAndPost) {
  NotificationCenter nc;
  std::vector<std::string> seen;
  NotificationCenter::Token self = 0;
  self = nc.addObserver("A", [&](const EventObject&) {
    seen.push_back("A once");
    nc.removeObserver(self);
    nc.removeObserver(self);  // twice is harmless
    nc.addObserver("A", [&](const EventObject&) { seen.push_back("A later"); });
    nc.postNotificationName("B");
  });
  nc.addObserver("B", [&](const EventObject&) { seen.push_back("B"); });

  nc.postNotificationName("A");  // the observer added during delivery waits for the next post
  nc.postNotificationName("A");
  EXPECT_EQ(seen, (std::vector<std::string>{"A once", "B", "A later"}));
}

// A handler removed while another thread is inside it: removeObserver
// returns only after that call ended, and the handler is never called again.
TEST(NotificationCenter, RemovalWaitsForACallInProgressElsewhere) {
  NotificationCenter nc;
  std::atomic<int> inside{0};
  std::atomic<int> callsAfterRemoval{0};
  std::atomic<bool> removed{false};
  std::atomic<bool> entered{false};
  const auto token = nc.addObserver("E", [&](const EventObject&) {
    if (removed) ++callsAfterRemoval;
    ++inside;
    entered = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    --inside;
  });
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) nc.postNotificationName("E");
  });
  while (!entered) std::this_thread::yield();
  nc.removeObserver(token);
  removed = true;
  EXPECT_EQ(inside.load(), 0);
  poster.join();
  EXPECT_EQ(callsAfterRemoval.load(), 0);
}

}  // namespace
}  // namespace orvane
