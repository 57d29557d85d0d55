// Shared set-up for the engine tests: the identity tests' fresh data root and
// platform stand-ins, a manual clock, and an engine built from injected parts
// (its own worker queue and alarm, a network whose reachability the test
// sets) that is installed as the shared engine. The database is read back
// through a connection of the test's own.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/APMSessionReporter.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBEventFields.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/APMMeasurementFiles.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/AppTrackingTransparency/ATTrackingManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Network/NetworkReachabilityManager.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/TrivandelUtilities/TVULogger.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"
#include "tests/Analytics/Engine/IdentityFixture.h"
#include "tests/Analytics/Engine/MonitorLines.h"
#include "tests/support/MeasurementConfigBuilder.h"

namespace measurement_test {

using platform::Value;
using measurement_config::ConfigBuilder;

inline constexpr double kStartNow = 1700000000.0;  // 2023-11-14 22:13:20 UTC
inline constexpr int64_t kStartMillis = static_cast<int64_t>(kStartNow) * 1000;
inline constexpr const char* kAppID = measurement_config::kConfigAppID;
inline constexpr const char* kPublicAnalyticsClass = "QRVAnalytics";

// Rows of a query as text (NULL as "NULL"), through a connection of the test's own.
using Rows = std::vector<std::vector<std::string>>;

class MeasurementFixture : public identity_test::IdentityFixture {
 protected:
  struct EngineOptions {
    std::string appID = kAppID;
    bool collectionEnabled = true;
    bool collectionDeactivated = false;
    std::vector<std::string> safelistedEvents;
    // Wait until the queued enable (or disable) has run.
    bool settle = true;
  };

  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>(kStartNow);
    platform::Clock::setCurrent(clock_);
    APMMeasurement::resetSharedInstanceForTesting();
    // The facade passes calls (the engine's internal events among them)
    // straight on, as after its start.
    APMAnalytics::resetForTesting();
    APMAnalytics::unsuspendOperationQueue();
    identity_test::IdentityFixture::SetUp();
    APMAnalytics::setLoadTimestamp(kStartNow);
    reachable_ = true;
  }

  void TearDown() override {
    APMMeasurement::resetSharedInstanceForTesting();
    engine_.reset();
    settle();
    APMAnalytics::resetForTesting();
    closeReader();
    identity_test::IdentityFixture::TearDown();
    platform::Clock::setCurrent(nullptr);
  }

  static void setAdvertising(bool trackingEnabled, const std::string& identifier) {
    identity_test::SetAdvertising(trackingEnabled, identifier);
  }

  // ---- The engine ----

  // The network's reachability follows reachable_; the host is the shipped one.
  std::shared_ptr<platform::TVUNetwork> makeNetwork() {
    reachability_ = std::make_shared<platform::NetworkReachabilityManager>([this] {
      return reachable_ ? platform::ReachabilityStatus::kReachableEthernetOrWiFi
                        : platform::ReachabilityStatus::kNotReachable;
    });
    return std::make_shared<platform::TVUNetwork>("measurement.facility.invalid", reachability_);
  }

  std::shared_ptr<APMMeasurement> makeEngine(const EngineOptions& options) {
    auto scheduler = std::make_shared<APMScheduler>(APMMeasurement::kWorkerQueueLabel);
    auto alarm = std::make_shared<APMAlarm>(scheduler->workerQueue(), APMMeasurement::kAlarmName);
    auto engine = APMMeasurement::initWithDatabaseName(
        APMDatabase::kDatabaseName, APMPersistedConfig::sharedInstance(), makeNetwork(), scheduler, alarm,
        options.appID, options.collectionEnabled, options.collectionDeactivated, options.safelistedEvents, nullptr);
    EXPECT_TRUE(engine);
    APMMeasurement::installSharedInstanceForTesting(engine);
    if (options.settle) settle();
    return engine;
  }
  std::shared_ptr<APMMeasurement> makeEngine() { return makeEngine(EngineOptions{}); }

  // Starts the default engine and checks that it is running.
  void start() {
    engine_ = makeEngine();
    ASSERT_TRUE(engine_->isEnabled());
    ASSERT_TRUE(engine_->didInitializeComponents());
  }

  // Clears what the first launch recorded by itself ("_f", "_s", "_e", their
  // metadata and aggregates, the session's properties) and lets the session expire, for
  // tests of what comes after the start.
  void forgetFirstLaunch() {
    sql("DELETE FROM raw_events");
    sql("DELETE FROM raw_events_metadata");
    sql("DELETE FROM events");
    sql("DELETE FROM user_attributes WHERE name IN ('_sid', '_sno', '_se')");
    APMPersistedConfig::sharedInstance()->setLastSessionActivityClockTime(0);
  }

  // Runs every queue (the main loop too) until all are idle; time stands.
  void settle() { EXPECT_TRUE(clock_->runUntilIdle()); }

  // Runs the block on the engine's worker queue and waits for it.
  void onWorker(const std::function<void()>& block) {
    bool done = false;
    engine_->scheduler()->scheduleOnWorkerQueueBlockID("MeasurementFixture:1", [&] {
      block();
      done = true;
    });
    settle();
    EXPECT_TRUE(done);
  }

  // ---- Events ----

  static std::optional<APMEvent> makeEvent(const std::string& name, APMParameterObjects parameters = {},
                                           const std::string& origin = "app") {
    bool isPublic = !name.empty() && name[0] != '_';
    return APMEvent::initWithOrigin(origin, isPublic, name, platform::Clock::nowSeconds(), 0, std::move(parameters));
  }

  // Through the engine's entry, then until everything settled.
  void logEvent(const std::string& name, APMParameterObjects parameters = {}, const std::string& origin = "app") {
    std::optional<APMEvent> event = makeEvent(name, std::move(parameters), origin);
    ASSERT_TRUE(event) << name;
    engine_->logEvent(std::move(event));
    settle();
  }

  // ---- Remote configuration ----

  // Replaces the engine's settings (key -> text).
  void setSettings(const std::map<std::string, std::string>& settings) {
    engine_->remoteConfigInstance()->setConfiguredSettings(settings);
  }
  // Stores and applies a configuration as a fetch would (event
  // configurations apply only with at least one setting).
  void applyConfig(const ConfigBuilder& builder) {
    bool applied = false;
    onWorker([&] { applied = engine_->remoteConfigInstance()->updateMeasurementConfig(builder.Encoded()); });
    ASSERT_TRUE(applied);
  }

  // ---- Reading back ----

  static std::string databasePath() { return APMMeasurementPath(APMDatabase::kDatabaseName); }

  Rows sql(const std::string& query) {
    Rows rows;
    if (reader_ == nullptr) {
      EXPECT_EQ(sqlite3_open_v2(databasePath().c_str(), &reader_, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
      sqlite3_busy_timeout(reader_, 5000);
    }
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(reader_, query.c_str(), -1, &statement, nullptr);
    EXPECT_EQ(rc, SQLITE_OK) << query << ": " << sqlite3_errmsg(reader_);
    if (rc != SQLITE_OK) return rows;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const unsigned char* text = sqlite3_column_text(statement, i);
        row.emplace_back(text == nullptr ? "NULL" : reinterpret_cast<const char*>(text));
      }
      rows.push_back(std::move(row));
    }
    EXPECT_EQ(rc, SQLITE_DONE) << query << ": " << sqlite3_errmsg(reader_);
    sqlite3_finalize(statement);
    return rows;
  }
  // The single value of a one-row, one-column query ("" when there is none).
  std::string value(const std::string& query) {
    Rows rows = sql(query);
    return rows.empty() || rows[0].empty() ? std::string() : rows[0][0];
  }
  int64_t count(const std::string& table, const std::string& where = "1") {
    return std::stoll(value("SELECT count(*) FROM " + table + " WHERE " + where));
  }
  // Names of the stored raw events in row order.
  std::vector<std::string> rawEventNames() {
    std::vector<std::string> names;
    for (const auto& row : sql("SELECT name FROM raw_events ORDER BY rowid")) names.push_back(row[0]);
    return names;
  }
  // The stored raw events, decoded, in row order.
  std::vector<APMEvent> rawEvents() {
    std::vector<APMEvent> events;
    if (reader_ == nullptr) sql("SELECT 1");
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(
        sqlite3_prepare_v2(reader_, "SELECT name, data FROM raw_events ORDER BY rowid", -1, &statement, nullptr),
        SQLITE_OK);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      auto bytes = static_cast<const uint8_t*>(sqlite3_column_blob(statement, 1));
      auto proto = APMPBEvent::initWithBuffer(bytes, static_cast<size_t>(sqlite3_column_bytes(statement, 1)));
      EXPECT_TRUE(proto);
      if (!proto) continue;
      // The name lives in its own column.
      APMPBSetString(proto.get(), apm_event_fields::kEventName,
                     std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
      auto event = APMEvent::initWithEventProto(*proto);
      EXPECT_TRUE(event);
      if (event) events.push_back(std::move(*event));
    }
    sqlite3_finalize(statement);
    return events;
  }
  void closeReader() {
    if (reader_ != nullptr) sqlite3_close(reader_);
    reader_ = nullptr;
  }

  // ---- Log lines ----

  // See MonitorLines.h: console lines by code, the health record's latest line.
  bool logged(int code) { return monitor_lines::Logged(capture_, code); }
  bool monitored(const std::string& message) { return monitor_lines::Monitored(message); }
  void forgetLog() { monitor_lines::Forget(capture_); }

  platform::LogCapture capture_;
  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<platform::NetworkReachabilityManager> reachability_;
  std::atomic<bool> reachable_{true};
  std::shared_ptr<APMMeasurement> engine_;
  sqlite3* reader_ = nullptr;
};

}  // namespace measurement_test
