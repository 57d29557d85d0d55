#include "Analytics/Engine/Monitor/APMEManager.h"

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"

APMEMonitor& APMEManager::monitor() {
  static APMEMonitor* shared = new APMEMonitor(APMMeasurementMonitor());
  return *shared;
}
