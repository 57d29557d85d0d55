#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"

#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Clock.h"

namespace {

// The clock comes first so that it outlives the monitor, whose queue reads it
// until the monitor's destruction at exit has written the last queued lines.
APMMonitor& MakeShared() {
  platform::Clock::currentShared();
  static APMMonitor monitor(kAPMMeasurementLibraryVersion);
  return monitor;
}

}  // namespace

APMMonitor& APMMeasurementMonitor() {
  static APMMonitor& shared = MakeShared();
  return shared;
}
