#include "Platform/Foundation/NotificationCenter.h"

#include <utility>

namespace platform {

NotificationCenter& NotificationCenter::defaultCenter() {
  // Leaked: observers may be removed while statics are destroyed.
  static NotificationCenter* center = new NotificationCenter();
  return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(std::string name, Observer observer) {
  std::lock_guard<std::mutex> lock(mu_);
  const Token token = nextToken_++;
  entries_.push_back({token, std::move(name), std::make_shared<Observer>(std::move(observer)),
                      std::make_shared<std::atomic<bool>>(true)});
  return token;
}

void NotificationCenter::removeObserver(Token token) {
  std::shared_ptr<Observer> dropped;  // released outside the lock
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->token == token) {
      it->live->store(false);
      dropped = std::move(it->observer);
      entries_.erase(it);
      return;
    }
  }
}

void NotificationCenter::post(const std::string& name, NotificationUserInfo userInfo) {
  post(Notification{name, std::move(userInfo), {}});
}

void NotificationCenter::post(const Notification& notification) {
  std::vector<Entry> targets;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (const Entry& e : entries_) {
      if (e.name == notification.name) targets.push_back(e);
    }
  }
  for (const Entry& e : targets) {
    if (e.live->load() && *e.observer) (*e.observer)(notification);
  }
}

}  // namespace platform
