#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "core/record.h"

namespace orvane {

// The one object an event carries: nothing, a number (progress), a text
// (a file's path) or a record handed over whole.
using EventObject = std::variant<std::monostate, std::int64_t, std::string, RecordPtr>;

// The process-wide channel by which scanners report. Delivery is synchronous
// on the posting thread: a post returns after every handler of that name ran,
// in the order they subscribed. Subscribing, unsubscribing and posting are
// safe from any thread, and a handler may itself post, subscribe or
// unsubscribe. Once removeObserver returns, the handler is not running on
// any other thread and is never called again; it waits for a call of that
// handler in progress elsewhere, so a handler must not remove another
// handler that may at the same moment be removing it.
class NotificationCenter {
 public:
  using Handler = std::function<void(const EventObject&)>;
  using Token = std::uint64_t;

  Token addObserver(std::string name, Handler handler);
  void removeObserver(Token token);
  void postNotificationName(std::string_view name, const EventObject& object = {});

 private:
  struct Observer {
    Token token = 0;
    Handler handler;
    // Held while the handler runs; removal takes it to wait for a running
    // call. Recursive, so that a handler may post its own name again or
    // remove itself.
    std::recursive_mutex calling;
    bool removed = false;
  };
  // Lists are replaced whole on a change, so a post walks its snapshot
  // without the lock while handlers subscribe or unsubscribe.
  using ObserverList = std::vector<std::shared_ptr<Observer>>;

  std::mutex mutex_;
  // Looked up on every post, so hashed: the event names share long prefixes.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
      return std::hash<std::string_view>{}(name);
    }
  };
  std::unordered_map<std::string, std::shared_ptr<const ObserverList>, NameHash, std::equal_to<>>
      observersByName_;
  // A scan posts a few names a million times each, in turn (a record, then
  // the progress): the last few lookups are kept, and dropped on every
  // change of the lists.
  struct RecentLookup {
    bool used = false;
    std::string name;
    std::shared_ptr<const ObserverList> list;  // none: nobody listens
  };
  std::array<RecentLookup, 4> recent_;
  std::size_t nextRecent_ = 0;
  const RecentLookup& lookUp(std::string_view name);
  void forgetRecentLookups();
  Token nextToken_ = 1;
};

}  // namespace orvane
