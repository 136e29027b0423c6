#pragma once

#include <cstdint>
#include <functional>
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
    std::string name;
    std::shared_ptr<Handler> handler;
  };

  std::mutex mutex_;
  std::vector<Observer> observers_;
  Token nextToken_ = 1;
};

}  // namespace orvane
