#include "Platform/UIKit/BackgroundTasks.h"

#include <algorithm>

#include "Platform/Foundation/Log.h"

namespace uikit {

BackgroundTaskIdentifier BackgroundTasks::begin(std::string name, std::function<void()> expiryHandler) {
  std::lock_guard<std::mutex> lock(mu_);
  BackgroundTaskIdentifier id = next_++;
  tasks_.push_back({{id, std::move(name)}, std::move(expiryHandler)});
  return id;
}

bool BackgroundTasks::end(BackgroundTaskIdentifier identifier) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = std::find_if(tasks_.begin(), tasks_.end(),
                           [&](const Entry& e) { return e.task.identifier == identifier; });
    if (it != tasks_.end()) {
      tasks_.erase(it);
      return true;
    }
  }
  platform::LogWarning("Background task " + std::to_string(identifier) + " is not held; end ignored");
  return false;
}

std::vector<BackgroundTasks::Task> BackgroundTasks::held() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<Task> out;
  for (const auto& e : tasks_) out.push_back(e.task);
  return out;
}

std::size_t BackgroundTasks::expireAll() {
  std::vector<BackgroundTaskIdentifier> ids;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (const auto& e : tasks_) ids.push_back(e.task.identifier);
  }
  std::size_t expired = 0;
  for (BackgroundTaskIdentifier id : ids) {
    auto find = [&] {
      return std::find_if(tasks_.begin(), tasks_.end(), [&](const Entry& e) { return e.task.identifier == id; });
    };
    std::function<void()> handler;
    {
      std::lock_guard<std::mutex> lock(mu_);
      auto it = find();
      if (it == tasks_.end()) continue;  // an earlier handler ended it
      handler = it->expiryHandler;
    }
    ++expired;
    if (handler) handler();
    bool stillHeld = false;
    std::string name;
    {
      std::lock_guard<std::mutex> lock(mu_);
      auto it = find();
      if (it != tasks_.end()) {
        stillHeld = true;
        name = it->task.name;
        tasks_.erase(it);
      }
    }
    if (stillHeld) {
      platform::LogWarning("Background task \"" + name + "\" (" + std::to_string(id) +
                           ") was not ended by its expiry handler; ending it");
    }
  }
  return expired;
}

}  // namespace uikit
