// The experiments module's logging object: forwards each call unchanged to
// the measurement engine's monitor.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "Analytics/Engine/Monitor/APMLogContext.h"

class APMMonitor;

class APMEMonitor {
 public:
  explicit APMEMonitor(APMMonitor& monitor) : monitor_(monitor) {}

  // The one instance of the process, made on first use around the engine's
  // monitor. Code below the engine (the message layer) reaches it here.
  static APMEMonitor& sharedMonitor();

  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message);
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                    const APMLogContext& context);
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                    const APMLogContext& context1, const APMLogContext& context2);
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                    const APMLogContext& context1, const APMLogContext& context2,
                    const APMLogContext& context3);
  void clearMonitoringData();

  // Tests: sees the level and code of every line before it is forwarded,
  // whatever the monitor then keeps of it. Empty removes it.
  using Observer = std::function<void(int64_t level, int64_t messageCode)>;
  static void setObserverForTesting(Observer observer);

 private:
  static constexpr int64_t kVerboseLevel = 8;
  // False when the line is not to be forwarded.
  bool Observe(int64_t level, int64_t messageCode) const;

  APMMonitor& monitor_;
};
