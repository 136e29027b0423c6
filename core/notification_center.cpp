#include "core/notification_center.h"

#include <algorithm>

namespace orvane {

NotificationCenter::Token NotificationCenter::addObserver(std::string name, Handler handler) {
  std::lock_guard lock(mutex_);
  const Token token = nextToken_++;
  auto& current = observersByName_[std::move(name)];
  auto changed =
      current ? std::make_shared<ObserverList>(*current) : std::make_shared<ObserverList>();
  changed->push_back({token, std::move(handler)});
  current = std::move(changed);
  return token;
}

void NotificationCenter::removeObserver(Token token) {
  std::lock_guard lock(mutex_);
  for (auto& [name, current] : observersByName_) {
    const bool listed = std::any_of(current->begin(), current->end(),
                                    [token](const Observer& o) { return o.token == token; });
    if (!listed) continue;
    auto changed = std::make_shared<ObserverList>(*current);
    std::erase_if(*changed, [token](const Observer& o) { return o.token == token; });
    current = std::move(changed);
    return;
  }
}

void NotificationCenter::postNotificationName(std::string_view name, const EventObject& object) {
  // Handlers run outside the lock so that they may post or subscribe; the
  // list they run from stays as it was when the post began.
  std::shared_ptr<const ObserverList> observers;
  {
    std::lock_guard lock(mutex_);
    const auto found = observersByName_.find(name);
    if (found == observersByName_.end()) return;
    observers = found->second;
  }
  for (const Observer& observer : *observers) observer.handler(object);
}

}  // namespace orvane
