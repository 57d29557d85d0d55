#include "Analytics/Engine/APMEngineHooks.h"

#include <atomic>
#include <mutex>

#include "Analytics/Storage/Config/APMRemoteConfig.h"

namespace {

struct Hooks {
  std::mutex mu;
  APMEngineHooks::InternalEventLogger logger;
  std::function<std::shared_ptr<APMRemoteConfig>()> remoteConfig;
  std::shared_ptr<APMRemoteConfig> defaultConfig;
  std::function<bool()> appActive;
  APMEngineHooks::StartHandler start;
  std::atomic<bool> applicationSupport{false};
};

Hooks& Shared() {
  static Hooks* hooks = new Hooks;
  return *hooks;
}

}  // namespace

void APMEngineHooks::setInternalEventLogger(InternalEventLogger logger) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().logger = std::move(logger);
}

void APMEngineHooks::logInternalEvent(const std::string& origin, const std::string& name,
                                      const APMEvent::Parameters& parameters) {
  InternalEventLogger logger;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    logger = Shared().logger;
  }
  if (logger) logger(origin, name, parameters);
}

void APMEngineHooks::setRemoteConfigProvider(std::function<std::shared_ptr<APMRemoteConfig>()> provider) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().remoteConfig = std::move(provider);
}

std::shared_ptr<APMRemoteConfig> APMEngineHooks::remoteConfig() {
  std::function<std::shared_ptr<APMRemoteConfig>()> provider;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    provider = Shared().remoteConfig;
    if (!provider) {
      if (!Shared().defaultConfig) Shared().defaultConfig = std::make_shared<APMRemoteConfig>();
      return Shared().defaultConfig;
    }
  }
  return provider();
}

bool APMEngineHooks::hasRemoteConfigProvider() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  return static_cast<bool>(Shared().remoteConfig);
}

void APMEngineHooks::setAppActiveProvider(std::function<bool()> provider) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().appActive = std::move(provider);
}

bool APMEngineHooks::isAppActive() {
  std::function<bool()> provider;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    provider = Shared().appActive;
  }
  return provider ? provider() : false;
}

void APMEngineHooks::setPersistentConfigInApplicationSupportEnabled(bool enabled) {
  Shared().applicationSupport = enabled;
}

bool APMEngineHooks::persistentConfigInApplicationSupportEnabled() { return Shared().applicationSupport.load(); }

void APMEngineHooks::setStartHandler(StartHandler handler) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().start = std::move(handler);
}

bool APMEngineHooks::start(const std::string& appID, bool collectionEnabled) {
  StartHandler handler;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    handler = Shared().start;
  }
  if (!handler) return false;
  handler(appID, collectionEnabled);
  return true;
}

void APMEngineHooks::reset() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().logger = nullptr;
  Shared().remoteConfig = nullptr;
  Shared().defaultConfig.reset();
  Shared().appActive = nullptr;
  Shared().start = nullptr;
  Shared().applicationSupport = false;
}
