#include "core/notification_center.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/event_names.h"
#include "core/ios_records.h"

namespace orvane {
namespace {

TEST(NotificationCenter, DeliversOnlyToItsNameInSubscriptionOrder) {
  NotificationCenter nc;
  std::vector<std::string> seen;
  nc.addObserver(events::ScanContactInfo, [&](const EventObject&) { seen.push_back("first"); });
  nc.addObserver(events::ScanNoteInfo, [&](const EventObject&) { seen.push_back("note"); });
  nc.addObserver(events::ScanContactInfo, [&](const EventObject&) { seen.push_back("second"); });

  nc.postNotificationName(events::ScanContactInfo);
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
  // names differ by letter case: "scanBookMarkInfo" is not "ScanBookMarkInfo"
  nc.postNotificationName("scancontactinfo");
  nc.postNotificationName("Nobody listens");
  EXPECT_EQ(seen.size(), 2u);
}

TEST(NotificationCenter, CarriesTheObjectItWasGiven) {
  NotificationCenter nc;
  std::vector<EventObject> got;
  nc.addObserver(events::BlackBerryRawRecoveryProgress,
                 [&](const EventObject& o) { got.push_back(o); });
  auto contact = std::make_shared<PRContactNode>();
  contact->contactName = "Anna";
  nc.postNotificationName(events::BlackBerryRawRecoveryProgress, std::int64_t{42});
  nc.postNotificationName(events::BlackBerryRawRecoveryProgress, std::string("/tmp/x.jpg"));
  nc.postNotificationName(events::BlackBerryRawRecoveryProgress, RecordPtr(contact));
  nc.postNotificationName(events::BlackBerryRawRecoveryProgress);

  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(std::get<std::int64_t>(got[0]), 42);
  EXPECT_EQ(std::get<std::string>(got[1]), "/tmp/x.jpg");
  // the poster may drop its reference: the receiver's copy keeps the record
  contact.reset();
  auto kept = recordAs<PRContactNode>(std::get<RecordPtr>(got[2]));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->contactName, "Anna");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(got[3]));
}

TEST(NotificationCenter, RemovedObserversHearNothing) {
  NotificationCenter nc;
  int calls = 0;
  const auto token = nc.addObserver("E", [&](const EventObject&) { ++calls; });
  nc.postNotificationName("E");
  nc.removeObserver(token);
  nc.removeObserver(token);  // twice is harmless
  nc.postNotificationName("E");
  EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, HandlersMaySubscribeUnsubscribeAndPost) {
  NotificationCenter nc;
  std::vector<std::string> seen;
  NotificationCenter::Token self = 0;
  self = nc.addObserver("A", [&](const EventObject&) {
    seen.push_back("A once");
    nc.removeObserver(self);
    nc.addObserver("A", [&](const EventObject&) { seen.push_back("A later"); });
    nc.postNotificationName("B");
  });
  nc.addObserver("B", [&](const EventObject&) { seen.push_back("B"); });

  nc.postNotificationName("A");  // the observer added during delivery waits for the next post
  nc.postNotificationName("A");
  EXPECT_EQ(seen, (std::vector<std::string>{"A once", "B", "A later"}));
}

// A thread remembers what it found for the names it posted last; none of
// that may leak between centers, survive a change, or tie a name to where
// its text happened to be.
TEST(NotificationCenter, WhatAThreadRemembersNeverCrossesCentersOrChanges) {
  std::vector<std::string> seen;
  auto first = std::make_unique<NotificationCenter>();
  NotificationCenter second;
  first->addObserver("E", [&](const EventObject&) { seen.push_back("first"); });
  second.postNotificationName("E");  // nobody listens here
  first->postNotificationName("E");
  second.addObserver("E", [&](const EventObject&) { seen.push_back("second"); });
  second.postNotificationName("E");
  first.reset();
  NotificationCenter third;  // may well take the first one's place
  third.postNotificationName("E");
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));

  std::string name = "F1";
  third.addObserver("F1", [&](const EventObject&) { seen.push_back("F1"); });
  third.addObserver("F2", [&](const EventObject&) { seen.push_back("F2"); });
  third.postNotificationName(name);
  name[1] = '2';  // the same text buffer now names the other event
  third.postNotificationName(name);
  EXPECT_EQ(seen.back(), "F2");
  EXPECT_EQ(seen.size(), 4u);
}

// A handler that posts to another center must not take away the list its
// own post is walking.
TEST(NotificationCenter, PostingToAnotherCenterFromAHandlerKeepsTheWalk) {
  NotificationCenter outer;
  NotificationCenter inner;
  std::vector<std::string> seen;
  outer.addObserver("E", [&](const EventObject&) {
    inner.addObserver("I", [&](const EventObject&) { seen.push_back("inner"); });
    inner.postNotificationName("I");
    outer.addObserver("E", [](const EventObject&) {});
  });
  outer.addObserver("E", [&](const EventObject&) { seen.push_back("outer second"); });
  outer.postNotificationName("E");
  EXPECT_EQ(seen, (std::vector<std::string>{"inner", "outer second"}));
}

// Each scanning thread's events arrive complete and in its own posting order,
// while other threads subscribe and unsubscribe.
TEST(NotificationCenter, ManyThreadsKeepEachPostersOrder) {
  NotificationCenter nc;
  constexpr int kThreads = 4;
  constexpr int kPosts = 2000;
  std::mutex mutex;
  std::map<std::int64_t, std::vector<std::int64_t>> byThread;
  nc.addObserver("Count", [&](const EventObject& o) {
    const auto value = std::get<std::int64_t>(o);
    std::lock_guard lock(mutex);
    byThread[value / kPosts].push_back(value % kPosts);
  });

  std::atomic<bool> posting{true};
  std::thread churn([&] {
    while (posting) {
      const auto token = nc.addObserver("Count", [](const EventObject&) {});
      nc.removeObserver(token);
    }
  });
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&nc, t] {
      for (int i = 0; i < kPosts; ++i) {
        nc.postNotificationName("Count", std::int64_t{t} * kPosts + i);
      }
    });
  }
  for (auto& poster : posters) poster.join();
  posting = false;
  churn.join();

  ASSERT_EQ(byThread.size(), static_cast<std::size_t>(kThreads));
  for (const auto& [thread, values] : byThread) {
    ASSERT_EQ(values.size(), static_cast<std::size_t>(kPosts)) << thread;
    for (int i = 0; i < kPosts; ++i) ASSERT_EQ(values[static_cast<std::size_t>(i)], i);
  }
}

}  // namespace
}  // namespace orvane
