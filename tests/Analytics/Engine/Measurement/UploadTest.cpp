// Upload scheduling and the upload of queued bundles against the loopback
// collector: what a batch carries, what the replies do to the queue and the
// schedule, and the ways an upload must not get stuck.
#include <cmath>
#include <limits>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Platform/Foundation/SaturatingCast.h"
#include "tests/Analytics/Engine/Measurement/UploadFixture.h"

namespace measurement_test {
namespace {

using platform::Clock;

class UploadTest : public UploadFixture {
 protected:
  // Bundle indexes (wire 23) of a batch, in order.
  static std::vector<int64_t> bundleIndexes(const DecodedBatch& batch) {
    std::vector<int64_t> out;
    for (const auto& bundle : batch.bundles) out.push_back(bundle.wire.int64(bundlefield::kBundleIndex).value_or(-1));
    return out;
  }
  void resetUploadTimes() {
    auto persisted = engine_->persistedConfig();
    persisted->setLastSuccessfulUploadTimestamp(0);
    persisted->setLastFailedUploadTimestamp(0);
    persisted->setLastBackoffTimestamp(0);
  }
  MeasurementCollector::Reply reply(int status) {
    MeasurementCollector::Reply r;
    r.status = status;
    return r;
  }
};

TEST_F(UploadTest, BatchCarriesUploadTimeLibraryVersionConsentAndTheEventsInOrderAndNoContentEmptiesTheQueue) {
  APMConsentSettingsUtil::setConsentSettings(
      APMConsentSettingsUtil::Settings{{"ad_storage", Value("denied")}, {"analytics_storage", Value("granted")}});
  logEvents({"alpha", "beta", "gamma"});
  ASSERT_EQ(count("raw_events"), 3);
  const double sentAt = Clock::nowSeconds();
  uploadNow();
  ASSERT_TRUE(waitForRequests(1));

  const auto all = batches();
  ASSERT_EQ(all.size(), 1u) << collector_.requests()[0].batchError;
  const DecodedBatch& batch = all[0];
  ASSERT_FALSE(batch.bundles.empty());
  EXPECT_EQ(eventNames(batch), (std::vector<std::string>{"alpha", "beta", "gamma"}));
  for (const auto& bundle : batch.bundles) {
    EXPECT_EQ(bundle.wire.int64(bundlefield::kUploadTimestamp), platform::SaturatingCast::toInt64(sentAt * 1000));
    EXPECT_EQ(bundle.wire.int64(bundlefield::kLibraryVersion), APMIdentity::appMeasurementLibraryVersion());
    EXPECT_EQ(bundle.wire.string(bundlefield::kConsentSignals), "G101");
  }
  EXPECT_EQ(count("queue"), 0);
  EXPECT_EQ(count("raw_events"), 0);
  EXPECT_EQ(engine_->persistedConfig()->lastSuccessfulUploadTimestamp(), sentAt);
  EXPECT_EQ(engine_->persistedConfig()->lastFailedUploadTimestamp(), 0);
  EXPECT_TRUE(logged(23044));
  EXPECT_FALSE(pending());
}

TEST_F(UploadTest, NextUploadingTimeFollowsDataSuccessFailuresAndTheRealTimeInterval) {
  const double now = Clock::nowSeconds();
  const std::optional<double> none;
  struct Case {
    const char* what;
    std::optional<double> dataAgo;  // the newest raw event; negative: in the future
    bool realtime;
    std::optional<double> successAgo;
    std::optional<double> failureAgo;
    bool debug;
    std::optional<double> expectedFromNow;  // none: no upload is due
  };
  const Case cases[] = {
      {"no data at all", none, false, 7200, none, false, none},
      {"old data, old success: data + initial delay", 600, false, 7200, none, false, -585},
      {"recent success: success + interval", 60, false, 1200, none, false, 2400},
      {"failure after the data: first retry step", 600, false, none, 300, false, 1215},
      {"failure later: the first step beyond it", 20000, false, none, 1000, false, 7015},
      {"six steps never pass the failure", 200000, false, none, 1000, false, none},
      {"failure before the newest data is ignored", 60, false, 7200, 300, false, -45},
      {"data in the future is mirrored into the past", -100, false, none, none, false, -85},
      {"real-time data: the real-time interval", 1, true, 5, none, false, 5},
      {"debug mode: newest data + debug interval", 600, false, none, none, true, -599},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto persisted = engine_->persistedConfig();
    persisted->setLastSuccessfulUploadTimestamp(c.successAgo ? now - *c.successAgo : 0);
    persisted->setLastFailedUploadTimestamp(c.failureAgo ? now - *c.failureAgo : 0);
    APMMeasurementMonitor().setDebugModeEnabled(c.debug);
    double next = -1;
    onWorker([&] {
      ASSERT_TRUE(engine_->database()->deleteRawEventsWithMaxRowID(std::numeric_limits<int64_t>::max(), nullptr));
      if (c.dataAgo) {
        auto older = APMEvent::initWithOrigin("app", true, "older", now - *c.dataAgo - 50, 0, APMParameterObjects{});
        auto newest = APMEvent::initWithOrigin("app", true, "newest", now - *c.dataAgo, 0, APMParameterObjects{});
        ASSERT_TRUE(older && newest);
        ASSERT_TRUE(engine_->database()->insertRawEvent(&*older, 1, false, nullptr));
        ASSERT_TRUE(engine_->database()->insertRawEvent(&*newest, 1, c.realtime, nullptr));
      }
      next = engine_->nextUploadingTime();
    });
    APMMeasurementMonitor().setDebugModeEnabled(false);
    if (c.expectedFromNow) {
      EXPECT_DOUBLE_EQ(next, now + *c.expectedFromNow);
    } else {
      EXPECT_EQ(next, 0);
    }
  }
}

TEST_F(UploadTest, ScheduleKeepsAnEarlierAlarmAndReplacesALaterOne) {
  logEvents({"alpha"});
  const double now = Clock::nowSeconds();
  // The event armed the alarm for its time plus the initial delay.
  ASSERT_TRUE(alarmDue());
  const double due = *alarmDue();
  EXPECT_DOUBLE_EQ(due, now - 1 + 15);

  // A later due time (a recent success) keeps the earlier alarm.
  engine_->persistedConfig()->setLastSuccessfulUploadTimestamp(now - 60);
  forgetLog();
  onWorker([&] { engine_->updateSchedule(); });
  EXPECT_DOUBLE_EQ(*alarmDue(), due);
  EXPECT_TRUE(logged(23027));

  // An earlier one replaces it.
  onWorker([&] { engine_->alarm()->runAfterDelay(7200, [] {}); });
  engine_->persistedConfig()->setLastSuccessfulUploadTimestamp(0);
  onWorker([&] { engine_->updateSchedule(); });
  EXPECT_DOUBLE_EQ(*alarmDue(), due);
  EXPECT_TRUE(logged(23028));
}

TEST_F(UploadTest, FailedUploadsKeepTheBundlesAndBackOffOnlyForUnavailableAndTooManyRequests) {
  struct Case {
    int status;
    bool backoff;
  };
  const Case cases[] = {{500, false}, {503, true}, {429, true}, {404, false}};
  std::size_t requests = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    resetUploadTimes();
    logEvents({"e" + std::to_string(c.status)});
    const double latest = Clock::nowSeconds() - 1;
    collector_.queueReply(Route::kUpload, reply(c.status));
    const double sentAt = Clock::nowSeconds();
    uploadNow();
    ASSERT_TRUE(waitForRequests(++requests));
    auto persisted = engine_->persistedConfig();
    EXPECT_EQ(persisted->lastFailedUploadTimestamp(), sentAt);
    EXPECT_EQ(persisted->lastBackoffTimestamp(), c.backoff ? sentAt : 0);
    EXPECT_EQ(persisted->lastSuccessfulUploadTimestamp(), 0);
    EXPECT_GE(count("queue"), 1);
    EXPECT_FALSE(pending());
    // First retry step after the data, or the end of the back-off when later.
    ASSERT_TRUE(alarmDue());
    EXPECT_DOUBLE_EQ(*alarmDue(), c.backoff ? sentAt + 43200 : latest + 15 + 1800);

    // A success drains the queue and ends the back-off.
    uploadNow();
    ASSERT_TRUE(waitForRequests(++requests));
    EXPECT_EQ(count("queue"), 0);
    EXPECT_EQ(persisted->lastBackoffTimestamp(), 0);
    EXPECT_EQ(persisted->lastFailedUploadTimestamp(), 0);
  }
}

TEST_F(UploadTest, AfterAServerErrorTheNextBatchCarriesRetryCountOne) {
  logEvents({"alpha", "beta"});
  collector_.queueReply(Route::kUpload, reply(500));
  uploadNow();
  ASSERT_TRUE(waitForRequests(1));
  uploadNow();
  ASSERT_TRUE(waitForRequests(2));
  const auto all = batches();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(bundleIndexes(all[0]), bundleIndexes(all[1]));
  for (const auto& bundle : all[0].bundles) EXPECT_EQ(bundle.wire.int64(bundlefield::kRetryCount).value_or(0), 0);
  for (const auto& bundle : all[1].bundles) EXPECT_EQ(bundle.wire.int64(bundlefield::kRetryCount), 1);
  EXPECT_EQ(eventNames(all[1]), (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(count("queue"), 0);
}

// Bundles put straight into the queue, each with its bundle index so the
// batch shows which went.
class UploadCutTest : public UploadTest {
 protected:
  struct Queued {
    std::string appID;
    std::string vendorID;
  };
  void enqueue(const std::vector<Queued>& bundles) {
    const int64_t endMillis = platform::SaturatingCast::toInt64(Clock::nowSeconds() * 1000);
    onWorker([&] {
      int32_t index = 1;
      for (const auto& q : bundles) {
        auto bundle = APMPBMeasurementBundle::initWithMessageInfo(nullptr);
        APMPBSetInt32(bundle.get(), apm_bundle_fields::kBundleProtocolVersion, 1);
        APMPBSetString(bundle.get(), apm_bundle_fields::kBundleAppID, q.appID);
        if (!q.vendorID.empty()) APMPBSetString(bundle.get(), apm_bundle_fields::kBundleVendorID, q.vendorID);
        APMPBSetInt32(bundle.get(), apm_bundle_fields::kBundleIndex, index++);
        APMPBSetInt64(bundle.get(), apm_bundle_fields::kBundleEndTimestamp, endMillis);
        ASSERT_TRUE(engine_->database()->insertBundle(bundle.get(), false, nullptr));
      }
    });
  }
};

TEST_F(UploadCutTest, ABatchEndsAtTheFirstBundleOfAnotherDeviceOrApp) {
  const std::string app = kAppID, other = "1:1234567890:ios:ffffffffffff";
  struct Case {
    const char* what;
    std::vector<Queued> queue;
    std::vector<int64_t> firstBatch;
  };
  const Case cases[] = {
      {"third bundle of another vendor ID", {{app, "A"}, {app, "A"}, {app, "B"}, {app, "A"}}, {1, 2}},
      {"second bundle of another app", {{app, "A"}, {other, "A"}, {app, "A"}}, {1}},
      {"one device and app throughout", {{app, "A"}, {app, "A"}, {app, "A"}}, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    enqueue(c.queue);
    const std::size_t before = collector_.requests().size();
    uploadNow();
    ASSERT_TRUE(waitForRequests(before + 1));
    auto all = batches();
    ASSERT_GT(all.size(), before);
    EXPECT_EQ(bundleIndexes(all[before]), c.firstBatch);
    // The rest go in later batches (a success goes on at once while bundles remain).
    drain();
    all = batches();
    std::vector<int64_t> sent;
    for (std::size_t i = before; i < all.size(); ++i) {
      for (int64_t index : bundleIndexes(all[i])) sent.push_back(index);
    }
    EXPECT_EQ(sent.size(), c.queue.size());
  }
}

TEST_F(UploadCutTest, TheFilterKeepsTheLeadingRunOfCompatibleBundles) {
  const std::string app = kAppID, other = "1:1:ios:other";
  auto bundle = [](const std::string& appID, const std::string& resettable, const std::string& vendor) {
    auto b = APMPBMeasurementBundle::initWithMessageInfo(nullptr);
    APMPBSetString(b.get(), apm_bundle_fields::kBundleAppID, appID);
    if (!resettable.empty()) APMPBSetString(b.get(), apm_bundle_fields::kBundleResettableDeviceID, resettable);
    if (!vendor.empty()) APMPBSetString(b.get(), apm_bundle_fields::kBundleVendorID, vendor);
    return b;
  };
  struct Entry {
    std::string appID, resettable, vendor;
  };
  struct Case {
    const char* what;
    std::optional<std::string> resettable, vendor;
    std::vector<Entry> entries;
    std::size_t kept;
  };
  const Case cases[] = {
      {"vendor filter stops at another vendor", std::nullopt, "V", {{app, "", "V"}, {app, "", ""}, {app, "", "W"}}, 2},
      {"resettable filter compares the resettable ID only",
       "R",
       std::nullopt,
       {{app, "R", "X"}, {app, "", "Y"}, {app, "S", ""}},
       2},
      {"no device filter: any device passes", std::nullopt, std::nullopt, {{app, "R", ""}, {app, "", "V"}}, 2},
      {"app ID must match", std::nullopt, "V", {{app, "", "V"}, {other, "", "V"}, {app, "", "V"}}, 1},
      {"both filters at once keep nothing", "R", "V", {{app, "R", "V"}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<APMDatabase::QueuedBundle> entries;
    int64_t row = 1;
    for (const auto& e : c.entries) entries.push_back({bundle(e.appID, e.resettable, e.vendor), row++});
    std::size_t kept = 99;
    onWorker([&] { kept = engine_->filteredBundlesWithCompatibleAppID(app, c.resettable, c.vendor, entries).size(); });
    EXPECT_EQ(kept, c.kept);
  }
}

class ChecksumTest : public UploadTest {
 protected:
  std::vector<std::pair<std::string, std::string>> settings() const override {
    return {{"measurement.quality.checksum", "1"}};
  }
};

TEST_F(ChecksumTest, ChecksumCoversTheBundleAsSentAfterUploadTimeVersionAndDataControls) {
  applyConfig(ConfigBuilder().settings(settings()).dataControls({"device_model"}));
  logEvents({"alpha", "beta"});
  uploadNow();
  ASSERT_TRUE(waitForRequests(1));
  const auto all = batches();
  ASSERT_EQ(all.size(), 1u);
  ASSERT_FALSE(all[0].bundles.empty());
  for (const auto& bundle : all[0].bundles) {
    ASSERT_TRUE(bundle.wire.int64(bundlefield::kChecksum));
    EXPECT_EQ(*bundle.wire.int64(bundlefield::kChecksum), bundle.recomputedChecksum());
    EXPECT_TRUE(bundle.wire.has(bundlefield::kUploadTimestamp));
    EXPECT_TRUE(bundle.wire.has(bundlefield::kLibraryVersion));
    EXPECT_FALSE(bundle.wire.has(bundlefield::kDeviceModel));
  }

  // Off: no checksum at all.
  applyConfig(ConfigBuilder().settings({{"measurement.quality.checksum", "0"}}));
  logEvents({"gamma"});
  uploadNow();
  ASSERT_TRUE(waitForRequests(2));
  const auto after = batches();
  ASSERT_EQ(after.size(), 2u);
  for (const auto& bundle : after.back().bundles) EXPECT_FALSE(bundle.wire.has(bundlefield::kChecksum));
}

TEST_F(UploadTest, AFailedDeleteSuspendsUploadsForAnHourOfUptimeThenTheBundlesGoAgain) {
  logEvents({"alpha", "beta"});
  sql("CREATE TRIGGER keep_queue BEFORE DELETE ON queue BEGIN SELECT RAISE(ABORT, 'kept'); END");
  uploadNow();
  ASSERT_TRUE(waitForRequests(1));
  EXPECT_TRUE(logged(23045));
  const int64_t queued = count("queue");
  ASSERT_GE(queued, 1);
  const double suspendedAt = Clock::currentShared()->uptime();
  EXPECT_EQ(readOnWorker<double>([&] { return engine_->suspendedUploadTimestamp(); }), suspendedAt);

  // Within the hour nothing goes out, whoever asks.
  clock_->advance(3599);
  forgetLog();
  uploadNow();
  onWorker([&] { engine_->updateSchedule(); });
  logEvents({"gamma"});
  EXPECT_TRUE(logged(23023));
  EXPECT_FALSE(alarmDue());
  EXPECT_EQ(collector_.requests().size(), 1u);

  // After it the first schedule clears the suspension and the kept bundles go again.
  sql("DROP TRIGGER keep_queue");
  clock_->advance(2);
  onWorker([&] { engine_->updateSchedule(); });
  EXPECT_EQ(readOnWorker<double>([&] { return engine_->suspendedUploadTimestamp(); }), 0);
  ASSERT_TRUE(alarmDue());
  clock_->runFor(20);
  ASSERT_TRUE(waitForRequests(2));
  const auto all = batches();
  ASSERT_GE(all.size(), 2u);
  const auto first = bundleIndexes(all[0]);
  const auto again = bundleIndexes(all[1]);
  EXPECT_EQ(std::vector<int64_t>(again.begin(), again.begin() + std::min(again.size(), first.size())), first);
  // Whatever is left (the event logged while suspended) follows.
  drain();
}

TEST_F(UploadTest, ASessionThatCannotStartNeverLeavesTheUploadPending) {
  logEvents({"alpha"});
  pointDeploymentAt(std::nullopt);  // the shipped host, refused without a lookup
  bool pendingAfterPost = true;
  bool idsHeld = true;
  forgetLog();
  onWorker([&] {
    engine_->uploadData();
    pendingAfterPost = engine_->isNetworkRequestPending();
    idsHeld = engine_->uploadingBundleIDs().has_value();
  });
  EXPECT_FALSE(pendingAfterPost);
  EXPECT_FALSE(idsHeld);
  settle();
  // The one completion took the failure path; the kept bundles were not counted as retried.
  EXPECT_FALSE(pending());
  EXPECT_EQ(engine_->persistedConfig()->lastFailedUploadTimestamp(), Clock::nowSeconds());
  EXPECT_EQ(value("SELECT max(retry_count) FROM queue"), "0");
  EXPECT_TRUE(logged(23043));

  // The next upload is not refused as pending.
  pointDeploymentAt(collector_.hostAndPort());
  forgetLog();
  uploadNow();
  ASSERT_TRUE(waitForRequests(1));
  EXPECT_FALSE(logged(23034));
  EXPECT_EQ(count("queue"), 0);
}

TEST_F(UploadTest, LosingTheNetworkStopsSchedulingAndItsReturnSchedulesAndUploads) {
  reachable_ = false;
  reachability_->inject(platform::ReachabilityStatus::kNotReachable);
  ASSERT_TRUE(clock_->runUntil([&] { return !engine_->network()->isNetworkConnected(); }, 10));
  forgetLog();
  logEvents({"offline"});
  EXPECT_TRUE(logged(23026));
  EXPECT_FALSE(alarmDue());
  uploadNow();
  EXPECT_TRUE(logged(23035));
  EXPECT_TRUE(collector_.requests().empty());

  reachable_ = true;
  reachability_->inject(platform::ReachabilityStatus::kReachableEthernetOrWiFi);
  ASSERT_TRUE(clock_->runUntil([&] { return engine_->network()->isNetworkConnected(); }, 10));
  settle();
  ASSERT_TRUE(alarmDue());
  clock_->runFor(20);
  ASSERT_TRUE(waitForRequests(1));
  const auto all = batches();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(eventNames(all[0]), std::vector<std::string>{"offline"});
}

}  // namespace
}  // namespace measurement_test
