#include "Analytics/Storage/Experiments/APMETaskManager.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/Experiments/APMEDatabase.h"
#include "Analytics/Storage/Experiments/APMEExperimentRequestBuilder.h"
#include "Analytics/Storage/Experiments/APMEGuardedRun.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Storage/Experiments/APMESnapshotFields.h"
#include "Analytics/Storage/Experiments/APMETaskManagerDelegate.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/TrivandelUtilities/TVUGzip.h"

namespace {

constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
constexpr int32_t kResponseSnapshots = 0;
constexpr int32_t kResponseSDKResponses = 1;
constexpr int32_t kSDKResponseName = 0;
constexpr int32_t kSDKResponseStatus = 1;
constexpr int32_t kSDKResponseSnapshot = 2;

APMEMonitor& TaskLog() { return APMEManager::monitor(); }

APMLogContext FetchErrorContext(const std::optional<platform::Status>& error) {
  if (!error) return {};
  return APMLogContext(error->ToString());
}

}  // namespace

APMETaskManager::APMETaskManager(PrivateTag, std::shared_ptr<platform::DispatchQueue> queue,
                                 std::shared_ptr<APMAlarm> alarm, std::shared_ptr<platform::TVUNetwork> network,
                                 std::shared_ptr<APMKeyValueStore> persistedStorage, std::string databasePath,
                                 double initTimestamp)
    : alarm_(std::move(alarm)),
      network_(std::move(network)),
      persistedStorage_(std::move(persistedStorage)),
      queue_(std::move(queue)),
      databasePath_(std::move(databasePath)),
      initializationTimestamp_(initTimestamp) {}

APMETaskManager::~APMETaskManager() = default;

std::shared_ptr<APMETaskManager> APMETaskManager::init() {
  auto queue = platform::DispatchQueue::create(kQueueLabel);
  auto alarm = std::make_shared<APMAlarm>(queue, kAlarmName);
  auto network = std::make_shared<platform::TVUNetwork>(platform::Deployment::measurementServiceHost());
  auto storage = std::make_shared<APMUserDefaults>(std::string(kSuiteName));
  return initWithQueue(std::move(queue), std::move(alarm), std::move(network), std::move(storage),
                       APMMeasurementPath(APMEDatabase::kDatabaseName), platform::Clock::nowSeconds());
}

std::shared_ptr<APMETaskManager> APMETaskManager::initWithQueue(std::shared_ptr<platform::DispatchQueue> queue,
                                                                std::shared_ptr<APMAlarm> alarm,
                                                                std::shared_ptr<platform::TVUNetwork> network,
                                                                std::shared_ptr<APMKeyValueStore> persistedStorage,
                                                                std::string databasePath, double initTimestamp) {
  return std::make_shared<APMETaskManager>(PrivateTag{}, std::move(queue), std::move(alarm), std::move(network),
                                           std::move(persistedStorage), std::move(databasePath), initTimestamp);
}

std::shared_ptr<APMETaskManagerDelegate> APMETaskManager::delegate() const {
  std::lock_guard<std::mutex> lock(delegateMu_);
  return delegate_.lock();
}

void APMETaskManager::setDelegate(std::weak_ptr<APMETaskManagerDelegate> delegate) {
  std::lock_guard<std::mutex> lock(delegateMu_);
  delegate_ = std::move(delegate);
}

void APMETaskManager::dispatchAsyncOnWorkerQueue(std::function<void()> block) {
  queue_->async([block = std::move(block)] { RunGuarded(block, 820026, "Exception on async worker queue"); });
}

void APMETaskManager::dispatchSyncOnWorkerQueue(const std::function<void()>& block) {
  // Not rethrown: an exception carried onto the caller's thread would end the process.
  queue_->sync([&block] { RunGuarded(block, 820027, "Exception on sync worker queue"); });
}

void APMETaskManager::startTaskManager() {
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  dispatchAsyncOnWorkerQueue([weak] {
    if (auto self = weak.lock()) self->startTaskManagerOnWorkerQueue();
  });
}

void APMETaskManager::startTaskManagerOnWorkerQueue() {
  APMScheduler::checkOnBackgroundThreadWithMethodName("startTaskManagerOnWorkerQueue");
  database_ = APMEDatabase::initWithPath(databasePath_);
  if (!database_) return;
  fetchAllSnapshotsOnWorkerQueue();
  scheduleFetchingExperimentsOnWorkerQueue();
}

void APMETaskManager::fetchAllSnapshotsOnWorkerQueue() {
  if (!database_) return;
  bool ok = database_->performTransaction([this] {
    APMError error;
    if (!database_->deleteStaleActivatedSnapshots(&error)) {
      TaskLog().logWithLevel(1, 820006, "Cannot delete stale activated snapshots. Error", error);
      return false;
    }
    if (!database_->activatePendingSnapshotsAutomatically(&error)) {
      TaskLog().logWithLevel(1, 820007, "Cannot activate pending snapshots automatically. Error", error);
      return false;
    }
    return true;
  });
  if (!ok) {
    TaskLog().logWithLevel(2, 820008, "Failed to start the task manager");
    return;
  }
  TaskLog().logWithLevel(8, 820009, "Successfully start the task manager");
  auto listener = delegate();
  if (!listener) return;
  APMError error;
  auto activated = database_->fetchAllActivatedSnapshots(&error);
  if (!activated) TaskLog().logWithLevel(2, 820010, "Error in fetching all activated snapshots. Error", error);
  auto pending = database_->fetchAllPendingSnapshots(&error);
  if (!pending) TaskLog().logWithLevel(2, 820011, "Error in fetching all pending snapshots. Error", error);
  auto launched = database_->fetchAllLaunchedSnapshots(&error);
  if (!launched) TaskLog().logWithLevel(2, 820012, "Error in fetching all launched snapshots. Error", error);
  listener->taskManagerDidStartWithActivatedSnapshots(*this, activated.value_or(std::vector<APMESnapshot>{}),
                                                      pending.value_or(std::vector<APMESnapshot>{}),
                                                      launched.value_or(std::vector<APMESnapshot>{}));
}

double APMETaskManager::fetchTimeFromLastSuccessfulTimestamp(double lastSuccess, double lastFailure) {
  double now = platform::Clock::nowSeconds();
  // A success stamped in the future (the clock moved back) is mirrored.
  double base = now - std::fabs(lastSuccess - now);
  double next = base + kSuccessInterval;
  if (!hasMadeInitialFetch_) {
    hasMadeInitialFetch_ = true;
    return std::max(now + 10, next);
  }
  if (lastFailure <= 0) return next;
  double sum = base != 0 ? next : initializationTimestamp_;
  for (int i = 0; i < 6; ++i) {
    sum += 1800.0 * static_cast<double>(1 << i);
    if (sum > lastFailure) return sum;
  }
  return 0;
}

void APMETaskManager::scheduleFetchingExperimentsOnWorkerQueue() {
  APMScheduler::checkOnBackgroundThreadWithMethodName("scheduleFetchingExperimentsOnWorkerQueue");
  double target = fetchTimeFromLastSuccessfulTimestamp(persistedStorage_->doubleForKey(kSuccessTimestampKey),
                                                       persistedStorage_->doubleForKey(kFailureTimestampKey));
  if (std::fabs(target) < kEpsilon) {
    persistedStorage_->removeObjectForKey(kSuccessTimestampKey);
    TaskLog().logWithLevel(2, 820024, "Network attempted too many times. Will not schedule new network.");
    return;
  }
  double now = platform::Clock::nowSeconds();
  double armed = alarm_->scheduledTimestamp().value_or(0);
  if (armed != 0 && armed <= target) {
    TaskLog().logWithLevel(8, 820017, "Do not schedule a fetch task. Task already exists. Will be executed in seconds",
                           armed - now);
    return;
  }
  double backoff = persistedStorage_->doubleForKey(kBackoffTimestampKey);
  if (std::fabs(backoff) >= kEpsilon && now - backoff < kBackoffInterval) {
    target = std::max(target, backoff + kBackoffInterval);
  }
  double delay = target - now;
  if (delay < 0 || std::fabs(delay) < kEpsilon) delay = 0.001;
  auto listener = delegate();
  bool shouldFetch = listener ? listener->taskManagerShouldFetchExperiments(*this) : true;
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  alarm_->runAfterDelay(delay, [weak, shouldFetch] {
    auto self = weak.lock();
    if (!self) return;
    RunGuarded(
        [&] {
          if (shouldFetch) {
            self->fetchExperiments();
          } else {
            self->postponeFetchExperiments();
          }
        },
        820026, "Exception on async worker queue");
  });
}

void APMETaskManager::postponeFetchExperiments() {
  persistedStorage_->setDouble(platform::Clock::nowSeconds(), kSuccessTimestampKey);
  persistedStorage_->removeObjectForKey(kFailureTimestampKey);
  persistedStorage_->removeObjectForKey(kBackoffTimestampKey);
  scheduleFetchingExperimentsOnWorkerQueue();
}

void APMETaskManager::fetchExperiments() {
  auto request = APMEExperimentRequestBuilder::sharedInstance().request();
  platform::Bytes body = request->protoBuffer().value_or(platform::Bytes{});
  TaskLog().logWithLevel(8, 820001, "Fetching new experiments. Request",
                         APMLogContext::object("APMPBExperimentRequest", std::to_string(body.size()) + " bytes"));
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  network_->postURL("https://" + platform::Deployment::measurementServiceHost() + kPath, body, queue_, false,
                    [weak](std::optional<platform::TVUHTTPResponse> response, platform::Bytes received,
                           std::optional<platform::Status> error) {
                      auto self = weak.lock();
                      if (!self) return;
                      std::optional<platform::Bytes> data;
                      if (!received.empty()) {
                        auto inflated = platform::TVUGzip::tvu_dataByInflatingGzippedData(received);
                        if (inflated.ok()) {
                          data = std::move(*inflated);
                        } else {
                          TaskLog().logWithLevel(2, 820023, "Cannot inflate downloaded experiment data. Error",
                                                 inflated.status().ToString());
                        }
                      }
                      RunGuarded([&] { self->handleFetchingExperimentsResponse(response, data, error); }, 820026,
                                 "Exception on async worker queue");
                    });
}

void APMETaskManager::handleFetchingExperimentsResponse(const std::optional<platform::TVUHTTPResponse>& response,
                                                        const std::optional<platform::Bytes>& data,
                                                        const std::optional<platform::Status>& error) {
  double now = platform::Clock::nowSeconds();
  long status = response ? response->statusCode : 0;
  if (status != platform::kTVUNetworkHTTPStatusOK && status != platform::kTVUNetworkHTTPStatusNoContent) {
    persistedStorage_->setDouble(now, kFailureTimestampKey);
    if (status == platform::kTVUNetworkHTTPStatusCodeUnavailable ||
        status == platform::kTVUNetworkHTTPStatusCodeCannotAcceptTraffic) {
      persistedStorage_->setDouble(now, kBackoffTimestampKey);
    }
    TaskLog().logWithLevel(1, 820002, "Network fetch failed. Will retry later. Code, error", static_cast<int64_t>(status),
                           FetchErrorContext(error));
    scheduleFetchingExperimentsOnWorkerQueue();
    return;
  }
  auto message = data ? APMPBExperimentResponse::initWithBuffer(*data) : APMPBExperimentResponse::initWithBuffer(nullptr, 0);
  TaskLog().logWithLevel(8, 820003, "Successful fetch. Got network response. Code, data", static_cast<int64_t>(status),
                         static_cast<int64_t>(data ? data->size() : 0));
  persistedStorage_->setDouble(now, kSuccessTimestampKey);
  persistedStorage_->removeObjectForKey(kFailureTimestampKey);
  persistedStorage_->removeObjectForKey(kBackoffTimestampKey);
  auto snapshots = experimentSnapshotsFromExperimentResponse(message.get()).value_or(std::vector<APMESnapshot>{});
  auto errors = errorsFromExperimentResponse(message.get()).value_or(std::map<std::string, APMError>{});
  if (!snapshots.empty()) {
    APMError storeError;
    bool stored = database_ != nullptr && database_->upsertPendingExperimentSnapshots(snapshots, &storeError);
    if (!stored) {
      TaskLog().logWithLevel(1, 820022, "Cannot upsert pending snapshots. Error, snapshots", storeError,
                             static_cast<int64_t>(snapshots.size()));
    }
  }
  if (auto listener = delegate()) listener->taskManagerDidFinishFetchingExperimentSnapshots(*this, snapshots, errors);
  scheduleFetchingExperimentsOnWorkerQueue();
}

std::optional<std::vector<APMESnapshot>> APMETaskManager::experimentSnapshotsFromExperimentResponse(
    const APMPBExperimentResponse* response) {
  if (response == nullptr) {
    TaskLog().logWithLevel(2, 820015, "Cannot create experiment snapshots from nil response");
    return std::nullopt;
  }
  auto messages = APMPBGetMessageArray<APMPBSnapshot>(response, kResponseSnapshots);
  if (messages.empty()) {
    for (const auto& sdkResponse : APMPBGetMessageArray<APMPBSdkResponse>(response, kResponseSDKResponses)) {
      auto snapshot = APMPBGetMessage<APMPBSnapshot>(sdkResponse.get(), kSDKResponseSnapshot);
      if (!snapshot) {
        // A failed SDK's answer carries no snapshot; its error is reported apart.
        TaskLog().logWithLevel(2, 820016, "Cannot create a snapshot from the proto");
        continue;
      }
      auto name = APMPBGetString(sdkResponse.get(), kSDKResponseName);
      if (name && !name->empty()) APMPBSetString(snapshot.get(), kSnapshotSDKName, *name);
      messages.push_back(std::move(snapshot));
    }
  }
  std::vector<APMESnapshot> snapshots;
  for (const auto& message : messages) {
    auto snapshot = APMESnapshot::initWithProtobuf(*message);
    if (!snapshot) {
      TaskLog().logWithLevel(2, 820016, "Cannot create a snapshot from the proto");
      continue;
    }
    snapshots.push_back(std::move(*snapshot));
  }
  return snapshots;
}

std::optional<std::map<std::string, APMError>> APMETaskManager::errorsFromExperimentResponse(
    const APMPBExperimentResponse* response) {
  if (response == nullptr) return std::nullopt;
  auto sdkResponses = APMPBGetMessageArray<APMPBSdkResponse>(response, kResponseSDKResponses);
  if (sdkResponses.empty()) return std::nullopt;
  std::map<std::string, APMError> errors;
  for (const auto& sdkResponse : sdkResponses) {
    int32_t status = APMPBGetInt32(sdkResponse.get(), kSDKResponseStatus);
    auto name = APMPBGetString(sdkResponse.get(), kSDKResponseName);
    if (status == 0 || !name || name->empty()) continue;
    int64_t code = status >= 1 && status <= 3 ? -(static_cast<int64_t>(status) + 1) : -1;
    errors.insert_or_assign(*name, APMError(kErrorDomain, code, "Experiment fetch failed for SDK"));
  }
  return errors;
}

std::optional<std::vector<APMESnapshot>> APMETaskManager::experimentSnapshotsFromData(const platform::Bytes& data) {
  if (data.empty()) {
    TaskLog().logWithLevel(2, 820025, "Cannot create experiment snapshots from empty data");
    return std::nullopt;
  }
  auto response = APMPBExperimentResponse::initWithBuffer(data);
  return experimentSnapshotsFromExperimentResponse(response.get());
}

void APMETaskManager::activatePendingSnapshot(const APMESnapshot* snapshot, double timestamp) {
  if (snapshot == nullptr) {
    TaskLog().logWithLevel(0, 820013, "Cannot activate an empty snapshot");
    return;
  }
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  dispatchAsyncOnWorkerQueue([weak, pending = snapshot->copy(), timestamp] {
    auto self = weak.lock();
    if (!self || !self->database_) return;
    APMError error;
    bool ok = self->database_->performTransaction(
        [&] { return self->database_->activateSnapshot(&pending, timestamp, &error); });
    if (!ok) {
      TaskLog().logWithLevel(1, 820014, "Cannot activate snapshot for SDK Name. Error", pending.SDKName(), error);
    }
  });
}

void APMETaskManager::resetToDefaultsForSDKName(const std::string& SDKName) {
  if (SDKName.empty()) {
    TaskLog().logWithLevel(1, 820018, "Cannot reset to defaults for empty SDK name");
    return;
  }
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  dispatchAsyncOnWorkerQueue([weak, SDKName] {
    auto self = weak.lock();
    if (!self || !self->database_) return;
    APMError error;
    if (!self->database_->deleteActivatedExperimentsOfSDKName(SDKName, &error)) {
      TaskLog().logWithLevel(1, 820019, "Cannot reset to defaults in the database. SDK Name, error", SDKName, error);
    }
  });
}

void APMETaskManager::upsertPendingSnapshots(const std::vector<APMESnapshot>& snapshots) {
  if (snapshots.empty()) {
    TaskLog().logWithLevel(2, 820020, "Cannot upsert empty pending snapshot list");
    return;
  }
  std::vector<APMESnapshot> copies;
  copies.reserve(snapshots.size());
  for (const auto& snapshot : snapshots) {
    APMESnapshot copy = snapshot.copy();
    copy.setTimestamp(snapshot.timestamp());
    copy.setManuallyActivated(snapshot.manuallyActivated());
    copies.push_back(std::move(copy));
  }
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  dispatchAsyncOnWorkerQueue([weak, copies = std::move(copies)] {
    auto self = weak.lock();
    if (!self || !self->database_) return;
    APMError error;
    if (!self->database_->upsertPendingExperimentSnapshots(copies, &error)) {
      TaskLog().logWithLevel(1, 820021, "Cannot upsert pending snapshots into the database. Error", error);
      return;
    }
    if (auto listener = self->delegate()) listener->taskManagerDidUpsertPendingSnapshots(*self, copies);
  });
}

void APMETaskManager::reset() {
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  dispatchAsyncOnWorkerQueue([weak] {
    auto self = weak.lock();
    if (!self) return;
    if (self->database_) self->database_->reset();
    self->persistedStorage_->removeObjectForKey(kBackoffTimestampKey);
    self->persistedStorage_->removeObjectForKey(kFailureTimestampKey);
    self->persistedStorage_->removeObjectForKey(kSuccessTimestampKey);
    self->scheduleFetchingExperimentsOnWorkerQueue();
  });
}

void APMETaskManager::clearAndDelete() {
  std::weak_ptr<APMETaskManager> weak = weak_from_this();
  dispatchAsyncOnWorkerQueue([weak] {
    auto self = weak.lock();
    if (!self) return;
    if (self->database_) self->database_->closeAndDelete();
    self->persistedStorage_->removeObjectForKey(kBackoffTimestampKey);
    self->persistedStorage_->removeObjectForKey(kFailureTimestampKey);
    self->persistedStorage_->removeObjectForKey(kSuccessTimestampKey);
  });
}
