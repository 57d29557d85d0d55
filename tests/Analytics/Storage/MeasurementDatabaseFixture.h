// A fresh measurement database in a temporary data root, on a manual clock
// at kFixtureNow, with its own remote configuration and persisted settings.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

inline constexpr double kFixtureNow = 1700000000.0;

class MeasurementDatabaseFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>(kFixtureNow);
    platform::Clock::setCurrent(clock_);
    APMEngineHooks::reset();
    APMMeasurementMonitor().clearMonitoringData();
    config_ = std::make_shared<APMRemoteConfig>();
    APMEngineHooks::setRemoteConfigProvider([this] { return config_; });
    persisted_ = APMPersistedConfig::initWithSuiteName("measurement-database-test");
    APMError error;
    database_ = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, persisted_, &error);
    ASSERT_TRUE(database_) << error.localizedDescription();
  }
  void TearDown() override {
    database_.reset();
    APMMeasurementMonitor().waitForPendingWork();
    APMEngineHooks::reset();
    platform::Clock::setCurrent(nullptr);
  }
  // Console lines, and the health record that alone gets levels 2 and 5
  // (it keeps the latest line, so check right after the call).
  bool Logged(const std::string& fragment) {
    APMMeasurementMonitor().waitForPendingWork();
    auto record = APMMeasurementMonitor().sampledDataForTesting();
    bool found = capture_.contains(fragment) ||
                 (record && record->description().find(fragment) != std::string::npos);
    APMMeasurementMonitor().clearMonitoringData();
    return found;
  }
  int64_t Count(const std::string& table) {
    return database_->sqliteStore().rowCountForTableWithName(table, nullptr).value_or(-1);
  }

  platform::TemporaryDataRoot root_;
  platform::LogCapture capture_;
  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<APMRemoteConfig> config_;
  std::shared_ptr<APMPersistedConfig> persisted_;
  std::shared_ptr<APMDatabase> database_;
};
