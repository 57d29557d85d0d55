// An experiments manager over a task manager of its own (worker queue,
// alarm, network client, suite and database file in the temporary root),
// on the manual clock. The task manager starts only when a test asks.
#pragma once

#include <memory>
#include <string>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/Experiments/APMEClient.h"
#include "Analytics/Storage/Experiments/APMEDatabase.h"
#include "Analytics/Storage/Experiments/APMEExperimentRequestBuilder.h"
#include "Analytics/Storage/Experiments/APMEManager.h"
#include "Analytics/Storage/Experiments/APMESDKProperty.h"
#include "Analytics/Storage/Experiments/APMETaskManager.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"
#include "tests/Analytics/Storage/Experiments/ExperimentsFixture.h"

namespace experimentstest {

class ManagerFixture : public ExperimentsFixture {
 protected:
  void SetUp() override {
    ExperimentsFixture::SetUp();
    APMEExperimentRequestBuilder::sharedInstance().removeAllSDKPropertiesForTesting();
    APMESDKProperty::setFallbackDiversionKeyProviderForTesting([] { return std::string("ident"); });
    Make();
  }
  void TearDown() override {
    Release();
    APMESDKProperty::setFallbackDiversionKeyProviderForTesting({});
    APMEExperimentRequestBuilder::sharedInstance().removeAllSDKPropertiesForTesting();
    ExperimentsFixture::TearDown();
  }

  // A new process's objects over the same files.
  void Make() {
    queue_ = platform::DispatchQueue::create(APMETaskManager::kQueueLabel);
    alarm_ = std::make_shared<APMAlarm>(queue_, APMETaskManager::kAlarmName);
    network_ = std::make_shared<platform::TVUNetwork>(platform::Deployment::measurementServiceHost());
    storage_ = std::make_shared<APMUserDefaults>(std::string(APMETaskManager::kSuiteName));
    taskManager_ = APMETaskManager::initWithQueue(queue_, alarm_, network_, storage_,
                                                  APMMeasurementPath(APMEDatabase::kDatabaseName),
                                                  platform::Clock::nowSeconds());
    manager_ = APMEManager::initWithTaskManager(taskManager_);
  }
  void Release() {
    Drain();
    manager_.reset();
    taskManager_.reset();
    alarm_.reset();
    network_.reset();
    queue_.reset();
    Drain();
  }
  void Relaunch() {
    Release();
    Make();
  }
  void Start() {
    taskManager_->startTaskManager();
    Drain();
  }
  // Every queue idle and the main loop pumped; time does not move.
  void Drain() { EXPECT_TRUE(clock_->runUntilIdle()); }

  std::shared_ptr<APMEClient> Register(const std::string& name, const std::map<std::string, APMPBObject>& defaults,
                                       std::optional<std::string> diversionKey = std::nullopt) {
    auto property = APMESDKProperty::initWithName(name);
    property->setDiversionKey(std::move(diversionKey));
    auto client = manager_->registerSDKProperty(property, defaults);
    Drain();
    return client;
  }
  // Hands fetched snapshots to the manager as the scheduler would.
  void Fetched(const std::vector<APMESnapshot>& snapshots, const std::map<std::string, APMError>& errors = {}) {
    manager_->taskManagerDidFinishFetchingExperimentSnapshots(*taskManager_, snapshots, errors);
    Drain();
  }

  std::shared_ptr<platform::DispatchQueue> queue_;
  std::shared_ptr<APMAlarm> alarm_;
  std::shared_ptr<platform::TVUNetwork> network_;
  std::shared_ptr<APMUserDefaults> storage_;
  std::shared_ptr<APMETaskManager> taskManager_;
  std::shared_ptr<APMEManager> manager_;
};

}  // namespace experimentstest
