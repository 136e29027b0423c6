#pragma once

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
// may itself subscribe or unsubscribe.
class NotificationCenter {
 public:
  using Handler = std::function<void(const EventObject&)>;
  using Token = std::uint64_t;

  Token addObserver(std::string name, Handler handler);
  void removeObserver(Token token);
  void postNotificationName(std::string_view name, const EventObject& object = {});

 private:
  struct Observer {
    Token token;
    Handler handler;
  };
  // Replaced whole on every change, so that a post only copies a pointer:
  // scanners post once per record, millions of times.
  using ObserverList = std::vector<Observer>;

  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const ObserverList>, std::less<>> observersByName_;
  Token nextToken_ = 1;
};

}  // namespace orvane
