// A started engine whose deployment points at the loopback collector (TLS,
// its certificate trusted for that host only), with a stored configuration
// so uploads bundle at once. Network replies are real I/O: the helpers turn
// the main loop with runUntil while they wait, and never move the clock.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMBundleFields.h"
#include "Analytics/Engine/APMIdentity.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Runtime/Deployment.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"
#include "tests/support/MeasurementCollector.h"

namespace measurement_test {

using testsupport::DecodedBatch;
using testsupport::MeasurementCollector;
using Route = MeasurementCollector::Route;
namespace bundlefield = testsupport::bundlefield;

class UploadFixture : public MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    // The scheduling lines are verbose ones.
    APMMeasurementMonitor().setVerboseLoggingEnabled(true);
    ASSERT_TRUE(collector_.start());
    pointDeploymentAt(collector_.hostAndPort());
    start();
    if (HasFatalFailure()) return;
    forgetFirstLaunch();
    // Fetched configurations must name the identity's app ID.
    previousKVLAppID_ = engine_->identity()->appIDFromKVL();
    engine_->identity()->setAppIDFromKVL(kAppID);
    applyConfig(ConfigBuilder().settings(settings()));
  }

  void TearDown() override {
    collector_.releaseHeld();
    if (engine_ && engine_->identity()) engine_->identity()->setAppIDFromKVL(previousKVLAppID_.value_or(""));
    MeasurementFixture::TearDown();
    APMMeasurementMonitor().setVerboseLoggingEnabled(false);
    collector_.stop();
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(platform::Deployment::kEnvironmentVariable,
                                                                       std::nullopt);
    platform::Deployment::resetForTesting();
  }

  // Settings of the configuration stored at start.
  virtual std::vector<std::pair<std::string, std::string>> settings() const { return {}; }

  // Uploads and fetches go to host (none: the shipped, refused host).
  void pointDeploymentAt(const std::optional<std::string>& host) {
    Value::Dictionary values{{platform::Deployment::kTrustedCertificatesFileKey, Value(collector_.certificateFile())}};
    if (host) values[platform::Deployment::kMeasurementServiceHostKey] = Value(*host);
    const std::string path = root_.path() + "/deployment.plist";
    ASSERT_TRUE(platform::PropertyList::writeFile(path, Value(values)).ok());
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(platform::Deployment::kEnvironmentVariable,
                                                                       path);
    platform::Deployment::resetForTesting();
  }

  // Events through the engine's entry, one second apart on the clock.
  void logEvents(const std::vector<std::string>& names) {
    for (const auto& name : names) {
      logEvent(name, {{"n", Value(name)}});
      clock_->advance(1);
    }
  }

  void uploadNow() {
    onWorker([&] { engine_->uploadData(); });
  }

  // Waits (real time) for the collector to have seen n requests in all,
  // then for the engine to have handled every reply.
  bool waitForRequests(std::size_t n) {
    const bool arrived = clock_->runUntil([&] { return collector_.requests().size() >= n; }, 30);
    EXPECT_TRUE(arrived) << "requests: " << collector_.requests().size() << " of " << n;
    waitForReplies();
    return arrived;
  }
  // The network's completions are queued on the worker queue before the
  // network reports itself idle; settling then runs them.
  void waitForReplies() {
    EXPECT_TRUE(clock_->runUntil([&] { return !engine_->network()->hasUploadInProgress(); }, 30));
    settle();
  }

  // Uploads until the queue and the raw events are empty (at most 20 batches).
  void drain() {
    for (int i = 0; i < 20; ++i) {
      waitForReplies();
      for (int j = 0; j < 50 && pending(); ++j) waitForReplies();
      if (count("queue") == 0 && count("raw_events") == 0) return;
      const std::size_t before = collector_.requests().size();
      uploadNow();
      if (!clock_->runUntil([&] { return collector_.requests().size() > before; }, 30)) break;
    }
    ADD_FAILURE() << "the queue did not drain";
  }

  std::vector<DecodedBatch> batches() { return collector_.batches(); }

  // Names of the events of a batch, bundle by bundle, in order.
  static std::vector<std::string> eventNames(const DecodedBatch& batch) {
    std::vector<std::string> names;
    for (const auto& bundle : batch.bundles) {
      for (const auto& event : bundle.events) names.push_back(event.name);
    }
    return names;
  }

  template <typename T>
  T readOnWorker(const std::function<T()>& read) {
    T out{};
    onWorker([&] { out = read(); });
    return out;
  }
  bool pending() {
    return readOnWorker<bool>([&] { return engine_->isNetworkRequestPending(); });
  }
  std::optional<double> alarmDue() {
    return readOnWorker<std::optional<double>>([&] { return engine_->alarm()->scheduledTimestamp(); });
  }

  MeasurementCollector collector_;
  std::optional<std::string> previousKVLAppID_;
};

}  // namespace measurement_test
