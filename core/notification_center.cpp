#include "core/notification_center.h"

#include <algorithm>
#include <array>

namespace orvane {

namespace {

std::atomic<std::uint64_t> lastVersion{0};

std::uint64_t nextVersion() { return lastVersion.fetch_add(1, std::memory_order_relaxed) + 1; }

// The table a thread posted through last, with the version it had then,
// and the lists it found there for the last few names: scanners post the
// same two or three names over and over.
struct PostingCache {
  struct Found {
    bool used = false;
    std::string name;
    const void* observers = nullptr;  // null when nobody listens
  };
  std::uint64_t version = 0;
  std::shared_ptr<const void> table;
  std::array<Found, 4> found{};
  std::size_t nextFound = 0;
};
thread_local PostingCache postingCache;
// How many posts of this thread are running their handlers.
thread_local int postingDepth = 0;

}  // namespace

NotificationCenter::NotificationCenter() : version_(nextVersion()) {}

std::shared_ptr<const NotificationCenter::ObserversByName> NotificationCenter::current() const {
  std::lock_guard lock(mutex_);
  return observersByName_;
}

void NotificationCenter::publish(std::shared_ptr<const ObserversByName> table) {
  observersByName_ = std::move(table);
  version_.store(nextVersion(), std::memory_order_release);
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, Handler handler) {
  std::lock_guard lock(mutex_);
  const Token token = nextToken_++;
  auto table = std::make_shared<ObserversByName>(*observersByName_);
  auto& observers = (*table)[std::move(name)];
  auto changed =
      observers ? std::make_shared<ObserverList>(*observers) : std::make_shared<ObserverList>();
  changed->push_back({token, std::move(handler)});
  observers = std::move(changed);
  publish(std::move(table));
  return token;
}

void NotificationCenter::removeObserver(Token token) {
  std::lock_guard lock(mutex_);
  for (const auto& [name, observers] : *observersByName_) {
    const bool listed = std::any_of(observers->begin(), observers->end(),
                                    [token](const Observer& o) { return o.token == token; });
    if (!listed) continue;
    auto changed = std::make_shared<ObserverList>(*observers);
    std::erase_if(*changed, [token](const Observer& o) { return o.token == token; });
    auto table = std::make_shared<ObserversByName>(*observersByName_);
    (*table)[name] = std::move(changed);
    publish(std::move(table));
    return;
  }
}

void NotificationCenter::postNotificationName(std::string_view name, const EventObject& object) {
  // Handlers run from the table as it was when the post began, outside any
  // lock, so that they may post or subscribe. A thread keeps the table it
  // posted through last until a change anywhere gives this center a new
  // version; a post that begins after a change has returned sees it. Posts
  // made from inside a handler take the table under the lock instead, so
  // that the one being walked stays put.
  struct Depth {
    Depth() { ++postingDepth; }
    ~Depth() { --postingDepth; }
  };
  const auto listFor = [name](const ObserversByName& table) -> const ObserverList* {
    const auto found = table.find(name);
    return found == table.end() ? nullptr : found->second.get();
  };
  std::shared_ptr<const ObserversByName> held;
  const ObserverList* observers = nullptr;
  if (postingDepth == 0) {
    PostingCache& cache = postingCache;
    const std::uint64_t version = version_.load(std::memory_order_acquire);
    if (cache.version != version) {
      cache.table = current();
      cache.version = version;
      cache.found.fill({});
    }
    const auto known = std::find_if(cache.found.begin(), cache.found.end(),
                                    [&](const auto& f) { return f.used && f.name == name; });
    if (known != cache.found.end()) {
      observers = static_cast<const ObserverList*>(known->observers);
    } else {
      observers = listFor(*static_cast<const ObserversByName*>(cache.table.get()));
      cache.found[cache.nextFound] = {true, std::string(name), observers};
      cache.nextFound = (cache.nextFound + 1) % cache.found.size();
    }
  } else {
    held = current();
    observers = listFor(*held);
  }
  if (observers == nullptr) return;
  const Depth depth;
  for (const Observer& observer : *observers) observer.handler(object);
}

}  // namespace orvane
