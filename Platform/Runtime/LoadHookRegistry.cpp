#include "Platform/Runtime/LoadHookRegistry.h"

#include <mutex>

namespace platform {

struct LoadHookRegistry::State {
  struct Entry {
    std::string name;
    Hook hook;
    bool ran = false;
  };
  mutable std::mutex mu;
  std::vector<Entry> entries;
};

LoadHookRegistry::LoadHookRegistry() : state_(std::make_unique<State>()) {}
LoadHookRegistry::~LoadHookRegistry() = default;

LoadHookRegistry& LoadHookRegistry::shared() {
  // Leaked and made on first use, so registrars in any translation unit can
  // reach it during static initialisation.
  static LoadHookRegistry* registry = new LoadHookRegistry();
  return *registry;
}

void LoadHookRegistry::add(std::string name, Hook hook) {
  if (!hook) return;
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->entries.push_back({std::move(name), std::move(hook), false});
}

std::size_t LoadHookRegistry::runPending() {
  std::size_t ran = 0;
  for (;;) {
    Hook next;
    {
      std::lock_guard<std::mutex> lock(state_->mu);
      for (auto& entry : state_->entries) {
        if (entry.ran) continue;
        entry.ran = true;  // before running: a hook that launches again must not re-enter itself
        next = entry.hook;
        break;
      }
    }
    if (!next) return ran;
    next();
    ++ran;
  }
}

std::vector<std::string> LoadHookRegistry::names() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  std::vector<std::string> out;
  for (const auto& entry : state_->entries) out.push_back(entry.name);
  return out;
}

std::vector<std::string> LoadHookRegistry::namesRun() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  std::vector<std::string> out;
  for (const auto& entry : state_->entries) {
    if (entry.ran) out.push_back(entry.name);
  }
  return out;
}

void LoadHookRegistry::markAllPending() {
  std::lock_guard<std::mutex> lock(state_->mu);
  for (auto& entry : state_->entries) entry.ran = false;
}

}  // namespace platform
