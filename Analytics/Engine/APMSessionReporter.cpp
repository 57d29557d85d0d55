#include "Analytics/Engine/APMSessionReporter.h"

#include <cmath>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"

APMSessionReporter::APMSessionReporter(std::shared_ptr<APMPersistedConfig> persistedConfig)
    : persistedConfig_(std::move(persistedConfig)),
      timeoutSessionInterval_(APMEngineHooks::remoteConfig()->sessionDefaultTimeoutInterval()) {}

void APMSessionReporter::setTimeoutSessionInterval(double seconds) {
  if (seconds < 0) {
    APMMeasurementMonitor().logWithLevel(3, 33001, "Received negative timeout session duration. Setting to 0.0 instead.");
    seconds = 0;
  }
  timeoutSessionInterval_ = seconds;
}

bool APMSessionReporter::isSessionExpired() const {
  double last = persistedConfig_->lastSessionActivityClockTime();
  return std::fabs(platform::Clock::nowSeconds() - last) > timeoutSessionInterval_.load();
}

bool APMSessionReporter::extendSession() {
  if (isSessionExpired()) return false;
  persistedConfig_->setLastSessionActivityClockTime(platform::Clock::nowSeconds());
  return true;
}

void APMSessionReporter::updatePropertiesForNewSessionStart() {
  persistedConfig_->setSessionNumber(persistedConfig_->sessionNumber() + 1);
  persistedConfig_->setLastSessionActivityClockTime(platform::Clock::nowSeconds());
}
