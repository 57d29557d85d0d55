#include "Analytics/Interpreter/APMPMonitorAdapter.h"

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

void APMPMonitorLog(int64_t level, int64_t messageCode, const std::string& message,
                    const std::vector<std::string>& contexts) {
  std::vector<APMLogContext> logContexts(contexts.begin(), contexts.end());
  APMMeasurementMonitor().logWithLevel(level, messageCode, message, logContexts);
}
