// What the measurement monitor logged, for the engine tests. Console levels
// (0, 1, 3, 4, 6 to 8) print "<tag>[I-ACS0NNNNN] text"; levels 2 and 5 reach
// only the health record, which keeps the latest line, so check those right
// after the call that logs.
#pragma once

#include <cstdio>
#include <string>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Log.h"

namespace monitor_lines {

// A console line of the code since the capture was last cleared.
inline bool Logged(const platform::LogCapture& capture, int code) {
  APMMeasurementMonitor().waitForPendingWork();
  char tag[16];
  std::snprintf(tag, sizeof tag, "I-ACS%06d", code);
  return capture.contains(tag);
}

// The health record's latest line contains the message. Clears the record.
inline bool Monitored(const std::string& message) {
  APMMeasurementMonitor().waitForPendingWork();
  auto record = APMMeasurementMonitor().sampledDataForTesting();
  APMMeasurementMonitor().clearMonitoringData();
  return record && record->description().find(message) != std::string::npos;
}

// Forgets the console lines and the health record.
inline void Forget(platform::LogCapture& capture) {
  APMMeasurementMonitor().waitForPendingWork();
  capture.clear();
  APMMeasurementMonitor().clearMonitoringData();
}

}  // namespace monitor_lines
