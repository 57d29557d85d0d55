// First open, app and system updates, stored campaigns, session starts, and
// the lifecycle: background tasks, reset and wipe.
#include "Analytics/Engine/APMMeasurement.h"

#include "Analytics/Engine/APMSessionReporter.h"

void APMMeasurement::reportFirstOpenOnWorkerQueue() { recordCall("reportFirstOpenOnWorkerQueue"); }

void APMMeasurement::reportAppUpdateOnWorkerQueue() { recordCall("reportAppUpdateOnWorkerQueue"); }

void APMMeasurement::reportOSUpdateOnWorkerQueue() { recordCall("reportOSUpdateOnWorkerQueue"); }

void APMMeasurement::reportStoredCampaignEventOnWorkerQueue(std::optional<int64_t>) {
  recordCall("reportStoredCampaignEventOnWorkerQueue");
}

void APMMeasurement::reportSessionStartOnWorkerQueueWithTimestamp(double, bool) {
  recordCall("reportSessionStartOnWorkerQueueWithTimestamp");
  if (sessionReporter_ && sessionReporter_->isSessionExpired()) sessionReporter_->updatePropertiesForNewSessionStart();
}

void APMMeasurement::backfillSessionNumber() { recordCall("backfillSessionNumber"); }

bool APMMeasurement::wipeoutAnalyticsDataAndResetComponents() {
  recordCall("wipeoutAnalyticsDataAndResetComponents");
  return true;
}

void APMMeasurement::subscribeForAppForegroundBackgroundNotifications() {
  recordCall("subscribeForAppForegroundBackgroundNotifications");
}

void APMMeasurement::swapBackgroundTaskWithNewTaskID(APMBackgroundTaskIdentifier taskID) {
  backgroundUpdateTask_ = taskID;
}

void APMMeasurement::terminateBackgroundTask() {
  recordCall("terminateBackgroundTask");
  backgroundUpdateTask_ = kAPMBackgroundTaskInvalid;
}
