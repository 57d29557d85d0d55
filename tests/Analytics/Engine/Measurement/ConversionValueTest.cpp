// Conversion values against the loopback collector and the ad-network
// stand-in: the request as the server reads it, what each reply does, the
// retry timers and limits, the postback windows and the "_skan" event.
#include <cmath>

#include "Analytics/Engine/APMAlarm.h"
#include "Platform/TrivandelUtilities/TVUGzip.h"
#include "tests/Analytics/Engine/Measurement/AttributionFixture.h"

namespace measurement_test {
namespace {

using platform::Clock;
using storekit::SKAdNetwork;

// Reply fields as the wire numbers them.
constexpr uint32_t kStatus = 1;
constexpr uint32_t kMessage = 2;
constexpr uint32_t kFine = 3;
constexpr uint32_t kCoarse = 4;
constexpr uint32_t kLock = 5;
constexpr uint32_t kExpiry = 6;
constexpr uint32_t kEventTime = 7;
constexpr uint32_t kBackoff = 8;

// Alarms keep their due time on the uptime scale: compare to the millisecond.
void ExpectDue(const std::optional<double>& due, double expected) {
  ASSERT_TRUE(due);
  EXPECT_NEAR(*due, expected, 0.001);
}

class ConversionValueTest : public AttributionFixture {
 protected:
  // Time settings travel as milliseconds, whatever their key's suffix says;
  // each value differs from its default so that a misread one shows.
  std::vector<std::pair<std::string, std::string>> settings() const override {
    return {{"measurement.skan.update_conversion_value_enabled", "1"},
            {"measurement.skan.first_window.cv_fetch_retry_interval_sec", "40000"},
            {"measurement.skan.cv_fetch_retry_interval_sec", "70000"},
            {"measurement.skan.first_window.cv_fetch_retry_limit", "2"},
            {"measurement.skan.cv_fetch_retry_limit", "3"},
            {"measurement.skan.first_window.initial_cv_fetch_delay_sec", "5000"},
            {"measurement.skan.initial_cv_fetch_delay_sec", "50000"},
            {"measurement.skan.first_window.upload_interval_sec", "900000"}};
  }

  void SetUp() override {
    AttributionFixture::SetUp();
    if (HasFatalFailure()) return;
    engine_->persistedConfig()->setFirstOpenTimestampMilliseconds(kStartMillis);
    engine_->persistedConfig()->setLastUploadedEventTimestampMillis(0);
    auto config = engine_->remoteConfigInstance();
    ASSERT_EQ(config->SKANFirstWindowCVFetchRetryInterval(), 40);
    ASSERT_EQ(config->SKANCVFetchRetryInterval(), 70);
    ASSERT_EQ(config->SKANFirstWindowCVFetchDelay(), 5);
    ASSERT_EQ(config->SKANInitialCVFetchDelay(), 50);
    ASSERT_EQ(config->SKANFirstWindowUploadInterval(), 900);
  }

  // A reply that the engine accepts, with each field given.
  static WireWriter acceptedReply() {
    WireWriter w;
    w.varint(kStatus, 1).text(kMessage, "cv-note").varint(kFine, 42).varint(kCoarse, 3).varint(kLock, 1);
    w.varint(kExpiry, static_cast<uint64_t>(kStartMillis + 3600 * 1000)).varint(kEventTime, kStartMillis);
    return w;
  }
  static MeasurementCollector::Reply replyOf(int status, std::string body,
                                             std::map<std::string, std::string> headers = {}) {
    MeasurementCollector::Reply r;
    r.status = status;
    r.body = std::move(body);
    r.headers = std::move(headers);
    return r;
  }

  // One fetch through the collector, every completion run.
  void fetchOnce(const MeasurementCollector::Reply& reply) {
    collector_.queueReply(Route::kConversionValue, reply);
    const std::size_t before = collector_.requests(Route::kConversionValue).size();
    onWorker([&] { engine_->fetchSKANCV(); });
    waitForRoute(Route::kConversionValue, before + 1);
    settle();
  }

  int64_t retryCount() {
    return readOnWorker<int64_t>([&] { return engine_->SKANRetryCount(); });
  }
  std::optional<double> retryDue() {
    return readOnWorker<std::optional<double>>([&] {
      return engine_->SKANRetryAlarm() ? engine_->SKANRetryAlarm()->scheduledTimestamp() : std::nullopt;
    });
  }
};

TEST_F(ConversionValueTest, RequestCarriesItsFieldsAndAnAcceptedReplyUpdatesThePlatformAndLogsSkan) {
  auto persisted = engine_->persistedConfig();
  persisted->setSKANEvaluationEventTimeMillis(111);
  persisted->setLastUploadedEventTimestampMillis(kStartMillis - 5000);
  fetchOnce(replyOf(200, acceptedReply().bytes()));

  const auto requests = collector_.requests(Route::kConversionValue);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/skan");
  EXPECT_EQ(requests[0].headers.count("accept-encoding") ? requests[0].headers.at("accept-encoding") : "", "gzip");
  auto fields = WireFields::read(requests[0].body);
  ASSERT_TRUE(fields);
  EXPECT_EQ(static_cast<int64_t>(fields->varints[1]), APMIdentity::appMeasurementLibraryVersion());
  EXPECT_EQ(fields->texts[2], kAppID);
  EXPECT_EQ(fields->texts[3], engine_->identity()->appInstanceID().value_or("?"));
  EXPECT_EQ(fields->texts[4], "4.0");
  EXPECT_EQ(fields->varints[5], 111u);
  EXPECT_EQ(static_cast<int64_t>(fields->varints[6]), kStartMillis - 5000);

  const auto updates = SKAdNetwork::conversionValueUpdates();
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0].fineValue, 42);
  EXPECT_EQ(updates[0].coarseValue, storekit::kSKAdNetworkCoarseConversionValueHigh);
  EXPECT_TRUE(updates[0].lockWindow);
  EXPECT_EQ(persisted->SKANEvaluationEventTimeMillis(), kStartMillis);
  EXPECT_EQ(persisted->SKANEvaluationUpdateBackoffMillis(), 0);

  const auto skan = rawEventsNamed("_skan");
  ASSERT_EQ(skan.size(), 1u);
  EXPECT_EQ(textParameter(skan[0], "_skanm"), "cv-note");
  EXPECT_EQ(intParameter(skan[0], "_skanf"), 42);
  EXPECT_EQ(intParameter(skan[0], "_skanc"), 3);
  EXPECT_EQ(intParameter(skan[0], "_skanl"), 1);
  EXPECT_EQ(intParameter(skan[0], "_skane"), kStartMillis);
  EXPECT_FALSE(readOnWorker<bool>([&] { return engine_->isSKANRequestInProgress(); }));
  EXPECT_FALSE(pending());
}

TEST_F(ConversionValueTest, EachReplyStopsRetriesOrUpdatesAsItsContentSays) {
  const int64_t nowMs = kStartMillis;
  auto gzip = [](const std::string& body) {
    auto packed = platform::TVUGzip::tvu_dataByGzippingData(platform::Bytes(body.begin(), body.end()));
    EXPECT_TRUE(packed.ok());
    return packed.ok() ? std::string(packed->begin(), packed->end()) : std::string();
  };
  auto reply = [&](std::initializer_list<std::pair<uint32_t, int64_t>> numbers) {
    WireWriter w;
    for (auto [number, value] : numbers) w.varint(number, static_cast<uint64_t>(value));
    return w.bytes();
  };
  const int64_t expiry = nowMs + 60000;
  enum Outcome { kStop, kRetry, kUpdate };
  struct Case {
    const char* what;
    MeasurementCollector::Reply reply;
    Outcome outcome;
    int logCode;  // 0: none expected
    int64_t fine = -1;
    const char* coarse = nullptr;
  };
  const Case cases[] = {
      {"304", replyOf(304, ""), kStop, 0},
      {"500", replyOf(500, ""), kRetry, 23241},
      {"gzip'd 200",
       replyOf(200, gzip(reply({{kStatus, 1}, {kFine, 7}, {kCoarse, 2}, {kExpiry, expiry}, {kEventTime, nowMs}})),
               {{"Content-Encoding", "GZIP"}}),
       kUpdate, 23248, 7, storekit::kSKAdNetworkCoarseConversionValueMedium},
      {"empty body", replyOf(200, ""), kStop, 23242},
      {"garbage", replyOf(200, std::string("\xff\xff\xff\xff", 4)), kStop, 23243},
      {"status 2", replyOf(200, reply({{kStatus, 2}})), kStop, 0},
      {"status 3", replyOf(200, reply({{kStatus, 3}})), kRetry, 0},
      {"no status", replyOf(200, reply({{kFine, 3}})), kRetry, 0},
      {"no event time", replyOf(200, reply({{kStatus, 1}, {kFine, 3}, {kExpiry, expiry}})), kRetry, 23244},
      {"no fine, no coarse", replyOf(200, reply({{kStatus, 1}, {kExpiry, expiry}, {kEventTime, nowMs}})), kStop,
       23251},
      {"fine 64", replyOf(200, reply({{kStatus, 1}, {kFine, 64}, {kExpiry, expiry}, {kEventTime, nowMs}})), kStop,
       23245},
      {"fine 63", replyOf(200, reply({{kStatus, 1}, {kFine, 63}, {kExpiry, expiry}, {kEventTime, nowMs}})),
       kUpdate, 23248, 63, storekit::kSKAdNetworkCoarseConversionValueLow},
      {"coarse only sends fine 0",
       replyOf(200, reply({{kStatus, 1}, {kCoarse, 3}, {kExpiry, expiry}, {kEventTime, nowMs}})), kUpdate, 23248, 0,
       storekit::kSKAdNetworkCoarseConversionValueHigh},
      {"no expiry", replyOf(200, reply({{kStatus, 1}, {kFine, 3}, {kEventTime, nowMs}})), kRetry, 23255},
      // Expiry truncates to the whole second before now: passed.
      {"expired", replyOf(200, reply({{kStatus, 1}, {kFine, 3}, {kExpiry, nowMs - 1}, {kEventTime, nowMs}})),
       kRetry, 23246},
      {"expiry within this second",
       replyOf(200, reply({{kStatus, 1}, {kFine, 3}, {kExpiry, nowMs + 999}, {kEventTime, nowMs}})), kUpdate,
       23248, 3, storekit::kSKAdNetworkCoarseConversionValueLow},
      {"outdated event time",
       replyOf(200, reply({{kStatus, 1}, {kFine, 3}, {kExpiry, expiry}, {kEventTime, nowMs - 10001}})), kRetry,
       23247},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SKAdNetwork::reset();
    engine_->persistedConfig()->setLastUploadedEventTimestampMillis(nowMs - 10000);
    engine_->persistedConfig()->setSKANEvaluationEventTimeMillis(0);
    onWorker([&] { engine_->setSKANRetryCount(1); });
    forgetLog();
    fetchOnce(c.reply);

    if (c.logCode != 0) {
      EXPECT_TRUE(logged(c.logCode)) << c.logCode;
    }
    const auto updates = SKAdNetwork::conversionValueUpdates();
    switch (c.outcome) {
      case kStop:
        EXPECT_EQ(retryCount(), 0);
        EXPECT_TRUE(updates.empty());
        break;
      case kRetry:
        EXPECT_EQ(retryCount(), 2);
        EXPECT_TRUE(updates.empty());
        ExpectDue(retryDue(), Clock::nowSeconds() + engine_->remoteConfigInstance()->SKANFirstWindowCVFetchRetryInterval());
        break;
      case kUpdate:
        EXPECT_EQ(retryCount(), 0);
        ASSERT_EQ(updates.size(), 1u);
        EXPECT_EQ(updates[0].fineValue, c.fine);
        EXPECT_EQ(updates[0].coarseValue, c.coarse);
        EXPECT_FALSE(updates[0].lockWindow);
        break;
    }
  }
}

TEST_F(ConversionValueTest, RetriesRunOnTheirAlarmUntilTheLimitInBothWindows) {
  struct Case {
    const char* what;
    int64_t firstOpenAgoMillis;
    double interval;
    int64_t limit;
  };
  auto config = engine_->remoteConfigInstance();
  const Case cases[] = {
      {"first window", 0, config->SKANFirstWindowCVFetchRetryInterval(), config->SKANFirstWindowCVFetchRetryLimit()},
      {"after the first window", 3 * 86400 * 1000LL, config->SKANCVFetchRetryInterval(),
       config->SKANCVFetchRetryLimit()},
  };
  collector_.setDefaultReply(Route::kConversionValue, replyOf(500, ""));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    engine_->persistedConfig()->setFirstOpenTimestampMilliseconds(
        static_cast<int64_t>(std::llround(Clock::nowSeconds() * 1000)) - c.firstOpenAgoMillis);
    onWorker([&] { engine_->setSKANRetryCount(0); });
    forgetLog();
    const std::size_t before = collector_.requests(Route::kConversionValue).size();
    onWorker([&] { engine_->fetchSKANCV(); });
    waitForRoute(Route::kConversionValue, before + 1);
    // Each failure arms the retry alarm one interval on, until the count passes the limit.
    for (int64_t attempt = 1; attempt <= c.limit; ++attempt) {
      SCOPED_TRACE(attempt);
      EXPECT_EQ(retryCount(), attempt);
      ExpectDue(retryDue(), Clock::nowSeconds() + c.interval);
      EXPECT_FALSE(logged(23250));
      // Exactly to the due time: the reply is real I/O and must find the
      // clock where the alarm fired, so the next due time is known.
      clock_->runFor(c.interval);
      waitForRoute(Route::kConversionValue, before + 1 + static_cast<std::size_t>(attempt));
    }
    EXPECT_TRUE(logged(23250));
    EXPECT_EQ(retryCount(), c.limit + 1);
    EXPECT_EQ(retryDue(), std::nullopt);
    clock_->runFor(c.interval * 2);
    settle();
    EXPECT_EQ(collector_.requests(Route::kConversionValue).size(), before + 1 + static_cast<std::size_t>(c.limit));
  }
}

TEST_F(ConversionValueTest, AnUpdatesBackoffHoldsTheRetryLimitAtOne) {
  WireWriter w = acceptedReply();
  w.varint(kBackoff, 86400000);
  fetchOnce(replyOf(200, w.bytes()));
  ASSERT_EQ(SKAdNetwork::conversionValueUpdates().size(), 1u);
  EXPECT_EQ(engine_->persistedConfig()->SKANEvaluationUpdateBackoffMillis(), 86400000);
  EXPECT_EQ(readOnWorker<int64_t>([&] { return engine_->SKANFetchRetryLimit(); }), 1);
  clock_->advance(86400);
  EXPECT_EQ(readOnWorker<int64_t>([&] { return engine_->SKANFetchRetryLimit(); }), 1);  // the edge still counts
  clock_->advance(0.001);
  // Past the back-off, after the first window (48 h not yet passed: still first window).
  EXPECT_EQ(readOnWorker<int64_t>([&] { return engine_->SKANFetchRetryLimit(); }), 2);
}

TEST_F(ConversionValueTest, VersionTableAndTheGateOfTheFetch) {
  const std::pair<const char*, const char*> versions[] = {
      {"17.0", "4.0"}, {"16.1", "4.0"}, {"16.0", "3.0"}, {"14.6", "3.0"}, {"14.5", "2.2"}, {"14.4", "2.1"},
      {"14.0", "2.1"}, {"13.7", "1.0"}, {"13.6", "0"},   {"9.0", "0"},
  };
  for (const auto& [system, expected] : versions) {
    setSystemVersion(system);
    EXPECT_EQ(APMMeasurement::SKANVersion(), expected) << system;
  }
  // Below 16.1 nothing is fetched.
  setSystemVersion("16.0");
  onWorker([&] { engine_->fetchSKANCV(); });
  settle();
  EXPECT_TRUE(collector_.requests(Route::kConversionValue).empty());
  setSystemVersion("16.1");
  fetchOnce(replyOf(304, ""));
  EXPECT_EQ(collector_.requests(Route::kConversionValue).size(), 1u);
}

TEST_F(ConversionValueTest, WindowsEndAtTheirMillisecondEdges) {
  struct Case {
    double secondsAfterFirstOpen;
    bool inFirst;
    bool pastAll;
  };
  const Case cases[] = {
      {0, true, false},
      {172800.0, true, false},
      {172800.001, false, false},
      {3024000.0, false, false},
      {3024000.001, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.secondsAfterFirstOpen);
    clock_->setNow(kStartNow + c.secondsAfterFirstOpen);
    EXPECT_EQ(readOnWorker<bool>([&] { return engine_->isInFirstSKANPostbackWindow(); }), c.inFirst);
    EXPECT_EQ(readOnWorker<bool>([&] { return engine_->isPastAllSKANPostbackWindows(); }), c.pastAll);
    EXPECT_EQ(readOnWorker<bool>([&] { return engine_->shouldFetchSKANConversionValue(); }), !c.pastAll);
  }
}

TEST_F(ConversionValueTest, TheFirstWindowShortensTheUploadInterval) {
  // Only a plain event waits (the start's events may be real-time ones).
  sql("DELETE FROM raw_events");
  sql("DELETE FROM queue");
  logEvent("alpha");
  auto persisted = engine_->persistedConfig();
  const double now = Clock::nowSeconds();
  persisted->setLastSuccessfulUploadTimestamp(now - 100);
  persisted->setLastFailedUploadTimestamp(0);
  EXPECT_DOUBLE_EQ(readOnWorker<double>([&] { return engine_->nextUploadingTime(); }), now - 100 + 900);
  persisted->setFirstOpenTimestampMilliseconds(kStartMillis - 3 * 86400 * 1000LL);
  const double interval = engine_->remoteConfigInstance()->uploadingInterval();
  ASSERT_NE(interval, 900);
  EXPECT_DOUBLE_EQ(readOnWorker<double>([&] { return engine_->nextUploadingTime(); }), now - 100 + interval);
}

TEST_F(ConversionValueTest, AfterAnUploadTheDelayAlarmFetchesOnce) {
  onWorker([&] { engine_->scheduleSKANCVFetchAfterDataUpload(); });
  auto due = readOnWorker<std::optional<double>>([&] { return engine_->SKANDelayAlarm()->scheduledTimestamp(); });
  const double delay = engine_->remoteConfigInstance()->SKANFirstWindowCVFetchDelay();
  ExpectDue(due, Clock::nowSeconds() + delay);
  collector_.queueReply(Route::kConversionValue, replyOf(304, ""));
  clock_->runFor(delay + 1);
  waitForRoute(Route::kConversionValue, 1);
  EXPECT_EQ(collector_.requests(Route::kConversionValue).size(), 1u);
}

TEST_F(ConversionValueTest, PlatformCompletionErrorsOtherThanTheAcceptedOneEndWithoutAnEvent) {
  // Through the stand-in: its scripted error comes back on the worker queue.
  SKAdNetwork::setNextUpdateError(storekit::SKAdNetworkError{"OtherDomain", 10});
  fetchOnce(replyOf(200, acceptedReply().bytes()));
  ASSERT_EQ(SKAdNetwork::conversionValueUpdates().size(), 1u);
  EXPECT_TRUE(logged(23249));
  EXPECT_TRUE(rawEventsNamed("_skan").empty());

  struct Case {
    const char* system;
    std::optional<std::string> domain;
    int64_t code;
    bool event;
  };
  const Case cases[] = {
      {"17.0", std::nullopt, 0, true},
      {"16.1", std::string(storekit::kSKANErrorDomain), 10, true},
      {"17.0", std::string(storekit::kSKANErrorDomain), 11, false},
      {"17.0", std::string("OtherDomain"), 10, false},
      {"16.0", std::string(storekit::kSKANErrorDomain), 10, false},
  };
  auto response = APMPBSkAdNetworkConversionValueResponse::initWithBuffer(
      reinterpret_cast<const uint8_t*>(acceptedReply().bytes().data()), acceptedReply().bytes().size());
  ASSERT_TRUE(response);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.system) + " " + c.domain.value_or("none") + " " + std::to_string(c.code));
    setSystemVersion(c.system);
    forgetLog();
    const std::size_t before = rawEventsNamed("_skan").size();
    onWorker([&] { engine_->handleSKANUpdatePostbackCompletion(response, c.domain, c.code); });
    EXPECT_EQ(rawEventsNamed("_skan").size(), before + (c.event ? 1 : 0));
    EXPECT_EQ(logged(23249), !c.event);
  }
}

TEST_F(ConversionValueTest, ARequestThatCannotStartLeavesNothingSetAndCountsOneFailure) {
  pointServicesAtCollector("measurement.facility.invalid");
  bool inProgress = true;
  bool isPending = true;
  onWorker([&] {
    engine_->fetchSKANCV();
    inProgress = engine_->isSKANRequestInProgress();
    isPending = engine_->isNetworkRequestPending();
  });
  EXPECT_FALSE(inProgress);
  EXPECT_FALSE(isPending);
  waitForReplies();
  EXPECT_EQ(retryCount(), 1);
  EXPECT_TRUE(logged(23241));
  EXPECT_TRUE(collector_.requests(Route::kConversionValue).empty());
}

TEST_F(ConversionValueTest, OfflineFetchWaitsForTheNetworkToComeBack) {
  reachable_ = false;
  reachability_->inject(platform::ReachabilityStatus::kNotReachable);
  settle();
  onWorker([&] { engine_->fetchSKANCV(); });
  EXPECT_TRUE(readOnWorker<bool>([&] { return engine_->fetchSKANWhenNetworkConnected(); }));
  EXPECT_TRUE(collector_.requests(Route::kConversionValue).empty());
  collector_.queueReply(Route::kConversionValue, replyOf(304, ""));
  reachable_ = true;
  reachability_->inject(platform::ReachabilityStatus::kReachableEthernetOrWiFi);
  waitForRoute(Route::kConversionValue, 1);
  EXPECT_FALSE(readOnWorker<bool>([&] { return engine_->fetchSKANWhenNetworkConnected(); }));
}

}  // namespace
}  // namespace measurement_test
