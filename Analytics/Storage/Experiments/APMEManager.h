// The process-wide owner of the experiments model: registers SDKs (each gets
// an APMEClient), keeps every SDK's activated, pending and launched snapshot,
// answers flag lookups (activated value, then launched, then the registered
// default), activates pending snapshots on request and is the delegate of
// the fetch scheduler. Its state lives on one serial queue: lookups wait for
// it, registration and the scheduler's reports are queued; blocks that
// outlive a call hold the manager weakly.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Protobuf/APMPBObject.h"
#include "Analytics/Storage/Experiments/APMESnapshot.h"
#include "Analytics/Storage/Experiments/APMETaskManagerDelegate.h"

class APMEClient;
class APMEMonitor;
class APMESDKProperty;
class APMETaskManager;
namespace platform {
class DispatchQueue;
}

class APMEManager : public APMETaskManagerDelegate, public std::enable_shared_from_this<APMEManager> {
 public:
  static constexpr const char* kQueueLabel = "APMEExperimentSerialQueue";
  // Activated snapshots further than this from now are stale.
  static constexpr double kStaleInterval = 259200;

  // Made once with a default task manager, which it then starts.
  static std::shared_ptr<APMEManager> sharedInstance();
  // Every log line of the module goes through this one object.
  static APMEMonitor& monitor();
  // The module version sent with every fetch (10000).
  static int64_t version();

  // Becomes the task manager's delegate; does not start it.
  static std::shared_ptr<APMEManager> initWithTaskManager(std::shared_ptr<APMETaskManager> taskManager);
  ~APMEManager() override;
  APMEManager(const APMEManager&) = delete;
  APMEManager& operator=(const APMEManager&) = delete;

  // The client at once; the registration itself is queued (a lookup right
  // after may still find the SDK unknown). None (logged) without a property
  // or name (800000, 800001) or with a default that is neither text nor a
  // number (800002).
  std::shared_ptr<APMEClient> registerSDKProperty(const std::shared_ptr<APMESDKProperty>& property,
                                                  const std::map<std::string, APMPBObject>& defaultFlags);
  std::shared_ptr<APMEClient> clientForSDKName(std::string_view SDKName);
  // Experiment IDs of the activated snapshots of SDKs without a diversion
  // key of their own, ascending.
  std::vector<int64_t> experimentIDs();
  APMPBObject flagValueForFlagName(std::string_view flagName, std::string_view SDKName);
  // False without a pending snapshot (no error set); an empty name fails
  // with code 1. The pending snapshot's experiment 0 becomes the launched
  // snapshot, the others the activated one (possibly empty).
  bool activateSnapshotOfSDK(std::string_view SDKName, APMError* error);
  // -1 empty name or unregistered SDK, -2 nothing activated, 1 activated
  // more than three days away from now (either way), 0 otherwise.
  int64_t activatedSnapshotStatusOfSDKName(std::string_view SDKName);
  // Drops the activated snapshot (memory and database); pending and launched stay.
  void resetToDefaultsOfSDKName(std::string_view SDKName);
  // Queued: the task manager resets (or deletes) its database, the snapshots
  // in memory go; clients and defaults stay.
  void reset();
  void clearAndDelete();

  // A block that throws is logged (800017, 800018) and the caller goes on.
  void dispatchAsyncOnSerialQueue(std::function<void()> block);
  void dispatchSyncOnSerialQueue(const std::function<void()>& block);

  // The scheduler's questions and reports.
  bool taskManagerShouldFetchExperiments(APMETaskManager& taskManager) override;
  void taskManagerDidStartWithActivatedSnapshots(APMETaskManager& taskManager,
                                                 const std::vector<APMESnapshot>& activated,
                                                 const std::vector<APMESnapshot>& pending,
                                                 const std::vector<APMESnapshot>& launched) override;
  void taskManagerDidFinishFetchingExperimentSnapshots(APMETaskManager& taskManager,
                                                       const std::vector<APMESnapshot>& snapshots,
                                                       const std::map<std::string, APMError>& errors) override;
  void taskManagerDidUpsertPendingSnapshots(APMETaskManager& taskManager,
                                            const std::vector<APMESnapshot>& snapshots) override;

  const std::shared_ptr<APMETaskManager>& taskManager() const { return taskManager_; }
  const std::shared_ptr<platform::DispatchQueue>& serialQueue() const { return serialQueue_; }

 private:
  struct PrivateTag {};

 public:
  APMEManager(PrivateTag, std::shared_ptr<APMETaskManager> taskManager);

 private:
  using Flags = std::map<std::string, std::shared_ptr<APMPBFlag>, std::less<>>;

  // Serial queue only.
  std::map<std::string, APMESnapshot, std::less<>> activatedSnapshotsBySDKName_;
  std::map<std::string, APMESnapshot, std::less<>> pendingSnapshotsBySDKName_;
  std::map<std::string, APMESnapshot, std::less<>> launchedSnapshotsBySDKName_;
  std::shared_ptr<APMETaskManager> taskManager_;
  std::map<std::string, std::shared_ptr<APMEClient>, std::less<>> registeredClientsBySDKName_;
  std::map<std::string, Flags, std::less<>> defaultFlagsBySDKName_;
  std::shared_ptr<platform::DispatchQueue> serialQueue_;
};
