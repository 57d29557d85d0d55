#include "Platform/Runtime/ClassRegistry.h"

#include <map>
#include <mutex>

#include "Platform/Foundation/UserActivity.h"

namespace platform {

struct ClassRegistry::State {
  mutable std::mutex mu;
  std::map<std::string, Factory, std::less<>> classes;
};

ClassRegistry::ClassRegistry() : state_(std::make_unique<State>()) {}
ClassRegistry::~ClassRegistry() = default;

ClassRegistry& ClassRegistry::shared() {
  static ClassRegistry* registry = [] {
    auto* made = new ClassRegistry();
    // The platform's own classes that callers look up by name.
    made->registerClass(kUserActivityClassName, [] { return std::any(UserActivity{}); });
    return made;
  }();
  return *registry;
}

void ClassRegistry::registerClass(std::string name, Factory factory) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->classes[std::move(name)] = std::move(factory);
}

void ClassRegistry::unregisterClass(std::string_view name) {
  std::lock_guard<std::mutex> lock(state_->mu);
  auto it = state_->classes.find(name);
  if (it != state_->classes.end()) state_->classes.erase(it);
}

bool ClassRegistry::classExists(std::string_view name) const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->classes.find(name) != state_->classes.end();
}

std::optional<std::any> ClassRegistry::instantiate(std::string_view name) const {
  Factory factory;
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    auto it = state_->classes.find(name);
    if (it == state_->classes.end() || !it->second) return std::nullopt;
    factory = it->second;
  }
  return factory();
}

}  // namespace platform
