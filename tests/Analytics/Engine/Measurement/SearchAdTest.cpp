// Search-ads attribution against the loopback collector with the ad
// framework's stand-in: the request as the server reads it, what each reply
// does, refusals at creation and start, ten attempts a day apart, and a
// reply that meets the next attempt's alarm on the worker queue.
#include <ostream>

#include "Analytics/Engine/APMSearchAdReporter.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Platform/AdServices/AAAttribution.h"
#include "tests/Analytics/Engine/Measurement/AttributionFixture.h"

namespace measurement_test {
namespace {

using adservices::AAAttribution;
using platform::Clock;

// The collector has no route of its own for the attribution service: its
// catch-all records the request and answers what the test queued for it.
constexpr Route kSearchAds = Route::kUnexpected;

MeasurementCollector::Reply JsonReply(int status, std::string body) {
  MeasurementCollector::Reply reply;
  reply.status = status;
  reply.body = std::move(body);
  reply.headers = {{"Content-Type", "application/json"}};
  return reply;
}

class SearchAdTest : public AttributionFixture {
 protected:
  void SetUp() override {
    AttributionFixture::SetUp();
    if (HasFatalFailure()) return;
    Value::Dictionary values{
        {platform::Deployment::kTrustedCertificatesFileKey, Value(collector_.certificateFile())},
        {platform::Deployment::kMeasurementServiceHostKey, Value(collector_.hostAndPort())},
        {platform::Deployment::kSearchAdsAttributionServiceHostKey, Value(collector_.hostAndPort())}};
    const std::string path = root_.path() + "/deployment.plist";
    ASSERT_TRUE(platform::PropertyList::writeFile(path, Value(values)).ok());
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting(platform::Deployment::kEnvironmentVariable,
                                                                       path);
    platform::Deployment::resetForTesting();
    setSystemVersion("17.0");
    AAAttribution::registerWithToken("token-1");
    engine_->persistedConfig()->setFirstOpenTimestampMilliseconds(static_cast<int64_t>(kStartNow) * 1000);
  }
  void TearDown() override {
    reporter_.reset();
    AAAttribution::unregister();
    AttributionFixture::TearDown();
  }

  // A reporter on the engine's queue and data root, enabled and started;
  // none when it was refused.
  std::shared_ptr<APMSearchAdReporter> startReporter() {
    onWorker([&] {
      reporter_ = APMSearchAdReporter::initWithWorkerQueue(engine_->scheduler(), engine_->persistedConfig());
      if (!reporter_) return;
      reporter_->setSearchAdReporterEnabled(true);
      reporter_->start();
    });
    // The first attempt is due at once; the request counts as work in flight.
    settle();
    return reporter_;
  }

  std::optional<bool> storedCampaignValue() {
    auto value = engine_->persistedConfig()->searchAdCampaignValue();
    if (!value) return std::nullopt;
    return value->numberAsInt64().value_or(0) != 0;
  }
  std::optional<double> alarmDue() {
    return readOnWorker<std::optional<double>>([&]() -> std::optional<double> {
      auto alarm = reporter_ ? reporter_->alarm() : nullptr;
      return alarm ? alarm->scheduledTimestamp() : std::nullopt;
    });
  }
  bool alarmDropped() {
    return readOnWorker<bool>([&] { return reporter_ && reporter_->alarm() == nullptr; });
  }

  std::shared_ptr<APMSearchAdReporter> reporter_;
};

TEST_F(SearchAdTest, TheRequestCarriesTheTokenAndAnAttributedReplyLogsCmpOnce) {
  collector_.queueReply(kSearchAds,
                        JsonReply(200, R"({"attribution": true, "campaignId": 5, "keywordId": "kw 1", "adId": 7})"));
  ASSERT_TRUE(startReporter());
  const auto requests = collector_.requests(kSearchAds);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/api/v1/");
  EXPECT_EQ(requests[0].headers.count("cache-control") ? requests[0].headers.at("cache-control") : "", "no-cache");
  EXPECT_EQ(requests[0].headers.count("content-type") ? requests[0].headers.at("content-type") : "", "text/plain");
  EXPECT_EQ(requests[0].body, "token-1");
  EXPECT_EQ(AAAttribution::tokensRequested(), 1);
  EXPECT_EQ(engine_->persistedConfig()->searchAdRetryCount(), 1);
  EXPECT_DOUBLE_EQ(engine_->persistedConfig()->lastSearchAdLookUpTimestamp(), Clock::nowSeconds());

  EXPECT_EQ(storedCampaignValue(), true);
  EXPECT_TRUE(alarmDropped());
  const auto cmp = rawEventsNamed("_cmp");
  ASSERT_EQ(cmp.size(), 1u);
  EXPECT_EQ(textParameter(cmp[0], "source"), "Apple");
  EXPECT_EQ(textParameter(cmp[0], "medium"), "search");
  EXPECT_EQ(textParameter(cmp[0], "campaign"), "5");
  EXPECT_EQ(textParameter(cmp[0], "term"), "kw 1");
  EXPECT_EQ(intParameter(cmp[0], "click_timestamp"), static_cast<int64_t>(kStartNow) * 1000 - 1);

  // Nothing follows, and the next launch makes no reporter.
  clock_->advance(3 * 86400);
  settle();
  EXPECT_EQ(collector_.requests(kSearchAds).size(), 1u);
  forgetLog();
  EXPECT_EQ(APMSearchAdReporter::initWithWorkerQueue(engine_->scheduler(), engine_->persistedConfig()), nullptr);
  EXPECT_TRUE(logged(32002));
}

// What each reply does; one fresh data root per case, since a stored
// answer cannot be taken back.
struct SearchAdReplyCase {
  const char* what;
  int status;
  const char* body;
  std::optional<bool> stored;  // none: no answer, the next attempt stays armed
  int logCode;                 // console code, 0 for none
};
void PrintTo(const SearchAdReplyCase& c, std::ostream* out) { *out << c.what; }

class SearchAdReplyTest : public SearchAdTest, public ::testing::WithParamInterface<SearchAdReplyCase> {};

TEST_P(SearchAdReplyTest, StoresAnAnswerOrWaitsForTheNextDay) {
  const SearchAdReplyCase& c = GetParam();
  forgetLog();
  collector_.queueReply(kSearchAds, JsonReply(c.status, c.body));
  ASSERT_TRUE(startReporter());
  ASSERT_EQ(collector_.requests(kSearchAds).size(), 1u);
  EXPECT_EQ(storedCampaignValue(), c.stored);
  if (c.logCode != 0) {
    EXPECT_TRUE(logged(c.logCode)) << c.logCode;
  }
  EXPECT_TRUE(rawEventsNamed("_cmp").empty());
  if (c.stored) {
    EXPECT_TRUE(alarmDropped());
  } else {
    const auto due = alarmDue();
    ASSERT_TRUE(due);
    EXPECT_NEAR(*due, Clock::nowSeconds() + 86400, 0.001);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SearchAdReplyTest,
    ::testing::Values(
        SearchAdReplyCase{"not attributed", 200, R"({"attribution": false, "campaignId": 5, "adId": 7})", false, 0},
        SearchAdReplyCase{"attribution as text", 200, R"({"attribution": "true", "campaignId": 5})", false, 0},
        SearchAdReplyCase{"the service's test answer", 200,
                          R"({"attribution": true, "campaignId": "1234567890", "adId": 1234567890})", std::nullopt,
                          32016},
        SearchAdReplyCase{"not JSON", 200, "attribution=true", std::nullopt, 32017},
        SearchAdReplyCase{"not an object", 200, "[true]", std::nullopt, 32017},
        SearchAdReplyCase{"empty object", 200, "{}", std::nullopt, 0},
        SearchAdReplyCase{"server error with an answer in its body", 500, R"({"attribution": true})", std::nullopt,
                          32015}));

TEST_F(SearchAdTest, TenAttemptsADayApartThenNoReporterAtTheNextLaunch) {
  collector_.setDefaultReply(kSearchAds, JsonReply(503, ""));
  ASSERT_TRUE(startReporter());
  for (std::size_t attempt = 2; attempt <= 10; ++attempt) {
    SCOPED_TRACE(attempt);
    // One step to the due time (a long run would step through every poll on the way).
    clock_->advance(86400);
    settle();
    EXPECT_EQ(collector_.requests(kSearchAds).size(), attempt);
  }
  EXPECT_EQ(engine_->persistedConfig()->searchAdRetryCount(), 10);
  EXPECT_TRUE(alarmDropped());
  clock_->advance(3 * 86400);
  settle();
  EXPECT_EQ(collector_.requests(kSearchAds).size(), 10u);
  EXPECT_EQ(storedCampaignValue(), std::nullopt);
  forgetLog();
  EXPECT_EQ(APMSearchAdReporter::initWithWorkerQueue(engine_->scheduler(), engine_->persistedConfig()), nullptr);
  EXPECT_FALSE(logged(32002));

  // Nine attempts still leave one.
  engine_->persistedConfig()->setSearchAdRetryCount(9);
  EXPECT_NE(APMSearchAdReporter::initWithWorkerQueue(engine_->scheduler(), engine_->persistedConfig()), nullptr);
}

TEST_F(SearchAdTest, AMissingQueueOrConfigurationIsRefused) {
  // Level 2: the health record only, which keeps the latest line; nothing
  // else may be logging meanwhile.
  settle();
  forgetLog();
  EXPECT_EQ(APMSearchAdReporter::initWithWorkerQueue(nullptr, engine_->persistedConfig()), nullptr);
  EXPECT_TRUE(monitored("Queue must be provided"));
  EXPECT_EQ(APMSearchAdReporter::initWithWorkerQueue(engine_->scheduler(), nullptr), nullptr);
  EXPECT_TRUE(monitored("Persisted config must be provided"));
}

void SetProfile(const std::string& systemVersion, const std::string& model) {
  uikit::DeviceProfile profile = uikit::DeviceProfile::phone390x844();
  profile.systemVersion = systemVersion;
  profile.model = model;
  uikit::Device::setCurrent(profile);
}

// Starts and attempts that send nothing.
struct SearchAdRefusalCase {
  const char* what;
  void (*arrange)();
  int logCode;       // console code, 0 for none
  int64_t attempts;  // attempts counted
};
void PrintTo(const SearchAdRefusalCase& c, std::ostream* out) { *out << c.what; }

class SearchAdRefusalTest : public SearchAdTest, public ::testing::WithParamInterface<SearchAdRefusalCase> {};

TEST_P(SearchAdRefusalTest, SendsNothing) {
  const SearchAdRefusalCase& c = GetParam();
  c.arrange();
  forgetLog();
  ASSERT_TRUE(startReporter());
  EXPECT_TRUE(collector_.requests(kSearchAds).empty());
  if (c.logCode != 0) {
    EXPECT_TRUE(logged(c.logCode)) << c.logCode;
  }
  EXPECT_EQ(engine_->persistedConfig()->searchAdRetryCount(), c.attempts);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, SearchAdRefusalTest,
    ::testing::Values(
        SearchAdRefusalCase{"no framework", [] { AAAttribution::unregister(); }, 32014, 0},
        SearchAdRefusalCase{"system before 14.3", [] { SetProfile("14.2", "iPhone"); }, 32014, 0},
        SearchAdRefusalCase{"simulator", [] { SetProfile("17.0", "x86_64"); }, 32019, 0},
        SearchAdRefusalCase{"token error",
                            [] { AAAttribution::registerWithError(platform::Status::Internal("no token")); }, 32018,
                            1},
        SearchAdRefusalCase{"empty token", [] { AAAttribution::registerWithToken(""); }, 0, 1},
        SearchAdRefusalCase{"no token method", [] { AAAttribution::registerWithoutTokenMethod(); }, 0, 1}));

TEST_F(SearchAdTest, WithoutFirstOpenTheEventHasNoClickTime) {
  engine_->persistedConfig()->setFirstOpenTimestampMilliseconds(1);
  collector_.queueReply(kSearchAds, JsonReply(200, R"({"attribution": true, "keywordId": 12})"));
  ASSERT_TRUE(startReporter());
  const auto cmp = rawEventsNamed("_cmp");
  ASSERT_EQ(cmp.size(), 1u);
  EXPECT_EQ(textParameter(cmp[0], "term"), "12");
  EXPECT_EQ(textParameter(cmp[0], "campaign"), std::nullopt);
  EXPECT_EQ(intParameter(cmp[0], "click_timestamp"), std::nullopt);
}

TEST_F(SearchAdTest, TheShippedHostFailsAtOnceAndTheEngineStartsItsOwnReporter) {
  // The engine made its reporter at start (no framework then: nothing sent).
  ASSERT_TRUE(engine_->searchAdReporter());
  EXPECT_TRUE(engine_->searchAdReporter()->isSearchAdReporterEnabled());

  pointServicesAtCollector(collector_.hostAndPort());  // no attribution host: the shipped ".invalid" one
  forgetLog();
  ASSERT_TRUE(startReporter());
  EXPECT_TRUE(logged(32015));
  EXPECT_EQ(engine_->persistedConfig()->searchAdRetryCount(), 1);
  EXPECT_TRUE(collector_.requests(kSearchAds).empty());
  EXPECT_TRUE(alarmDue());
}

// The answer to one attempt arrives while the next attempt's alarm fires:
// both run on the worker queue, so the answer is stored once, the alarm is
// dropped once and no later attempt follows.
TEST_F(SearchAdTest, AReplyMeetingTheNextAlarmIsHandledOnce) {
  MeasurementCollector::Reply held = JsonReply(200, R"({"attribution": true, "campaignId": 9})");
  held.hold = true;
  collector_.queueReply(kSearchAds, held);
  collector_.setDefaultReply(kSearchAds, JsonReply(200, R"({"attribution": true, "campaignId": 10})"));
  // Not through onWorker: settling would wait for the held request.
  engine_->scheduler()->scheduleOnWorkerQueueBlockID("SearchAdTest:1", [this] {
    reporter_ = APMSearchAdReporter::initWithWorkerQueue(engine_->scheduler(), engine_->persistedConfig());
    reporter_->setSearchAdReporterEnabled(true);
    reporter_->start();
  });
  ASSERT_TRUE(clock_->runUntil([&] { return !collector_.requests(kSearchAds).empty(); }, 30));
  // The next attempt falls due while the held answer goes out.
  clock_->advance(86400);
  collector_.releaseHeld();
  ASSERT_TRUE(clock_->runUntil([&] { return storedCampaignValue().has_value(); }, 30));
  settle();
  EXPECT_EQ(storedCampaignValue(), true);
  EXPECT_TRUE(alarmDropped());
  // The day's jump may have bundled or uploaded the event already: count
  // once everything went out.
  drain();
  std::size_t cmp = rawEventsNamed("_cmp").size();
  for (const auto& batch : batches()) {
    for (const auto& name : eventNames(batch)) cmp += name == "_cmp" ? 1 : 0;
  }
  EXPECT_EQ(cmp, 1u);
  EXPECT_LE(collector_.requests(kSearchAds).size(), 2u);
}

}  // namespace
}  // namespace measurement_test
