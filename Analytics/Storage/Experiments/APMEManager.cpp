#include "Analytics/Storage/Experiments/APMEManager.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "Analytics/Engine/Monitor/APMEMonitor.h"
#include "Analytics/Protobuf/APMPBFlagValue.h"
#include "Analytics/Storage/Experiments/APMEClient.h"
#include "Analytics/Storage/Experiments/APMEExperimentObserverDelegate.h"
#include "Analytics/Storage/Experiments/APMEExperimentRequestBuilder.h"
#include "Analytics/Storage/Experiments/APMEGuardedRun.h"
#include "Analytics/Storage/Experiments/APMESDKProperty.h"
#include "Analytics/Storage/Experiments/APMETaskManager.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"

namespace {

constexpr const char* kModuleVersionString = "10000000";

// The value of the named flag in the snapshot, or nil.
APMPBObject FlagValue(const std::map<std::string, APMESnapshot, std::less<>>& snapshots, std::string_view SDKName,
                      std::string_view flagName) {
  auto it = snapshots.find(SDKName);
  if (it == snapshots.end()) return {};
  return APMPBFlagGetValue(it->second.flagByName(flagName).get());
}

}  // namespace

APMEMonitor& APMEManager::monitor() { return APMEMonitor::sharedMonitor(); }

int64_t APMEManager::version() {
  std::string_view text(kModuleVersionString);
  if (text.size() < 4) return 0;
  int64_t value = 0;
  for (char c : text.substr(0, text.size() - 3)) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::shared_ptr<APMEManager> APMEManager::sharedInstance() {
  static std::shared_ptr<APMEManager>* shared = [] {
    auto* manager = new std::shared_ptr<APMEManager>(initWithTaskManager(APMETaskManager::init()));
    (*manager)->taskManager()->startTaskManager();
    return manager;
  }();
  return *shared;
}

APMEManager::APMEManager(PrivateTag, std::shared_ptr<APMETaskManager> taskManager)
    : taskManager_(std::move(taskManager)), serialQueue_(platform::DispatchQueue::create(kQueueLabel)) {}

APMEManager::~APMEManager() = default;

std::shared_ptr<APMEManager> APMEManager::initWithTaskManager(std::shared_ptr<APMETaskManager> taskManager) {
  auto manager = std::make_shared<APMEManager>(PrivateTag{}, std::move(taskManager));
  if (manager->taskManager_) manager->taskManager_->setDelegate(manager);
  return manager;
}

void APMEManager::dispatchAsyncOnSerialQueue(std::function<void()> block) {
  serialQueue_->async(
      [block = std::move(block)] { RunGuarded(block, 800017, "Exception on async Experimentation serial queue"); });
}

void APMEManager::dispatchSyncOnSerialQueue(const std::function<void()>& block) {
  serialQueue_->sync([&block] { RunGuarded(block, 800018, "Exception on sync Experimentation serial queue"); });
}

std::shared_ptr<APMEClient> APMEManager::registerSDKProperty(const std::shared_ptr<APMESDKProperty>& property,
                                                             const std::map<std::string, APMPBObject>& defaultFlags) {
  if (!property) {
    monitor().logWithLevel(0, 800000, "Cannot register client with a nil SDK property");
    return nullptr;
  }
  const std::string name = property->name();
  if (name.empty()) {
    monitor().logWithLevel(0, 800001, "Cannot register experiment client with no SDK name");
    return nullptr;
  }
  Flags flags;
  std::vector<std::shared_ptr<APMPBFlag>> list;
  for (const auto& [flagName, value] : defaultFlags) {
    auto flag = APMPBFlagCreate(APMPBObject(flagName), value);
    if (!flag) {
      monitor().logWithLevel(0, 800002, "Cannot register experiment client invalid flags. Flag name, value", flagName,
                             APMLogContext::className(value.className()));
      return nullptr;
    }
    flags[flagName] = flag;
    list.push_back(std::move(flag));
  }
  auto client = APMEClient::initWithSDKProperty(property, std::move(list), weak_from_this());
  if (!client) {
    monitor().logWithLevel(1, 800004, "Cannot register client. SDK name", name);
    return nullptr;
  }
  std::weak_ptr<APMEManager> weak = weak_from_this();
  dispatchAsyncOnSerialQueue([weak, client, property, name, flags = std::move(flags)] {
    auto self = weak.lock();
    if (!self) return;
    if (self->registeredClientsBySDKName_.count(name) != 0) {
      monitor().logWithLevel(3, 800003,
                             "Registered an SDK that has already registered. Default flags will be overwritten. SDK name",
                             name);
    }
    self->registeredClientsBySDKName_[name] = client;
    self->defaultFlagsBySDKName_[name] = flags;
    APMEExperimentRequestBuilder::sharedInstance().addSDKProperty(property);
    monitor().logWithLevel(8, 800005, "Registered client", name);
  });
  return client;
}

std::shared_ptr<APMEClient> APMEManager::clientForSDKName(std::string_view SDKName) {
  if (SDKName.empty()) {
    monitor().logWithLevel(0, 800007, "Cannot find the client for empty SDK Name");
    return nullptr;
  }
  std::shared_ptr<APMEClient> client;
  dispatchSyncOnSerialQueue([&] {
    auto it = registeredClientsBySDKName_.find(SDKName);
    if (it != registeredClientsBySDKName_.end()) client = it->second;
  });
  return client;
}

std::vector<int64_t> APMEManager::experimentIDs() {
  std::vector<int64_t> ids;
  dispatchSyncOnSerialQueue([&] {
    for (const auto& [name, client] : registeredClientsBySDKName_) {
      if (client->SDKProperty()->diversionKey()) continue;
      auto activated = activatedSnapshotsBySDKName_.find(name);
      if (activated == activatedSnapshotsBySDKName_.end()) continue;
      for (const auto& experiment : activated->second.experiments()) ids.push_back(experiment.experimentID());
    }
  });
  std::sort(ids.begin(), ids.end());
  return ids;
}

APMPBObject APMEManager::flagValueForFlagName(std::string_view flagName, std::string_view SDKName) {
  if (SDKName.empty()) {
    monitor().logWithLevel(0, 800010, "Cannot retrieve flag value for empty SDK name");
    return {};
  }
  if (flagName.empty()) {
    monitor().logWithLevel(0, 800011, "Cannot retrieve flag value for empty flag name");
    return {};
  }
  APMPBObject result;
  dispatchSyncOnSerialQueue([&] {
    if (registeredClientsBySDKName_.find(SDKName) == registeredClientsBySDKName_.end()) {
      monitor().logWithLevel(3, 800012, "SDK is not registered yet", SDKName);
      return;
    }
    auto defaults = defaultFlagsBySDKName_.find(SDKName);
    if (defaults == defaultFlagsBySDKName_.end()) {
      monitor().logWithLevel(3, 800013, "Cannot get flag for unregistered SDK. SDK name, flag name", SDKName, flagName);
      return;
    }
    monitor().logWithLevel(8, 800015, "Looking for activated flag. SDK name, flag name, activated snapshot", SDKName,
                           flagName);
    result = FlagValue(activatedSnapshotsBySDKName_, SDKName, flagName);
    if (!result.isNil()) return;
    monitor().logWithLevel(8, 800016,
                           "Cannot find activated flag. Looking for launched flag. SDK name, flag name, launched flag",
                           SDKName, flagName);
    result = FlagValue(launchedSnapshotsBySDKName_, SDKName, flagName);
    if (!result.isNil()) return;
    auto flag = defaults->second.find(flagName);
    if (flag == defaults->second.end()) {
      monitor().logWithLevel(8, 800014, "No default flag value. SDK name, flag name", SDKName, flagName);
      return;
    }
    result = APMPBFlagGetValue(flag->second.get());
    monitor().logWithLevel(8, 800019,
                           "Cannot find launched flag. Returned the default flag value. SDK name, flag name, default flag",
                           SDKName, flagName);
  });
  return result;
}

bool APMEManager::activateSnapshotOfSDK(std::string_view SDKName, APMError* error) {
  if (SDKName.empty()) {
    monitor().logWithLevel(3, 800022, "Cannot activate a pending snapshot for an empty SDK name");
    APMSetError(error, 1, "SDK name cannot be empty");
    return false;
  }
  bool activated = false;
  dispatchSyncOnSerialQueue([&] {
    auto pending = pendingSnapshotsBySDKName_.find(SDKName);
    if (pending == pendingSnapshotsBySDKName_.end()) {
      monitor().logWithLevel(3, 800023, "No pending snapshot to activate. SDK name", SDKName);
      return;
    }
    double now = platform::Clock::nowSeconds();
    std::string name(SDKName);
    // Experiments without flags are kept too, as the database keeps them:
    // their IDs must not depend on whether the process was relaunched.
    std::vector<APMEExperiment> nonZero;
    for (APMEExperiment& experiment : pending->second.experiments()) {
      if (experiment.experimentID() != 0) {
        nonZero.push_back(std::move(experiment));
      } else if (auto launched = APMESnapshot::initWithSDKName(name, {experiment})) {
        launched->setTimestamp(now);
        launchedSnapshotsBySDKName_.insert_or_assign(name, std::move(*launched));
      }
    }
    auto inForce = APMESnapshot::initWithSDKName(name, nonZero);
    if (!inForce) return;
    inForce->setTimestamp(now);
    activatedSnapshotsBySDKName_.insert_or_assign(name, std::move(*inForce));
    APMESnapshot persisted = std::move(pending->second);
    pendingSnapshotsBySDKName_.erase(pending);
    if (taskManager_) taskManager_->activatePendingSnapshot(&persisted, now);
    activated = true;
    monitor().logWithLevel(8, 800028, "Successfully activated a snapshot of SDK", name);
  });
  return activated;
}

int64_t APMEManager::activatedSnapshotStatusOfSDKName(std::string_view SDKName) {
  if (SDKName.empty()) {
    monitor().logWithLevel(0, 800024, "Cannot check activated snapshot for empty SDK Name");
    return -1;
  }
  int64_t status = -1;
  dispatchSyncOnSerialQueue([&] {
    if (registeredClientsBySDKName_.find(SDKName) == registeredClientsBySDKName_.end()) return;
    auto activated = activatedSnapshotsBySDKName_.find(SDKName);
    if (activated == activatedSnapshotsBySDKName_.end() ||
        !(activated->second.timestamp() > std::numeric_limits<double>::epsilon())) {
      status = -2;
      return;
    }
    double age = std::fabs(platform::Clock::nowSeconds() - activated->second.timestamp());
    status = age > kStaleInterval ? 1 : 0;
  });
  return status;
}

void APMEManager::resetToDefaultsOfSDKName(std::string_view SDKName) {
  if (SDKName.empty()) {
    monitor().logWithLevel(0, 800025, "Cannot reset to defaults for empty SDK Name");
    return;
  }
  dispatchSyncOnSerialQueue([&] {
    auto activated = activatedSnapshotsBySDKName_.find(SDKName);
    if (activated == activatedSnapshotsBySDKName_.end()) {
      monitor().logWithLevel(0, 800026, "Cannot reset to defaults for unregistered SDK name", SDKName);
      return;
    }
    activatedSnapshotsBySDKName_.erase(activated);
    if (taskManager_) taskManager_->resetToDefaultsForSDKName(std::string(SDKName));
    monitor().logWithLevel(8, 800027, "Reset all experiments to default. SDK name", SDKName);
  });
}

void APMEManager::reset() {
  std::weak_ptr<APMEManager> weak = weak_from_this();
  dispatchAsyncOnSerialQueue([weak] {
    auto self = weak.lock();
    if (!self) return;
    if (self->taskManager_) self->taskManager_->reset();
    self->activatedSnapshotsBySDKName_.clear();
    self->pendingSnapshotsBySDKName_.clear();
    self->launchedSnapshotsBySDKName_.clear();
  });
}

void APMEManager::clearAndDelete() {
  std::weak_ptr<APMEManager> weak = weak_from_this();
  dispatchAsyncOnSerialQueue([weak] {
    auto self = weak.lock();
    if (!self) return;
    if (self->taskManager_) self->taskManager_->clearAndDelete();
    self->activatedSnapshotsBySDKName_.clear();
    self->pendingSnapshotsBySDKName_.clear();
    self->launchedSnapshotsBySDKName_.clear();
  });
}

bool APMEManager::taskManagerShouldFetchExperiments(APMETaskManager&) {
  // The clients are copied on the serial queue and their delegates asked
  // after leaving it: a delegate that asks the engine (which may be waiting
  // on this queue) must not find it held.
  std::vector<std::shared_ptr<APMEClient>> clients;
  dispatchSyncOnSerialQueue([&] {
    for (const auto& [name, client] : registeredClientsBySDKName_) clients.push_back(client);
  });
  for (const auto& client : clients) {
    auto delegate = client->delegate();
    if (!delegate) return true;
    auto answer = delegate->shouldFetchExperimentsForClient(*client);
    if (!answer || *answer) return true;
  }
  return false;
}

void APMEManager::taskManagerDidStartWithActivatedSnapshots(APMETaskManager&,
                                                            const std::vector<APMESnapshot>& activated,
                                                            const std::vector<APMESnapshot>& pending,
                                                            const std::vector<APMESnapshot>& launched) {
  auto copies = [](const std::vector<APMESnapshot>& snapshots) {
    std::vector<APMESnapshot> out;
    out.reserve(snapshots.size());
    for (const auto& snapshot : snapshots) out.push_back(snapshot.copy());
    return out;
  };
  std::weak_ptr<APMEManager> weak = weak_from_this();
  dispatchAsyncOnSerialQueue([weak, activated = copies(activated), pending = copies(pending),
                              launched = copies(launched)] {
    auto self = weak.lock();
    if (!self) return;
    for (const auto& snapshot : activated) self->activatedSnapshotsBySDKName_.insert_or_assign(snapshot.SDKName(), snapshot);
    for (const auto& snapshot : pending) self->pendingSnapshotsBySDKName_.insert_or_assign(snapshot.SDKName(), snapshot);
    for (const auto& snapshot : launched) self->launchedSnapshotsBySDKName_.insert_or_assign(snapshot.SDKName(), snapshot);
  });
}

void APMEManager::taskManagerDidFinishFetchingExperimentSnapshots(APMETaskManager&,
                                                                  const std::vector<APMESnapshot>& snapshots,
                                                                  const std::map<std::string, APMError>& errors) {
  if (snapshots.empty() && errors.empty()) {
    monitor().logWithLevel(3, 800020, "No pending snapshots to notify the clients");
    return;
  }
  std::vector<APMESnapshot> copies;
  copies.reserve(snapshots.size());
  for (const auto& snapshot : snapshots) copies.push_back(snapshot.copy());
  std::weak_ptr<APMEManager> weak = weak_from_this();
  dispatchAsyncOnSerialQueue([weak, copies = std::move(copies), errors] {
    auto self = weak.lock();
    if (!self) return;
    std::vector<APMESnapshot> manual;
    for (const auto& copy : copies) {
      auto client = self->registeredClientsBySDKName_.find(copy.SDKName());
      auto delegate = client == self->registeredClientsBySDKName_.end() ? nullptr : client->second->delegate();
      APMESnapshot pending = copy;
      if (delegate && delegate->respondsToClientDidReceiveNewSnapshot()) {
        pending.setManuallyActivated(true);
        manual.push_back(pending);
      }
      self->pendingSnapshotsBySDKName_.insert_or_assign(pending.SDKName(), std::move(pending));
    }
    for (const auto& [name, error] : errors) {
      auto client = self->registeredClientsBySDKName_.find(name);
      if (client == self->registeredClientsBySDKName_.end()) continue;
      auto delegate = client->second->delegate();
      if (delegate && delegate->respondsToClientDidReceiveFetchError()) {
        delegate->clientDidReceiveFetchError(*client->second, error);
      }
    }
    if (!manual.empty() && self->taskManager_) self->taskManager_->upsertPendingSnapshots(manual);
  });
}

void APMEManager::taskManagerDidUpsertPendingSnapshots(APMETaskManager&, const std::vector<APMESnapshot>& snapshots) {
  if (snapshots.empty()) return;
  std::vector<std::string> names;
  for (const auto& snapshot : snapshots) names.push_back(snapshot.SDKName());
  std::weak_ptr<APMEManager> weak = weak_from_this();
  dispatchAsyncOnSerialQueue([weak, names = std::move(names)] {
    auto self = weak.lock();
    if (!self) return;
    for (const auto& name : names) {
      auto found = self->registeredClientsBySDKName_.find(name);
      std::shared_ptr<APMEClient> client = found == self->registeredClientsBySDKName_.end() ? nullptr : found->second;
      auto delegate = client ? client->delegate() : nullptr;
      if (!delegate || !delegate->respondsToClientDidReceiveNewSnapshot()) {
        monitor().logWithLevel(
            0, 800021,
            "Cannot notify new snapshot for SDK because the delegate does not implement -clientDidReceiveNewSnapshot:",
            name);
        continue;
      }
      auto queue = delegate->queue();
      if (!queue) queue = platform::DispatchQueue::main();
      queue->async([delegate, client] { delegate->clientDidReceiveNewSnapshot(*client); });
    }
  });
}
