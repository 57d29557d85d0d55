// Named notifications with a string-keyed user-info (a Value dictionary).
//
// post() delivers synchronously, on the posting thread, to the observers of
// that name in registration order. Observers added during a post are not
// called by it; observers removed during a post are not called after their
// removal. Delivery holds no lock, so observers may post or (un)register.
#pragma once

#include <any>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/Value.h"

namespace platform {

using NotificationUserInfo = Value::Dictionary;

struct Notification {
  std::string name;
  NotificationUserInfo userInfo;
  // The posting object when the poster names one (e.g. the window that
  // resigned key, as a shared_ptr of its own type); empty otherwise.
  std::any object{};
};

class NotificationCenter {
 public:
  using Observer = std::function<void(const Notification&)>;
  // Identifies one registration; 0 is never handed out.
  using Token = std::uint64_t;

  static NotificationCenter& defaultCenter();
  NotificationCenter() = default;
  NotificationCenter(const NotificationCenter&) = delete;
  NotificationCenter& operator=(const NotificationCenter&) = delete;

  Token addObserver(std::string name, Observer observer);
  // Unknown or already removed tokens are ignored.
  void removeObserver(Token token);
  void post(const std::string& name, NotificationUserInfo userInfo = {});
  void post(const Notification& notification);

 private:
  struct Entry {
    Token token;
    std::string name;
    std::shared_ptr<Observer> observer;
    std::shared_ptr<std::atomic<bool>> live;
  };
  std::mutex mu_;
  std::vector<Entry> entries_;
  Token nextToken_ = 1;
};

}  // namespace platform
