// The experiments module's logging object: forwards each call unchanged to
// the measurement engine's monitor.
#pragma once

#include <cstdint>
#include <string_view>

#include "Analytics/Engine/Monitor/APMLogContext.h"

class APMMonitor;

class APMEMonitor {
 public:
  explicit APMEMonitor(APMMonitor& monitor) : monitor_(monitor) {}

  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message);
  void logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                    const APMLogContext& context);

 private:
  APMMonitor& monitor_;
};
