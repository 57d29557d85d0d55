#include "Analytics/Engine/APMEngineHooks.h"

#include <atomic>
#include <mutex>

#include "Analytics/Engine/APMScreenViewReporter.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"

namespace {

struct Hooks {
  std::mutex mu;
  APMEngineHooks::InternalEventLogger logger;
  APMEngineHooks::TimedInternalEventLogger timedLogger;
  APMEngineHooks::PurchaseFingerprintsForgetter forgetPurchaseFingerprints;
  std::function<std::shared_ptr<APMRemoteConfig>()> remoteConfig;
  std::function<void()> resetAnalyticsData;
  int resetAnalyticsDataCalls = 0;
  APMEngineHooks::UserPropertyHandler userProperty;
  std::vector<std::pair<std::optional<std::string>, std::string>> userPropertyCalls;
  std::function<bool()> appActive;
  std::atomic<bool> applicationSupport{false};
  std::atomic<bool> automaticScreenReporting{false};
  std::atomic<bool> engineExists{false};
  std::atomic<bool> engineInitialized{false};
  std::atomic<bool> engineEnabled{false};
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

void APMEngineHooks::setTimedInternalEventLogger(TimedInternalEventLogger logger) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().timedLogger = std::move(logger);
}

void APMEngineHooks::logInternalEvent(const std::string& origin, const std::string& name, double timestamp,
                                      const APMEvent::Parameters& parameters) {
  TimedInternalEventLogger timedLogger;
  InternalEventLogger logger;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    timedLogger = Shared().timedLogger;
    logger = Shared().logger;
  }
  if (timedLogger) {
    timedLogger(origin, name, timestamp, parameters);
  } else if (logger) {
    logger(origin, name, parameters);
  }
}

void APMEngineHooks::setPurchaseFingerprintsForgetter(PurchaseFingerprintsForgetter forgetter) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().forgetPurchaseFingerprints = std::move(forgetter);
}

bool APMEngineHooks::forgetPurchaseFingerprints(const std::vector<std::string>& fingerprints) {
  PurchaseFingerprintsForgetter forgetter;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    forgetter = Shared().forgetPurchaseFingerprints;
  }
  if (!forgetter) return false;
  forgetter(fingerprints);
  return true;
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
  }
  if (!provider) return APMRemoteConfig::defaultInstance();
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
  return provider ? provider() : APMScreenViewReporter::sharedInstance()->isAppActive();
}

void APMEngineHooks::setAutomaticScreenReportingEnabled(bool enabled) {
  Shared().automaticScreenReporting = enabled;
}

bool APMEngineHooks::automaticScreenReportingEnabled() { return Shared().automaticScreenReporting.load(); }

void APMEngineHooks::setPersistentConfigInApplicationSupportEnabled(bool enabled) {
  Shared().applicationSupport = enabled;
}

bool APMEngineHooks::persistentConfigInApplicationSupportEnabled() { return Shared().applicationSupport.load(); }

void APMEngineHooks::setEngineState(EngineState state) {
  Shared().engineInitialized = state.componentsInitialized;
  Shared().engineEnabled = state.enabled;
  Shared().engineExists = state.exists;
}

APMEngineHooks::EngineState APMEngineHooks::engineState() {
  return EngineState{Shared().engineExists.load(), Shared().engineInitialized.load(), Shared().engineEnabled.load()};
}

bool APMEngineHooks::engineExists() { return Shared().engineExists.load(); }

bool APMEngineHooks::engineHasInitializedComponents() {
  return Shared().engineExists.load() && Shared().engineInitialized.load();
}

bool APMEngineHooks::engineIsEnabled() { return Shared().engineExists.load() && Shared().engineEnabled.load(); }

void APMEngineHooks::setResetAnalyticsDataHandler(std::function<void()> handler) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().resetAnalyticsData = std::move(handler);
}

void APMEngineHooks::resetAnalyticsData() {
  std::function<void()> handler;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    ++Shared().resetAnalyticsDataCalls;
    handler = Shared().resetAnalyticsData;
  }
  if (handler) handler();
}

int APMEngineHooks::resetAnalyticsDataCallCount() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  return Shared().resetAnalyticsDataCalls;
}

void APMEngineHooks::setUserPropertyStringHandler(UserPropertyHandler handler) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().userProperty = std::move(handler);
}

void APMEngineHooks::setUserPropertyString(const std::optional<std::string>& value, const std::string& name) {
  UserPropertyHandler handler;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    Shared().userPropertyCalls.emplace_back(value, name);
    handler = Shared().userProperty;
  }
  if (handler) handler(value, name);
}

std::vector<std::pair<std::optional<std::string>, std::string>> APMEngineHooks::userPropertyStringCalls() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  return Shared().userPropertyCalls;
}

void APMEngineHooks::reset() {
  APMRemoteConfig::defaultInstance()->reset();
  // The app state starts over with a reporter made on next use.
  APMScreenViewReporter::setSharedInstanceForTesting(nullptr);
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().logger = nullptr;
  Shared().timedLogger = nullptr;
  Shared().forgetPurchaseFingerprints = nullptr;
  Shared().remoteConfig = nullptr;
  Shared().resetAnalyticsData = nullptr;
  Shared().resetAnalyticsDataCalls = 0;
  Shared().userProperty = nullptr;
  Shared().userPropertyCalls.clear();
  Shared().engineExists = false;
  Shared().engineInitialized = false;
  Shared().engineEnabled = false;
  Shared().appActive = nullptr;
  Shared().applicationSupport = false;
  Shared().automaticScreenReporting = false;
}
