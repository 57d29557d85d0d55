#include "Platform/Runtime/ProcessInfo.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

namespace platform {

struct ProcessInfo::State {
  mutable std::mutex mu;
  bool loaded = false;
  std::vector<std::string> arguments;
  std::map<std::string, std::optional<std::string>, std::less<>> overrides;

  void loadLocked() {
    if (loaded) return;
    loaded = true;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < all.size()) {
      size_t end = all.find('\0', start);
      if (end == std::string::npos) end = all.size();
      arguments.push_back(all.substr(start, end - start));
      start = end + 1;
    }
  }
};

ProcessInfo::ProcessInfo() : state_(std::make_unique<State>()) {}
ProcessInfo::~ProcessInfo() = default;

ProcessInfo& ProcessInfo::processInfo() {
  static ProcessInfo* shared = new ProcessInfo();
  return *shared;
}

std::vector<std::string> ProcessInfo::arguments() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->loadLocked();
  return state_->arguments;
}

bool ProcessInfo::hasArgument(std::string_view argument) const {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->loadLocked();
  return std::find(state_->arguments.begin(), state_->arguments.end(), argument) !=
         state_->arguments.end();
}

std::optional<std::string> ProcessInfo::environmentValue(std::string_view name) const {
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    auto it = state_->overrides.find(name);
    if (it != state_->overrides.end()) return it->second;
  }
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void ProcessInfo::setArgumentsForTesting(std::vector<std::string> arguments) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->loaded = true;
  state_->arguments = std::move(arguments);
}

void ProcessInfo::setEnvironmentValueForTesting(std::string name, std::optional<std::string> value) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->overrides[std::move(name)] = std::move(value);
}

void ProcessInfo::resetForTesting() {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->loaded = false;
  state_->arguments.clear();
  state_->overrides.clear();
}

}  // namespace platform
