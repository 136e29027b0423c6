#include "core/notification_center.h"

#include <algorithm>

namespace orvane {

NotificationCenter::Token NotificationCenter::addObserver(std::string name, Handler handler) {
  std::lock_guard lock(mutex_);
  const Token token = nextToken_++;
  observers_.push_back({token, std::move(name), std::make_shared<Handler>(std::move(handler))});
  return token;
}

void NotificationCenter::removeObserver(Token token) {
  std::lock_guard lock(mutex_);
  std::erase_if(observers_, [token](const Observer& o) { return o.token == token; });
}

void NotificationCenter::postNotificationName(std::string_view name, const EventObject& object) {
  // Handlers run outside the lock so that they may post or subscribe.
  std::vector<std::shared_ptr<Handler>> matching;
  {
    std::lock_guard lock(mutex_);
    for (const Observer& o : observers_) {
      if (o.name == name) matching.push_back(o.handler);
    }
  }
  for (const auto& handler : matching) (*handler)(object);
}

}  // namespace orvane
