#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/record.h"

namespace orvane {

// The one object an event carries: nothing, a number (progress), a text
// (a file's path) or a record handed over whole.
using EventObject = std::variant<std::monostate, std::int64_t, std::string, RecordPtr>;

// The process-wide channel by which scanners report. Delivery is synchronous
// on the posting thread: a post returns after every handler of that name ran.
// Subscribing, unsubscribing and posting are safe from any thread; a handler
// may itself subscribe or unsubscribe. A removed handler is never called
// again, but a thread that posted through it may keep the handler object
// until its next post: handlers should capture references, not owners.
class NotificationCenter {
 public:
  using Handler = std::function<void(const EventObject&)>;
  using Token = std::uint64_t;

  NotificationCenter();

  Token addObserver(std::string name, Handler handler);
  void removeObserver(Token token);
  void postNotificationName(std::string_view name, const EventObject& object = {});

 private:
  struct Observer {
    Token token;
    Handler handler;
  };
  // Replaced whole on every change, as is the table of them: scanners post
  // once per record, millions of times, and a post should cost no lock.
  using ObserverList = std::vector<Observer>;

  using ObserversByName = std::map<std::string, std::shared_ptr<const ObserverList>, std::less<>>;

  // The observers as they are now, read without the lock when the posting
  // thread's copy is current.
  std::shared_ptr<const ObserversByName> current() const;
  void publish(std::shared_ptr<const ObserversByName> table);

  mutable std::mutex mutex_;
  std::shared_ptr<const ObserversByName> observersByName_ = std::make_shared<ObserversByName>();
  // Changes with every subscription and removal, in any center of the
  // process, so that a thread's copy never passes for another center's.
  std::atomic<std::uint64_t> version_;
  Token nextToken_ = 1;
};

}  // namespace orvane
