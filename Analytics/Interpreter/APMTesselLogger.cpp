#include "Analytics/Interpreter/APMTesselLogger.h"

#include "Analytics/Interpreter/APMPMonitorAdapter.h"

APMTesselLogger::APMTesselLogger() : sink_(&APMPMonitorLog) {}

int64_t APMTesselLogger::monitorLevel(int64_t level, bool silent, bool monitored) {
  switch (level) {
    case 2: return 8;
    case 3: return 7;
    case 5: return silent ? 5 : monitored ? 4 : 3;
    case 6: return silent ? 2 : monitored ? 1 : 0;
    default: return 6;
  }
}

void APMTesselLogger::logWithLevel(int64_t level, const std::string& message, const std::vector<std::string>& context,
                                   bool silent, bool monitored) {
  if (sink_) sink_(monitorLevel(level, silent, monitored), kMessageCode, message, context);
}
