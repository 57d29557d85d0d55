// What the fetch scheduler asks and tells its owner (the experiments
// manager). Calls come on the experiments worker queue.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Storage/Experiments/APMESnapshot.h"

class APMETaskManager;

class APMETaskManagerDelegate {
 public:
  virtual ~APMETaskManagerDelegate() = default;
  // Whether the next scheduled fetch goes out or is postponed; fetches by default.
  virtual bool taskManagerShouldFetchExperiments(APMETaskManager& taskManager);
  // The stored snapshots once the start-up expiry and automatic activation ran.
  virtual void taskManagerDidStartWithActivatedSnapshots(APMETaskManager& taskManager,
                                                         const std::vector<APMESnapshot>& activated,
                                                         const std::vector<APMESnapshot>& pending,
                                                         const std::vector<APMESnapshot>& launched);
  // The snapshots of a successful answer and its per-SDK errors.
  virtual void taskManagerDidFinishFetchingExperimentSnapshots(APMETaskManager& taskManager,
                                                               const std::vector<APMESnapshot>& snapshots,
                                                               const std::map<std::string, APMError>& errors);
  // Snapshots stored for manual activation.
  virtual void taskManagerDidUpsertPendingSnapshots(APMETaskManager& taskManager,
                                                    const std::vector<APMESnapshot>& snapshots);
};
