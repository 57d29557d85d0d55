// The background half of the experiments module: owns the experiments
// database, decides when to ask the measurement service for experiment
// assignments (POST "/sdk-exp" over HTTPS), stores the answer as pending
// snapshots and keeps the success, failure and back-off times that drive
// the retry ladder: 4 hours after a success; after failures 0.5, 1, 2, 4, 8
// and 16 hours more; 12 hours after a 429 or 503. Everything runs on its
// serial worker queue; blocks hold the task manager weakly.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/Experiments/APMESnapshot.h"
#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"

class APMAlarm;
class APMEDatabase;
class APMETaskManagerDelegate;
class APMKeyValueStore;
namespace platform {
class DispatchQueue;
}

class APMETaskManager : public std::enable_shared_from_this<APMETaskManager> {
 public:
  static constexpr const char* kQueueLabel = "APMExperimentWorkerQueue";
  static constexpr const char* kAlarmName = "APMExperimentAlarm";
  static constexpr const char* kSuiteName = "APMExperimentSuiteName";
  static constexpr const char* kSuccessTimestampKey = "APMExperimentFetchSuccessTimestamp";
  static constexpr const char* kFailureTimestampKey = "APMExperimentFetchFailureTimestamp";
  static constexpr const char* kBackoffTimestampKey = "APMExperimentFetchBackoffTimestamp";
  static constexpr const char* kErrorDomain = "com.trivandel.kvl.measurement.experiment.ErrorDomain";
  static constexpr const char* kPath = "/sdk-exp";
  static constexpr double kSuccessInterval = 14400;
  static constexpr double kBackoffInterval = 43200;

  // Its own worker queue, alarm, network client to the measurement host,
  // the experiments suite and the database file in the measurement folder.
  static std::shared_ptr<APMETaskManager> init();
  // Stores the arguments; nothing happens until startTaskManager.
  static std::shared_ptr<APMETaskManager> initWithQueue(std::shared_ptr<platform::DispatchQueue> queue,
                                                        std::shared_ptr<APMAlarm> alarm,
                                                        std::shared_ptr<platform::TVUNetwork> network,
                                                        std::shared_ptr<APMKeyValueStore> persistedStorage,
                                                        std::string databasePath, double initTimestamp);
  ~APMETaskManager();
  APMETaskManager(const APMETaskManager&) = delete;
  APMETaskManager& operator=(const APMETaskManager&) = delete;

  // Queues the start: open the database (idle for good when it does not
  // open), expire and activate in one transaction, report, schedule.
  void startTaskManager();

  // Worker queue only.
  void startTaskManagerOnWorkerQueue();
  void fetchAllSnapshotsOnWorkerQueue();
  void scheduleFetchingExperimentsOnWorkerQueue();
  void fetchExperiments();
  void postponeFetchExperiments();
  void handleFetchingExperimentsResponse(const std::optional<platform::TVUHTTPResponse>& response,
                                         const std::optional<platform::Bytes>& data,
                                         const std::optional<platform::Status>& error);
  // The next fetch time from the last success and failure; 0 means give up.
  double fetchTimeFromLastSuccessfulTimestamp(double lastSuccess, double lastFailure);

  // Database work, queued.
  void activatePendingSnapshot(const APMESnapshot* snapshot, double timestamp);
  void resetToDefaultsForSDKName(const std::string& SDKName);
  void upsertPendingSnapshots(const std::vector<APMESnapshot>& snapshots);
  void reset();
  void clearAndDelete();

  // The snapshots of an answer: its snapshot list, else the snapshots of its
  // SDK responses (named after them). None (820015) without an answer.
  static std::optional<std::vector<APMESnapshot>> experimentSnapshotsFromExperimentResponse(
      const APMPBExperimentResponse* response);
  // SDK name -> error for every SDK response with a non-zero status: codes
  // -2, -3, -4 for statuses 1, 2, 3 and -1 for any other.
  static std::optional<std::map<std::string, APMError>> errorsFromExperimentResponse(
      const APMPBExperimentResponse* response);
  // None (820025) for empty data.
  static std::optional<std::vector<APMESnapshot>> experimentSnapshotsFromData(const platform::Bytes& data);

  // A block that throws is logged (820026, 820027) and the caller goes on.
  void dispatchAsyncOnWorkerQueue(std::function<void()> block);
  void dispatchSyncOnWorkerQueue(const std::function<void()>& block);

  std::shared_ptr<APMETaskManagerDelegate> delegate() const;
  void setDelegate(std::weak_ptr<APMETaskManagerDelegate> delegate);
  bool hasMadeInitialFetch() const { return hasMadeInitialFetch_; }
  void setHasMadeInitialFetch(bool made) { hasMadeInitialFetch_ = made; }
  double initializationTimestamp() const { return initializationTimestamp_; }
  void setInitializationTimestamp(double timestamp) { initializationTimestamp_ = timestamp; }

  const std::shared_ptr<platform::DispatchQueue>& queue() const { return queue_; }
  APMAlarm& alarm() const { return *alarm_; }
  APMKeyValueStore& persistedStorage() const { return *persistedStorage_; }
  // Worker queue only; none before the start or when it failed.
  APMEDatabase* database() const { return database_.get(); }

 private:
  struct PrivateTag {};

 public:
  APMETaskManager(PrivateTag, std::shared_ptr<platform::DispatchQueue> queue, std::shared_ptr<APMAlarm> alarm,
                  std::shared_ptr<platform::TVUNetwork> network, std::shared_ptr<APMKeyValueStore> persistedStorage,
                  std::string databasePath, double initTimestamp);

 private:
  std::shared_ptr<APMAlarm> alarm_;
  std::shared_ptr<platform::TVUNetwork> network_;
  std::shared_ptr<APMKeyValueStore> persistedStorage_;
  std::shared_ptr<platform::DispatchQueue> queue_;
  std::unique_ptr<APMEDatabase> database_;
  std::string databasePath_;
  bool hasMadeInitialFetch_ = false;
  mutable std::mutex delegateMu_;
  std::weak_ptr<APMETaskManagerDelegate> delegate_;
  double initializationTimestamp_ = 0;
};
