#include "Analytics/Engine/Monitor/APMEMonitor.h"

#include <atomic>
#include <mutex>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

namespace {

std::atomic<bool> gObserved{false};

std::mutex& ObserverMutex() {
  static auto* mu = new std::mutex;
  return *mu;
}

APMEMonitor::Observer& CurrentObserver() {
  static auto* observer = new APMEMonitor::Observer;
  return *observer;
}

}  // namespace

void APMEMonitor::setObserverForTesting(Observer observer) {
  std::lock_guard<std::mutex> lock(ObserverMutex());
  gObserved = static_cast<bool>(observer);
  CurrentObserver() = std::move(observer);
}

bool APMEMonitor::Observe(int64_t level, int64_t messageCode) const {
  if (gObserved.load(std::memory_order_relaxed)) {
    Observer observer;
    {
      std::lock_guard<std::mutex> lock(ObserverMutex());
      observer = CurrentObserver();
    }
    if (observer) observer(level, messageCode);
  }
  // Verbose lines (the flag lookups' trail) are dropped here while verbose
  // logging is off, before the monitor gathers their contexts.
  return level < kVerboseLevel || monitor_.isVerboseLoggingEnabled();
}

APMEMonitor& APMEMonitor::sharedMonitor() {
  static APMEMonitor* shared = new APMEMonitor(APMMeasurementMonitor());
  return *shared;
}

void APMEMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message) {
  if (!Observe(level, messageCode)) return;
  monitor_.logWithLevel(level, messageCode, message);
}

void APMEMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                               const APMLogContext& context) {
  if (!Observe(level, messageCode)) return;
  monitor_.logWithLevel(level, messageCode, message, context);
}

void APMEMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                               const APMLogContext& context1, const APMLogContext& context2) {
  if (!Observe(level, messageCode)) return;
  monitor_.logWithLevel(level, messageCode, message, context1, context2);
}

void APMEMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                               const APMLogContext& context1, const APMLogContext& context2,
                               const APMLogContext& context3) {
  if (!Observe(level, messageCode)) return;
  monitor_.logWithLevel(level, messageCode, message, context1, context2, context3);
}

void APMEMonitor::clearMonitoringData() { monitor_.clearMonitoringData(); }
