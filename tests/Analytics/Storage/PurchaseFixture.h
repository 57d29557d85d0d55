// Shared set-up of the purchase tests: a fresh data root on a manual clock,
// the receipt file the engine reads (written from ReceiptWriter bytes), the
// store catalogue, the device profile, and the monitor's lines. Level 2 and
// 5 lines reach only the health record, which keeps the latest line, so
// `monitored` is checked right after the call that logs.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseReceipt.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/StoreKit/AppStoreReceipt.h"
#include "Platform/StoreKit/SKProductDiscount.h"
#include "Platform/StoreKit/StoreCatalogue.h"
#include "Platform/TrivandelUtilities/TVULogger.h"
#include "Platform/UIKit/Device.h"
#include "tests/Analytics/Storage/ReceiptWriter.h"

class PurchaseFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>(1700000000.0);
    platform::Clock::setCurrent(clock_);
    APMEngineHooks::reset();
    storekit::StoreCatalogue::shared().reset();
    storekit::AppStoreReceipt::setURL(std::nullopt);
    storekit::SKProductDiscount::setClassAvailable(true);
    uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
    APMSetOriginalVersionAnswerForTesting(std::nullopt);
    APMMeasurementMonitor().waitForPendingWork();
    APMMeasurementMonitor().clearMonitoringData();
    previousLogLevel_ = APMMeasurementMonitor().logLevel();
    APMMeasurementMonitor().setLogLevel(8);
    APMMeasurementMonitor().setVerboseLoggingEnabled(true);
    platform::TVUSetLoggerLevel(platform::kTVULoggerLevelDebug);
  }
  void TearDown() override {
    ASSERT_TRUE(clock_->runUntilIdle());
    APMMeasurementMonitor().waitForPendingWork();
    APMMeasurementMonitor().setVerboseLoggingEnabled(false);
    APMMeasurementMonitor().setLogLevel(previousLogLevel_);
    platform::TVUSetLoggerLevel(platform::kTVULoggerLevelNotice);
    APMSetOriginalVersionAnswerForTesting(std::nullopt);
    storekit::AppStoreReceipt::setURL(std::nullopt);
    storekit::StoreCatalogue::shared().reset();
    storekit::SKProductDiscount::setClassAvailable(true);
    uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
    platform::Bundle::main().setInfoDictionaryOverride(std::nullopt);
    APMEngineHooks::reset();
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(nullptr);
  }

  // Writes the bytes as the receipt file (last component `name`) and points
  // the store's receipt URL at it.
  std::string InstallReceipt(const platform::Bytes& bytes, const std::string& name = "receipt") {
    const std::string folder = root_.path() + "/Receipt";
    EXPECT_TRUE(platform::FileManager::defaultManager().createDirectoryAtPath(folder).ok());
    const std::string path = folder + "/" + name;
    EXPECT_TRUE(platform::FileManager::defaultManager()
                    .writeAtomically(path, std::string(bytes.begin(), bytes.end()))
                    .ok());
    storekit::AppStoreReceipt::setURL(path);
    return path;
  }

  // A console line of the code (levels 0, 1, 3, 4, 6 to 8).
  bool Logged(int code) {
    APMMeasurementMonitor().waitForPendingWork();
    char tag[16];
    std::snprintf(tag, sizeof tag, "I-ACS%06d", code);
    return capture_.contains(tag);
  }
  // The health record's latest line has the message (levels 2 and 5).
  // Clears the record.
  bool Monitored(const std::string& message) {
    APMMeasurementMonitor().waitForPendingWork();
    auto record = APMMeasurementMonitor().sampledDataForTesting();
    APMMeasurementMonitor().clearMonitoringData();
    return record && record->description().find(message) != std::string::npos;
  }
  void ForgetLog() {
    APMMeasurementMonitor().waitForPendingWork();
    capture_.clear();
    APMMeasurementMonitor().clearMonitoringData();
  }

  platform::TemporaryDataRoot root_;
  platform::LogCapture capture_;
  std::shared_ptr<platform::ManualClock> clock_;
  int64_t previousLogLevel_ = 6;
};
