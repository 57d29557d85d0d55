#include "Analytics/Engine/Monitor/APMEMonitor.h"

#include "Analytics/Engine/Monitor/APMMonitor.h"

void APMEMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message) {
  monitor_.logWithLevel(level, messageCode, message);
}

void APMEMonitor::logWithLevel(int64_t level, int64_t messageCode, std::string_view message,
                               const APMLogContext& context) {
  monitor_.logWithLevel(level, messageCode, message, context);
}
