#include "core/notification_center.h"

#include <algorithm>

namespace orvane {

NotificationCenter::Token NotificationCenter::addObserver(std::string name, Handler handler) {
  auto observer = std::make_shared<Observer>();
  observer->handler = std::move(handler);
  std::lock_guard lock(mutex_);
  observer->token = nextToken_++;
  forgetRecentLookups();
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
    forgetRecentLookups();
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
    snapshot = lookUp(name).list;
    if (!snapshot) return;
  }
  for (const auto& observer : *snapshot) {
    std::lock_guard calling(observer->calling);
    if (!observer->removed) observer->handler(object);
  }
}

const NotificationCenter::RecentLookup& NotificationCenter::lookUp(std::string_view name) {
  for (const RecentLookup& recent : recent_) {
    if (recent.used && recent.name == name) return recent;
  }
  RecentLookup& slot = recent_[nextRecent_++ % recent_.size()];
  const auto found = observersByName_.find(name);
  slot.used = true;
  slot.name.assign(name);  // into the slot's own buffer, once it is large enough
  slot.list = found != observersByName_.end() ? found->second : nullptr;
  return slot;
}

void NotificationCenter::forgetRecentLookups() {
  for (RecentLookup& recent : recent_) {
    recent.used = false;
    recent.list.reset();
  }
}

}  // namespace orvane
