// Campaign URLs, launch deep links, user activities and deferred deep links:
// which parameters a campaign event carries, when a deferred link may be
// requested, the exact request, and the hand-off of the reply to the app
// delegate.
#include <mutex>

#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Platform/AppTrackingTransparency/ATTrackingManager.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/ApplicationDelegate.h"
#include "Platform/UIKit/LaunchOptions.h"
#include "tests/Analytics/Engine/Measurement/AttributionFixture.h"

namespace measurement_test {
namespace {

using platform::Clock;

constexpr const char* kAdvertisingID = "5D3F1A9E-0B7C-4E21-9A8D-3C6B2F1E7A40";
constexpr const char* kDeepLinkKey = "/trivandel/measurement/deep_link";
constexpr const char* kDeepLinkTimeKey = "/trivandel/measurement/deep_link_timestamp_seconds";

// A delegate that takes opened URLs (or claims not to), recording them.
class RecordingDelegate : public uikit::ApplicationDelegate {
 public:
  explicit RecordingDelegate(bool takesURLs) : takesURLs_(takesURLs) {}
  bool applicationOpenURLOptions(uikit::Application&, const std::string& url,
                                 const std::map<std::string, std::string>& options) override {
    std::lock_guard<std::mutex> lock(mu_);
    opened_.emplace_back(url, options);
    onMainThread_ = onMainThread_ && platform::DispatchQueue::main()->isCurrent();
    return true;
  }
  bool implementsApplicationOpenURLOptions() const override { return takesURLs_; }
  std::vector<std::pair<std::string, std::map<std::string, std::string>>> opened() const {
    std::lock_guard<std::mutex> lock(mu_);
    return opened_;
  }
  bool onMainThread() const {
    std::lock_guard<std::mutex> lock(mu_);
    return onMainThread_;
  }

 private:
  const bool takesURLs_;
  mutable std::mutex mu_;
  std::vector<std::pair<std::string, std::map<std::string, std::string>>> opened_;
  bool onMainThread_ = true;
};

class CampaignTest : public AttributionFixture {
 protected:
  void TearDown() override {
    uikit::Application::shared().setDelegate(nullptr);
    APMUserDefaults::standardUserDefaults().removeObjectForKey(kDeepLinkKey);
    APMUserDefaults::standardUserDefaults().removeObjectForKey(kDeepLinkTimeKey);
    platform::ProcessInfo::processInfo().setArgumentsForTesting({"tests"});
    AttributionFixture::TearDown();
  }

  // The identity reads the advertising state again (its cache lasts a second).
  void refreshIdentity(bool trackingEnabled, const std::string& identifier, int64_t trackingStatus) {
    setAdvertising(trackingEnabled, identifier);
    apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(trackingStatus);
    clock_->advance(2);
    engine_->identity()->updateIdentifiersAndWait();
  }

  void openURL(const std::string& url, const APMEvent::Parameters& extras = {},
               std::optional<int64_t> clickMillis = std::nullopt, double eventTime = 0) {
    onWorker([&] {
      engine_->handleOpenURLOnWorkerQueue(url, clickMillis, eventTime == 0 ? Clock::nowSeconds() : eventTime,
                                          extras);
    });
  }

  // The campaign events stored so far ("_cmp" and "_cmpx").
  std::vector<APMEvent> campaigns() {
    std::vector<APMEvent> out;
    for (auto& event : rawEvents()) {
      if (event.name() == "_cmp" || event.name() == "_cmpx") out.push_back(std::move(event));
    }
    return out;
  }
  // The text parameters of an event without the engine's own marks.
  static std::map<std::string, std::string> texts(const APMEvent& event) {
    std::map<std::string, std::string> out;
    for (const auto& [key, value] : event.parameters()) {
      if (value.isString() && key != "_o") out[key] = *value.stringPointer();
    }
    return out;
  }
};

TEST_F(CampaignTest, EveryMappedKeyBecomesItsParameterAndOtherKeysAreDropped) {
  refreshIdentity(true, kAdvertisingID, 0);  // click identifiers allowed
  openURL(
      "facility://open?aclid=a1&anid=a2&utm_campaign=c&cis=ci&utm_content=co&cp1=p&kclid=k&tclid=t&tbraid=tb"
      "&utm_medium=m&utm_source=s&srsltid=sr&utm_term=te&utm_id=id&utm_creative_format=cf"
      "&utm_marketing_tactic=mt&utm_source_platform=sp&sfmc_id=sf&unknown=u&utm_empty=");
  const auto events = campaigns();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].name(), "_cmp");
  EXPECT_EQ(events[0].origin(), "auto");
  const std::map<std::string, std::string> expected{
      {"aclid", "a1"}, {"anid", "a2"},          {"campaign", "c"},         {"_cis", "ci"},
      {"content", "co"}, {"cp1", "p"},          {"kclid", "k"},            {"tclid", "t"},
      {"tbraid", "tb"}, {"medium", "m"},        {"source", "s"},           {"srsltid", "sr"},
      {"term", "te"},   {"campaign_id", "id"},  {"creative_format", "cf"}, {"marketing_tactic", "mt"},
      {"source_platform", "sp"}, {"sfmc_id", "sf"}};
  EXPECT_EQ(texts(events[0]), expected);
  EXPECT_EQ(attributeText("_tbraid"), "tb");
}

TEST_F(CampaignTest, OnlyTheCampaignKeysMakeACampaignURL) {
  const char* defining[] = {"utm_campaign", "tclid", "utm_medium", "utm_source", "tbraid",
                            "utm_id",       "kclid", "srsltid",    "sfmc_id"};
  const char* notDefining[] = {"aclid", "anid", "cis", "utm_content", "cp1", "utm_term",
                               "utm_creative_format", "utm_marketing_tactic", "utm_source_platform"};
  for (const char* key : defining) {
    EXPECT_TRUE(APMMeasurement::isValidCampaignURLParamDictionary({{key, "v"}})) << key;
    EXPECT_FALSE(APMMeasurement::isValidCampaignURLParamDictionary({{key, ""}})) << key;
  }
  for (const char* key : notDefining) {
    EXPECT_FALSE(APMMeasurement::isValidCampaignURLParamDictionary({{key, "v"}})) << key;
  }
  struct Case {
    const char* url;
    int code;
  };
  const Case refused[] = {
      {"facility://open", 23000},
      {"facility://open?aclid=1&utm_term=t", 23001},
      {"facility://open?utm_source=", 23001},
  };
  for (const Case& c : refused) {
    forgetLog();
    openURL(c.url);
    EXPECT_TRUE(logged(c.code)) << c.url;
  }
  EXPECT_TRUE(campaigns().empty());
}

TEST_F(CampaignTest, ClickIdentifiersNeedAnOldSystemAResettableIdentifierOrTrackingAuthorised) {
  struct Case {
    const char* what;
    const char* system;
    const char* identifier;
    int64_t trackingStatus;
    bool kept;
  };
  const Case cases[] = {
      {"before 14", "13.7", APMIdentity::kZeroDeviceID, 0, true},
      {"14, nothing", "14.0", APMIdentity::kZeroDeviceID, 0, false},
      {"resettable identifier", "17.0", kAdvertisingID, 0, true},
      {"tracking authorised", "17.0", APMIdentity::kZeroDeviceID, 3, true},
      {"tracking denied", "17.0", APMIdentity::kZeroDeviceID, 2, false},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setSystemVersion(c.system);
    refreshIdentity(false, c.identifier, c.trackingStatus);
    EXPECT_EQ(readOnWorker<bool>([&] { return engine_->shouldAllowClickID(); }), c.kept);
    openURL("facility://open?tclid=t&kclid=k&srsltid=s&utm_source=src" + std::to_string(index++));
    const auto events = campaigns();
    ASSERT_FALSE(events.empty());
    const auto parameters = texts(events.back());
    EXPECT_EQ(parameters.count("tclid") + parameters.count("kclid") + parameters.count("srsltid"),
              c.kept ? 3u : 0u);
    EXPECT_EQ(parameters.count("source"), 1u);
  }
}

TEST_F(CampaignTest, ExtrasClickTimeAndEventTimeShapeTheEvent) {
  refreshIdentity(false, APMIdentity::kZeroDeviceID, 0);
  const double firstOpen = Clock::nowSeconds() - 10;
  engine_->persistedConfig()->setFirstOpenTimestampMilliseconds(static_cast<int64_t>(firstOpen * 1000));
  // The URL wins over a string extra; a number "_cc" = 1 makes it "_cmpx".
  openURL("facility://open?utm_source=url", {{"utm_source", APMValue("extra")}, {"utm_medium", APMValue("mx")},
                                             {"_cc", APMValue(int64_t{1})}},
          int64_t{1234}, firstOpen - 100);
  // A "_cc" of 2 leaves "_cmp"; an event time after first open is kept.
  openURL("facility://open?utm_source=two", {{"_cc", APMValue(int64_t{2})}}, std::nullopt, firstOpen + 5);
  const auto events = campaigns();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].name(), "_cmpx");
  EXPECT_EQ(texts(events[0]), (std::map<std::string, std::string>{{"source", "url"}, {"medium", "mx"}}));
  EXPECT_EQ(intParameter(events[0], "_cc"), 1);
  EXPECT_EQ(intParameter(events[0], "click_timestamp"), 1234);
  EXPECT_DOUBLE_EQ(events[0].timestamp(), firstOpen);  // raised to first open
  EXPECT_EQ(events[1].name(), "_cmp");
  EXPECT_DOUBLE_EQ(events[1].timestamp(), firstOpen + 5);
}

TEST_F(CampaignTest, UserActivitiesGiveTheirWebPageOnlyWhenTheyCan) {
  using platform::UserActivity;
  const UserActivity browsing{platform::kUserActivityTypeBrowsingWeb, "https://example.test/a?utm_source=s"};
  EXPECT_EQ(APMMeasurement::deepLinkFromUserActivity(browsing), browsing.webpageURL);
  struct Case {
    const char* what;
    std::optional<UserActivity> activity;
    const char* system;
    bool registered;
    int code;
  };
  const Case cases[] = {
      {"nil", std::nullopt, "17.0", true, 23003},
      {"system 8", browsing, "8.4", true, 23004},
      {"unsupported class", browsing, "17.0", false, 23005},
      {"wrong type", UserActivity{"com.facility.other", "https://example.test/"}, "17.0", true, 23006},
      {"empty URL", UserActivity{platform::kUserActivityTypeBrowsingWeb, ""}, "17.0", true, 23006},
      {"no URL", UserActivity{platform::kUserActivityTypeBrowsingWeb, std::nullopt}, "17.0", true, 23006},
  };
  auto& registry = platform::ClassRegistry::shared();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setSystemVersion(c.system);
    if (!c.registered) registry.unregisterClass(platform::kUserActivityClassName);
    forgetLog();
    EXPECT_EQ(APMMeasurement::deepLinkFromUserActivity(c.activity), std::nullopt);
    EXPECT_TRUE(logged(c.code)) << c.code;
    registry.registerClass(platform::kUserActivityClassName, [] { return std::any(platform::UserActivity{}); });
  }
}

TEST_F(CampaignTest, LaunchOptionsStoreTheActivitysLinkBeforeTheURL) {
  auto& defaults = APMUserDefaults::standardUserDefaults();
  struct Case {
    const char* what;
    uikit::LaunchOptions options;
    std::optional<std::string> stored;
  };
  const Case cases[] = {
      {"URL only", {"facility://open?utm_source=u", std::nullopt}, "facility://open?utm_source=u"},
      {"activity before URL",
       {"facility://open?utm_source=u",
        platform::UserActivity{platform::kUserActivityTypeBrowsingWeb, "https://example.test/?utm_source=w"}},
       "https://example.test/?utm_source=w"},
      {"activity without link falls back to the URL",
       {"facility://u", platform::UserActivity{"com.facility.other", "https://example.test/"}},
       "facility://u"},
      {"empty URL", {"", std::nullopt}, std::nullopt},
      {"plain launch", {}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    defaults.removeObjectForKey(kDeepLinkKey);
    defaults.removeObjectForKey(kDeepLinkTimeKey);
    clock_->advance(1);
    APMMeasurement::handleStoredURLAfterAppLaunchWithNotification(c.options.userInfo());
    EXPECT_EQ(defaults.stringForKey(kDeepLinkKey), c.stored);
    if (c.stored) {
      EXPECT_EQ(defaults.objectForKey(kDeepLinkTimeKey), Value(Clock::nowSeconds()));
    } else {
      EXPECT_FALSE(defaults.objectForKey(kDeepLinkTimeKey));
    }
  }
}

TEST_F(CampaignTest, OpenedURLsAreRefusedOnTheWorkerQueueAndReportedFromElsewhere) {
  forgetLog();
  onWorker([&] { engine_->handleNonFirstOpenEventURL("facility://open?utm_source=w", Clock::nowSeconds()); });
  EXPECT_TRUE(monitored("Do not call handleNonFirstOpenOpenURL on the measurement worker queue"));
  EXPECT_TRUE(campaigns().empty());
  engine_->handleNonFirstOpenEventURL("facility://open?utm_source=main", Clock::nowSeconds());
  settle();
  const auto events = campaigns();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(texts(events[0]).at("source"), "main");
}

// ---- Deferred deep links ----

class DeferredDeepLinkTest : public CampaignTest {
 protected:
  void SetUp() override {
    CampaignTest::SetUp();
    if (HasFatalFailure()) return;
    addInfoPlistValues({{"TRIVANDEL_ANALYTICS_DEFERRED_DEEP_LINK_ENABLED", Value(true)}});
    refreshIdentity(true, kAdvertisingID, 3);
  }

  bool allowed() {
    return readOnWorker<bool>([&] { return engine_->shouldAllowRequestDeferredDeepLink(); });
  }

  void request() {
    const std::size_t before = collector_.requests(Route::kDeepLink).size();
    onWorker([&] { engine_->requestDeferredDeepLink(); });
    waitForRoute(Route::kDeepLink, before + 1);
    settle();
  }

  static MeasurementCollector::Reply reply(int status, std::string body) {
    MeasurementCollector::Reply r;
    r.status = status;
    r.body = std::move(body);
    return r;
  }
};

TEST_F(DeferredDeepLinkTest, EligibilityRulesApplyInOrder) {
  auto persisted = engine_->persistedConfig();
  struct Case {
    const char* what;
    std::function<void()> arrange;
    bool allowed;
    int code;  // 0: none; level-5 lines are checked by text
  };
  const Case cases[] = {
      {"switched off remotely", [&] { setSettings({{"measurement.ddl.enabled", "0"}}); }, false, 0},
      {"no Info.plist switch",
       [&] { addInfoPlistValues({{"TRIVANDEL_ANALYTICS_DEFERRED_DEEP_LINK_ENABLED", Value("YES")}}); }, false, 0},
      {"already retrieved", [&] { persisted->setDeferredDeepLinkRetrievalComplete(Value(int64_t{0})); }, false,
       23194},
      {"retry limit", [&] { persisted->setDeferredDeepLinkRetryCount(5); }, false, 23195},
      {"ad storage denied",
       [&] {
         APMConsentSettingsUtil::setConsentSettings(APMConsentSettingsUtil::Settings{{"ad_storage", Value("denied")}});
       },
       false, 23252},
      // Limited tracking: the platform hands out the zero identifier.
      {"limited ad tracking", [&] { refreshIdentity(false, "00000000-0000-0000-0000-000000000000", 3); }, false,
       23196},
      {"eligible", [] {}, true, 23197},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setSettings({});
    addInfoPlistValues({{"TRIVANDEL_ANALYTICS_DEFERRED_DEEP_LINK_ENABLED", Value(true)}});
    persisted->setDeferredDeepLinkRetryCount(0);
    persisted->setDeferredDeepLinkRetrievalComplete(Value());
    APMConsentSettingsUtil::setConsentSettings(std::nullopt);
    refreshIdentity(true, kAdvertisingID, 3);
    c.arrange();
    forgetLog();
    EXPECT_EQ(allowed(), c.allowed);
    if (c.code != 0) {
      EXPECT_TRUE(logged(c.code)) << c.code;
    }
    for (int other : {23194, 23195, 23252, 23196, 23197}) {
      if (other != c.code) {
        EXPECT_FALSE(logged(other)) << other;
      }
    }
    if (std::string(c.what) == "switched off remotely") {
      EXPECT_TRUE(monitored("Deferred Deep Link feature disabled"));
    }
    if (std::string(c.what) == "retry limit") {
      EXPECT_EQ(persisted->deferredDeepLinkRetrievalComplete(), Value(int64_t{1}));
    }
  }
}

TEST_F(DeferredDeepLinkTest, TheRequestNamesItsQueryWithAndWithoutDebugAndConsent) {
  const std::string bundle = engine_->identity()->appID();
  const std::string base = "/pagead/conversion/app/deeplink?sdk_version=" +
                           std::to_string(APMIdentity::appMeasurementLibraryVersion()) + "&rdid=" + kAdvertisingID +
                           "&id_type=idfa&bundleid=" + bundle + "&retry=2";
  engine_->persistedConfig()->setDeferredDeepLinkRetryCount(2);
  collector_.setDefaultReply(Route::kDeepLink, reply(204, ""));

  request();
  platform::ProcessInfo::processInfo().setArgumentsForTesting({"tests", "-DebugDeferredDeepLink"});
  request();
  platform::ProcessInfo::processInfo().setArgumentsForTesting({"tests"});
  // Consent: signals, the region, the core services (sorted, joined, encoded) and personalisation.
  ConfigBuilder config;
  config.settings({{"measurement.upload.dma_consent_enabled", "1"}});
  applyConfig(config);
  APMConsentSettingsUtil::setConsentSettings(APMConsentSettingsUtil::Settings{
      {"ad_storage", Value("granted")}, {"ad_user_data", Value("granted")}, {"ad_personalization", Value("denied")}});
  request();
  APMConsentSettingsUtil::setConsentSettings(APMConsentSettingsUtil::Settings{
      {"ad_storage", Value("granted")}, {"ad_user_data", Value("denied")}});
  request();

  const auto requests = collector_.requests(Route::kDeepLink);
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, base);
  EXPECT_EQ(requests[1].target, base + "&ddl_test=1");
  const std::string dma = engine_->remoteConfigInstance()->isDMARegion() ? "1" : "0";
  EXPECT_EQ(requests[2].target.rfind(base + "&gcs=", 0), 0u) << requests[2].target;
  EXPECT_NE(requests[2].target.find("&dma=" + dma), std::string::npos) << requests[2].target;
  EXPECT_NE(requests[2].target.find("&npa=1"), std::string::npos) << requests[2].target;
  EXPECT_NE(requests[3].target.find("&dma_cps=-"), std::string::npos) << requests[3].target;
  EXPECT_EQ(requests[3].target.find("&npa="), std::string::npos) << requests[3].target;
}

TEST_F(DeferredDeepLinkTest, AReplyReachesTheDelegateOnTheMainThreadThenReportsOneCampaign) {
  auto delegate = std::make_shared<RecordingDelegate>(true);
  uikit::Application::shared().setDelegate(delegate);
  collector_.queueReply(Route::kDeepLink,
                        reply(200, R"({"deeplink":"facility://promo?utm_source=ads","tclid":"click-1",)"
                                   R"("tbraid":"br-1","timestamp":1699999999})"));
  const double takenAt = Clock::nowSeconds();
  request();
  settle();

  const auto opened = delegate->opened();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, "facility://promo?utm_source=ads");
  EXPECT_EQ(opened[0].second, (std::map<std::string, std::string>{{"timestamp", "1699999999"}}));
  EXPECT_TRUE(delegate->onMainThread());
  EXPECT_EQ(engine_->persistedConfig()->deferredDeepLinkRetrievalComplete(), Value(int64_t{0}));
  EXPECT_TRUE(logged(23200));

  const auto events = campaigns();
  ASSERT_EQ(events.size(), 1u);  // never a second report through the application's open-URL path
  EXPECT_EQ(texts(events[0]), (std::map<std::string, std::string>{
                                  {"source", "ads"}, {"_cis", "ddp"}, {"tclid", "click-1"}, {"tbraid", "br-1"}}));
  EXPECT_GE(events[0].timestamp(), takenAt);
  EXPECT_EQ(attributeText("_tbraid"), "br-1");
}

TEST_F(DeferredDeepLinkTest, RepliesOfTheWrongShapeGiveNoLinkAndWithoutClickIDsTclidIsDropped) {
  auto delegate = std::make_shared<RecordingDelegate>(true);
  uikit::Application::shared().setDelegate(delegate);
  struct Case {
    const char* what;
    std::string body;
    int code;
  };
  const Case cases[] = {
      {"empty", "", 23201},
      {"not JSON", "{deeplink", 23202},
      {"an array", R"(["facility://x?utm_source=s"])", 0},
      {"link not text", R"({"deeplink":5})", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    forgetLog();
    collector_.queueReply(Route::kDeepLink, reply(200, c.body));
    request();
    if (c.code != 0) {
      EXPECT_TRUE(logged(c.code)) << c.code;
    }
    EXPECT_FALSE(logged(23200));
  }
  EXPECT_TRUE(delegate->opened().empty());

  // Click identifiers gated off; a number "tclid" is no extra either.
  refreshIdentity(false, APMIdentity::kZeroDeviceID, 2);
  collector_.queueReply(Route::kDeepLink, reply(200, R"({"deeplink":"facility://p?utm_source=a","tclid":"c"})"));
  request();
  settle();
  collector_.queueReply(Route::kDeepLink, reply(200, R"({"deeplink":"facility://p?utm_source=b","tbraid":7})"));
  request();
  settle();
  const auto events = campaigns();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(texts(events[0]), (std::map<std::string, std::string>{{"source", "a"}, {"_cis", "ddp"}}));
  EXPECT_EQ(texts(events[1]), (std::map<std::string, std::string>{{"source", "b"}, {"_cis", "ddp"}}));
}

TEST_F(DeferredDeepLinkTest, ADelegateThatDoesNotTakeURLsIsToldNothing) {
  auto delegate = std::make_shared<RecordingDelegate>(false);
  uikit::Application::shared().setDelegate(delegate);
  collector_.queueReply(Route::kDeepLink, reply(200, R"({"deeplink":"facility://p?utm_source=a"})"));
  request();
  settle();
  EXPECT_TRUE(logged(23204));
  EXPECT_TRUE(delegate->opened().empty());
  EXPECT_TRUE(campaigns().empty());
}

TEST_F(DeferredDeepLinkTest, FailuresCountUntilTheLimitMarksRetrievalComplete) {
  collector_.setDefaultReply(Route::kDeepLink, reply(500, ""));
  auto persisted = engine_->persistedConfig();
  for (int64_t attempt = 1; attempt <= 5; ++attempt) {
    ASSERT_TRUE(allowed()) << attempt;
    request();
    EXPECT_EQ(persisted->deferredDeepLinkRetryCount(), attempt);
    EXPECT_FALSE(persisted->deferredDeepLinkRetrievalComplete());
    EXPECT_FALSE(pending());
  }
  forgetLog();
  EXPECT_FALSE(allowed());
  EXPECT_TRUE(logged(23195));
  EXPECT_EQ(persisted->deferredDeepLinkRetrievalComplete(), Value(int64_t{1}));
}

TEST_F(DeferredDeepLinkTest, AHostThatFormsNoURLOrCannotStartLeavesNothingPending) {
  pointServicesAtCollector(collector_.hostAndPort(), std::string("bad host"));
  forgetLog();
  onWorker([&] { engine_->requestDeferredDeepLink(); });
  EXPECT_TRUE(logged(23198));
  EXPECT_FALSE(pending());

  pointServicesAtCollector(collector_.hostAndPort(), std::string("adsconversion.facility.invalid"));
  bool isPending = true;
  onWorker([&] {
    engine_->requestDeferredDeepLink();
    isPending = engine_->isNetworkRequestPending();
  });
  EXPECT_FALSE(isPending);
  waitForReplies();
  EXPECT_EQ(engine_->persistedConfig()->deferredDeepLinkRetryCount(), 1);
  EXPECT_TRUE(collector_.requests(Route::kDeepLink).empty());
}

TEST_F(DeferredDeepLinkTest, AServiceNameHoldingSeparatorsCannotForgeParameters) {
  ConfigBuilder config;
  config.settings({{"measurement.upload.dma_consent_enabled", "1"}});
  config.consent({}, {}, {"x&npa=0", "a=b"}, true);
  applyConfig(config);
  ASSERT_TRUE(engine_->remoteConfigInstance()->isDMARegion());
  collector_.setDefaultReply(Route::kDeepLink, reply(204, ""));
  request();
  const auto requests = collector_.requests(Route::kDeepLink);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].target.find("&dma=1&dma_cps=a%3Dbx%26npa%3D0"), std::string::npos) << requests[0].target;
  EXPECT_EQ(requests[0].target.find("&npa=0"), std::string::npos) << requests[0].target;
}

TEST_F(DeferredDeepLinkTest, ARequestWaitingForTheConfigurationGoesOutAfterTheFetch) {
  ConfigBuilder config;
  config.settings({{"measurement.upload.dma_consent_enabled", "1"}});
  applyConfig(config);
  collector_.setDefaultReply(Route::kDeepLink, reply(204, ""));
  onWorker([&] {
    engine_->setShouldRequestDeferredDeepLinkAfterConfigFetch(true);
    engine_->fetchRemoteConfig();
  });
  waitForRoute(Route::kDeepLink, 1);
  EXPECT_EQ(collector_.requests(Route::kConfig).size(), 1u);
  EXPECT_FALSE(readOnWorker<bool>([&] { return engine_->shouldRequestDeferredDeepLinkAfterConfigFetch(); }));
  EXPECT_EQ(engine_->persistedConfig()->deferredDeepLinkRetrievalComplete(), Value(int64_t{0}));
}

}  // namespace
}  // namespace measurement_test
