#include "core/notification_center.h"

#include <algorithm>

namespace orvane {

NotificationCenter::Token NotificationCenter::addObserver(std::string name, Handler handler) {
  auto observer = std::make_shared<Observer>();
  observer->handler = std::move(handler);
  std::lock_guard lock(mutex_);
  observer->token = nextToken_++;
  auto& list = observersByName_[std::move(name)];
  auto changed = list ? std::make_shared<ObserverList>(*list) : std::make_shared<ObserverList>();
  changed->push_back(std::move(observer));
  list = std::move(changed);
  return nextToken_ - 1;
}

void NotificationCenter::removeObserver(Token token) {
  std::shared_ptr<Observer> removed;
  {
    std::lock_guard lock(mutex_);
    for (auto& [name, list] : observersByName_) {
      const auto found = std::find_if(list->begin(), list->end(),
                                      [token](const auto& o) { return o->token == token; });
      if (found == list->end()) continue;
      removed = *found;
      auto changed = std::make_shared<ObserverList>(*list);
      changed->erase(changed->begin() + (found - list->begin()));
      list = std::move(changed);
      break;
    }
  }
  if (!removed) return;
  // A post that took its snapshot before the change may be calling the
  // handler now: wait for that call, and stop every later one.
  std::lock_guard calling(removed->calling);
  removed->removed = true;
}

void NotificationCenter::postNotificationName(std::string_view name, const EventObject& object) {
  std::shared_ptr<const ObserverList> snapshot;
  {
    std::lock_guard lock(mutex_);
    const auto found = observersByName_.find(name);
    if (found == observersByName_.end()) return;
    snapshot = found->second;
  }
  for (const auto& observer : *snapshot) {
    std::lock_guard calling(observer->calling);
    if (!observer->removed) observer->handler(object);
  }
}

}  // namespace orvane
