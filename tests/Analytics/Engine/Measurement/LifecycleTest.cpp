// First open, updates and session starts at the engine's start; the app's
// lifecycle with its background task; reset, wipe and the purchase filter.
// On the manual clock, read back with plain SQL and the keychain.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "Analytics/Engine/APMKeychainWrapper.h"
#include "Analytics/Engine/APMScreenViewReporter.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseReceipt.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseTransactionReporter.h"
#include "Analytics/Storage/APMEventAggregates.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Runtime/ProcessInfo.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/StoreKit/AppStoreReceipt.h"
#include "Platform/StoreKit/SKAdNetwork.h"
#include "Platform/StoreKit/SKPaymentQueue.h"
#include "Platform/StoreKit/StoreCatalogue.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/LaunchOptions.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"
#include "tests/Analytics/Storage/ReceiptWriter.h"
#include "tests/support/TestChildProcess.h"

namespace measurement_test {
namespace {

constexpr const char* kKeychainIdentifier = "_pfo";
constexpr int64_t kHour = 3600000;
// The whole hour after kStartMillis.
constexpr int64_t kStartNextHour = 1700002800000;

class LifecycleTest : public MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    storekit::SKAdNetwork::reset();
    uikit::Application::resetShared();
    APMSetOriginalVersionAnswerForTesting(std::nullopt);
    // Events the engine logs through the facade pass at once.
    APMAnalytics::unsuspendOperationQueue();
    APMAnalytics::setAnalyticsEnabled(true);
    settle();
    // The scheduling and lifecycle lines are verbose ones.
    APMMeasurementMonitor().setVerboseLoggingEnabled(true);
  }
  void TearDown() override {
    settle();
    APMAnalytics::resetForTesting();
    APMMeasurementMonitor().setVerboseLoggingEnabled(false);
    platform::ProcessInfo::processInfo().setEnvironmentValueForTesting("ActivePrewarm", std::nullopt);
    APMSetOriginalVersionAnswerForTesting(std::nullopt);
    MeasurementFixture::TearDown();
    // The screen reporter heard this test's activations: the next test starts inactive.
    APMScreenViewReporter::setSharedInstanceForTesting(nullptr);
    uikit::Application::resetShared();
    storekit::SKAdNetwork::reset();
    storekit::SKPaymentQueue::defaultQueue().reset();
    storekit::StoreCatalogue::shared().reset();
    storekit::AppStoreReceipt::setURL(std::nullopt);
  }

  std::optional<std::string> keychainCount() {
    return APMKeychainWrapper::keychainValueWithIdentifier(kKeychainIdentifier, kAppID);
  }
  void setKeychainCount(const std::optional<std::string>& count) {
    if (count) {
      ASSERT_TRUE(APMKeychainWrapper::upsertKeychainValue(*count, kKeychainIdentifier, kAppID));
    } else {
      APMKeychainWrapper::deleteKeychainValueWithIdentifier(kKeychainIdentifier, kAppID);
    }
  }

  std::optional<APMUserAttribute> attribute(const std::string& name) {
    std::optional<APMUserAttribute> found;
    onWorker([&] { found = engine_->database()->userAttributeWithName(name, nullptr); });
    return found;
  }
  // The stored events of a name, decoded, in row order.
  std::vector<APMEvent> events(const std::string& name) {
    std::vector<APMEvent> found;
    for (APMEvent& event : rawEvents()) {
      if (event.name() == name) found.push_back(std::move(event));
    }
    return found;
  }
  static std::optional<int64_t> intParameter(const APMEvent& event, const std::string& name) {
    const APMValue* value = event.parameter(name);
    if (value == nullptr || !value->isInt64()) return std::nullopt;
    return value->int64Value();
  }

  // The engine's next start, as a new process on the same data would make it.
  void restart() {
    APMMeasurement::resetSharedInstanceForTesting();
    engine_.reset();
    settle();
    closeReader();
    start();
  }

  void setReachable(bool reachable) {
    reachable_ = reachable;
    reachability_->inject(reachable ? platform::ReachabilityStatus::kReachableEthernetOrWiFi
                                    : platform::ReachabilityStatus::kNotReachable);
    settle();
  }

  std::vector<uikit::BackgroundTasks::Task> heldTasks() {
    return uikit::Application::shared().backgroundTasks().held();
  }
  void post(const char* name) {
    platform::NotificationCenter::defaultCenter().post(name);
    settle();
  }
};

// ---- First open ----

TEST_F(LifecycleTest, AFirstLaunchReportsTheFirstOpenItsSessionAndEngagement) {
  start();
  EXPECT_EQ(rawEventNames(), (std::vector<std::string>{"_f", "_s", "_e"}));

  std::vector<APMEvent> firstOpen = events("_f");
  ASSERT_EQ(firstOpen.size(), 1u);
  EXPECT_EQ(firstOpen[0].origin(), "auto");
  EXPECT_EQ(firstOpen[0].timestamp(), kStartNow);
  EXPECT_EQ(intParameter(firstOpen[0], "_pfo"), 0);
  EXPECT_EQ(intParameter(firstOpen[0], "_uwa"), 1);
  for (const char* absent : {"_dac", "_pkvl", "_et"}) EXPECT_EQ(firstOpen[0].parameter(absent), nullptr) << absent;
  std::vector<APMEvent> engagement = events("_e");
  ASSERT_EQ(engagement.size(), 1u);
  EXPECT_EQ(intParameter(engagement[0], "_et"), 1);
  EXPECT_EQ(engagement[0].parameter("_fr"), nullptr);

  auto afterInstall = attribute("_fi");
  ASSERT_TRUE(afterInstall);
  EXPECT_EQ(afterInstall->value().int64Value(), 0);
  EXPECT_EQ(afterInstall->lastSetTimestamp(), kStartNow);
  auto firstOpenTime = attribute("_fot");
  ASSERT_TRUE(firstOpenTime);
  EXPECT_EQ(firstOpenTime->value().int64Value(), kStartNextHour);
  EXPECT_EQ(firstOpenTime->lastSetTimestamp(), kStartNow);

  // The stored "_f" counted in the keychain; the load time is used up.
  EXPECT_EQ(keychainCount(), "1");
  auto persisted = APMPersistedConfig::sharedInstance();
  EXPECT_EQ(persisted->firstOpenTimestampMilliseconds(), kStartMillis);
  auto loadTime = persisted->loadTimestampValue();
  EXPECT_TRUE(!loadTime || !loadTime->numberAsDouble());
  EXPECT_FALSE(APMAnalytics::deferredAnalyticsCollection());
  EXPECT_EQ(storekit::SKAdNetwork::registrationCount(), 1);
}

TEST_F(LifecycleTest, CollectionDisabledAtFirstThenEnabledMarksTheFirstOpen) {
  EngineOptions options;
  options.collectionEnabled = false;
  engine_ = makeEngine(options);
  EXPECT_FALSE(engine_->isEnabled());
  engine_->setEnabled(true);
  settle();
  std::vector<APMEvent> firstOpen = events("_f");
  ASSERT_EQ(firstOpen.size(), 1u);
  EXPECT_EQ(intParameter(firstOpen[0], "_dac"), 1);
  // Used once.
  EXPECT_FALSE(APMAnalytics::deferredAnalyticsCollection());
}

TEST_F(LifecycleTest, EngagementSettingsShapeTheFirstOpenAndItsEngagement) {
  start();
  struct Case {
    const char* name;
    std::map<std::string, std::string> settings;
    bool firstOpenEt, engagementLogged, engagementFr;
  };
  const Case cases[] = {
      {"defaults", {}, false, true, false},
      {"efficient", {{"measurement.collection.efficient_engagement_reporting_enabled", "1"}}, true, true, true},
      {"redundant removed", {{"measurement.collection.redundant_engagement_removal_enabled", "1"}}, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A first open again, under these settings.
    onWorker([&] { ASSERT_TRUE(engine_->database()->reset(nullptr)); });
    closeReader();  // the reset made a new file
    setSettings(c.settings);
    auto config = engine_->remoteConfigInstance();
    ASSERT_EQ(config->efficientEngagementReportingEnabled(), c.firstOpenEt);
    ASSERT_EQ(config->redundantEngagementRemovalEnabled(), !c.engagementLogged);
    onWorker([&] { engine_->reportFirstOpenOnWorkerQueue(); });
    std::vector<APMEvent> firstOpen = events("_f");
    ASSERT_EQ(firstOpen.size(), 1u);
    EXPECT_EQ(intParameter(firstOpen[0], "_et"), c.firstOpenEt ? std::optional<int64_t>(1) : std::nullopt);
    std::vector<APMEvent> engagement = events("_e");
    ASSERT_EQ(engagement.size(), c.engagementLogged ? 1u : 0u);
    if (c.engagementLogged) {
      EXPECT_EQ(intParameter(engagement[0], "_fr"), c.engagementFr ? std::optional<int64_t>(1) : std::nullopt);
    }
  }
}

TEST_F(LifecycleTest, AfterInstallFollowsTheKeychainThenTheOriginalVersion) {
  struct Case {
    const char* name;
    std::optional<std::string> keychain;
    // What the receipt says of the running build; none: read it (there is none).
    std::optional<bool> originalBuild;
    int64_t fi, uwa, pfo;
    std::string keychainAfter;
  };
  const Case cases[] = {
      {"fresh install, another original version", std::nullopt, false, 0, 1, 0, "1"},
      {"fresh install, no receipt", std::nullopt, std::nullopt, 0, 1, 0, "1"},
      {"fresh install of the original build", std::nullopt, true, 1, 0, 0, "1"},
      {"reinstall", "3", std::nullopt, 1, 0, 3, "4"},
      {"unreadable count", "many", false, 0, 1, 0, "1"},
      {"negative count", "-2", std::nullopt, 0, 1, 0, "1"},
      {"count at the limit stays", "9223372036854775807", std::nullopt, 1, 0, std::numeric_limits<int64_t>::max(),
       "9223372036854775807"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setKeychainCount(c.keychain);
    APMSetOriginalVersionAnswerForTesting(c.originalBuild);
    start();
    std::vector<APMEvent> firstOpen = events("_f");
    ASSERT_EQ(firstOpen.size(), 1u);
    EXPECT_EQ(intParameter(firstOpen[0], "_uwa"), c.uwa);
    EXPECT_EQ(intParameter(firstOpen[0], "_pfo"), c.pfo);
    auto afterInstall = attribute("_fi");
    ASSERT_TRUE(afterInstall);
    EXPECT_EQ(afterInstall->value().int64Value(), c.fi);
    EXPECT_EQ(keychainCount(), c.keychainAfter);
    // Forget the install: database, persisted values.
    onWorker([&] { EXPECT_TRUE(engine_->wipeoutAnalyticsDataAndResetComponents()); });
    APMMeasurement::resetSharedInstanceForTesting();
    engine_.reset();
    settle();
    closeReader();
  }
}

TEST_F(LifecycleTest, FirstOpenTimeIsTheLoadTimeRoundedUpToTheNextHour) {
  const struct {
    int64_t millis, expected;
  } cases[] = {
      {10 * kHour, 11 * kHour},              // an exact hour moves on
      {10 * kHour + 1, 11 * kHour},          // 10:00:00.001
      {11 * kHour - 1, 11 * kHour},          // 10:59:59.999
      {0, kHour},
      {kStartMillis, kStartNextHour},
      {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::max()},  // no overflow
  };
  for (const auto& c : cases) {
    EXPECT_EQ(APMMeasurement::timestampMillisRoundedUpToNextHour(c.millis), c.expected) << c.millis;
  }
}

// A second process on the same data: the child makes the first launch.
constexpr const char* kChildFirstLaunch = "MEASUREMENT_TEST_CHILD_FIRST_LAUNCH";

TEST_F(LifecycleTest, ChildProcessLaunchesFirst) {
  if (std::getenv(kChildFirstLaunch) == nullptr) GTEST_SKIP() << "runs as the child of ASecondProcessFindsTheCount";
  platform::DataRoot::overrideRoot(std::getenv("FACILITY_HOME"));
  start();
  EXPECT_EQ(count("raw_events", "name = '_f'"), 1);
  APMPersistedConfig::sharedInstance()->synchronizeToDisk();
}

TEST_F(LifecycleTest, ASecondProcessFindsTheCountAndWritesNoFirstOpen) {
  ASSERT_EQ(test_support::RunTestsInChildProcess("LifecycleTest.ChildProcessLaunchesFirst", root_.path(),
                                                 {std::string(kChildFirstLaunch) + "=1"}),
            0);
  EXPECT_EQ(keychainCount(), "1");
  clock_->advance(7200);  // past the session timeout
  start();
  EXPECT_EQ(count("raw_events", "name = '_f'"), 1);
  EXPECT_EQ(keychainCount(), "1");
  // This launch's session starts at its own load time.
  EXPECT_EQ(count("raw_events", "name = '_s'"), 2);

  // The keychain item went (a restored device): the launch counts again.
  setKeychainCount(std::nullopt);
  restart();
  EXPECT_EQ(count("raw_events", "name = '_f'"), 1);
  EXPECT_EQ(keychainCount(), "1");
}

// ---- Session starts ----

TEST_F(LifecycleTest, ALaterLaunchStartsASessionOnlyWhenTheLastOneExpired) {
  start();
  auto persisted = APMPersistedConfig::sharedInstance();
  EXPECT_EQ(persisted->sessionNumber(), 1);

  // Within the timeout: the session goes on.
  clock_->advance(60);
  APMAnalytics::setLoadTimestamp(platform::Clock::nowSeconds());
  restart();
  EXPECT_EQ(count("raw_events", "name = '_s'"), 1);

  // Past it: a new one, numbered on, identified by the load time.
  clock_->advance(1801);
  const double load = platform::Clock::nowSeconds();
  APMAnalytics::setLoadTimestamp(load);
  restart();
  std::vector<APMEvent> starts = events("_s");
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].timestamp(), load);
  EXPECT_EQ(intParameter(starts[1], "_sid"), static_cast<int64_t>(load));
  EXPECT_EQ(intParameter(starts[1], "_sno"), 2);
  EXPECT_EQ(starts[1].parameter("_aib"), nullptr);
  auto sessionID = attribute("_sid");
  ASSERT_TRUE(sessionID);
  EXPECT_EQ(sessionID->value().int64Value(), static_cast<int64_t>(load));
  auto sessionNumber = attribute("_sno");
  ASSERT_TRUE(sessionNumber);
  EXPECT_EQ(sessionNumber->value().int64Value(), 2);
}

TEST_F(LifecycleTest, InTheBackgroundTheSessionStartIsMarkedOnlyWhenTheSettingAllows) {
  start();
  for (bool allowed : {false, true}) {
    SCOPED_TRACE(allowed);
    setSettings({{"measurement.lifecycle.app_in_background_parameter", allowed ? "1" : "0"}});
    clock_->advance(3600);
    onWorker([&] { engine_->reportSessionStartOnWorkerQueueWithTimestamp(platform::Clock::nowSeconds(), true); });
    std::vector<APMEvent> starts = events("_s");
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(intParameter(starts.back(), "_aib"), allowed ? std::optional<int64_t>(1) : std::nullopt);
  }
}

TEST_F(LifecycleTest, VersionGatesOfTheFirstOpenAndThePrewarmedLaunch) {
  // Prewarmed launches with a scene manifest wait for the first scene from 15 on.
  setInfo("UIApplicationSceneManifest", Value::dictionary());
  platform::ProcessInfo::processInfo().setEnvironmentValueForTesting("ActivePrewarm", "1");
  const struct {
    const char* system;
    int registrations;
    bool sessionWaitsForScene;
  } cases[] = {
      {"11.2", 0, false}, {"11.3", 1, false}, {"14.8", 1, false}, {"15.0", 1, true}, {"17.0", 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.system);
    uikit::Device::setCurrent(identity_test::PhoneWithSystem(c.system));
    storekit::SKAdNetwork::reset();
    start();
    EXPECT_EQ(storekit::SKAdNetwork::registrationCount(), c.registrations);

    clock_->advance(3600);
    restart();
    EXPECT_EQ(count("raw_events", "name = '_s'"), c.sessionWaitsForScene ? 1 : 2);
    post(uikit::kSceneWillConnectNotification);
    EXPECT_EQ(count("raw_events", "name = '_s'"), 2);
    // One-shot.
    clock_->advance(3600);
    post(uikit::kSceneWillConnectNotification);
    EXPECT_EQ(count("raw_events", "name = '_s'"), 2);

    onWorker([&] { EXPECT_TRUE(engine_->wipeoutAnalyticsDataAndResetComponents()); });
    APMMeasurement::resetSharedInstanceForTesting();
    engine_.reset();
    settle();
    closeReader();
  }
}

TEST_F(LifecycleTest, TheSceneWaitNeedsSystem13) {
  for (const char* system : {"12.4", "13.0"}) {
    SCOPED_TRACE(system);
    uikit::Device::setCurrent(identity_test::PhoneWithSystem(system));
    start();
    clock_->advance(3600);
    const int64_t before = count("raw_events", "name = '_s'");
    onWorker([&] { engine_->reportSessionStartWhenSceneWillConnectOnWorkerQueue(); });
    post(uikit::kSceneWillConnectNotification);
    EXPECT_EQ(count("raw_events", "name = '_s'"), before + (std::string(system) == "13.0" ? 1 : 0));
    APMMeasurement::resetSharedInstanceForTesting();
    engine_.reset();
    settle();
    closeReader();
  }
}

TEST_F(LifecycleTest, ASessionNumberOfZeroIsBackfilledFromTheSessionStartCount) {
  start();
  auto persisted = APMPersistedConfig::sharedInstance();
  onWorker([&] {
    auto aggregates = APMEventAggregates::initWithName("_s", 5, 0, 0, 0);
    ASSERT_TRUE(aggregates);
    ASSERT_TRUE(engine_->database()->updateEventAggregates(&*aggregates, nullptr));
    persisted->setSessionNumber(0);
    engine_->backfillSessionNumber();
  });
  EXPECT_EQ(persisted->sessionNumber(), 5);
  // A number already there stays.
  persisted->setSessionNumber(9);
  onWorker([&] { engine_->backfillSessionNumber(); });
  EXPECT_EQ(persisted->sessionNumber(), 9);
}

TEST_F(LifecycleTest, FirstOpenTimestampComesFromTheFirstOpenPropertyElseTheEarliestProperty) {
  start();
  EXPECT_EQ(engine_->firstOpenTimestamp(), kStartNow);
  onWorker([&] {
    ASSERT_TRUE(engine_->database()->deleteUserAttributeWithName("_fot", nullptr));
    auto older = APMUserAttribute::initWithOrigin("app", "colour", APMValue("red"), kStartNow - 500);
    ASSERT_TRUE(older);
    ASSERT_TRUE(engine_->setUserPropertyInDatabaseOnWorkerQueue(*older));
    EXPECT_EQ(engine_->firstOpenTimestamp(), kStartNow - 500);
    ASSERT_TRUE(engine_->database()->reset(nullptr));
    forgetLog();
    EXPECT_EQ(engine_->firstOpenTimestamp(), 0);
  });
  EXPECT_TRUE(monitored("Cannot extract first open timestamp. Empty user properties"));
}

// ---- App and system updates ----

TEST_F(LifecycleTest, UpdatesAreReportedFromTheSecondVersionSeenOn) {
  start();
  settle();
  // The first versions ever seen are stored without an event.
  EXPECT_EQ(count("raw_events", "name IN ('_au', '_ou')"), 0);
  auto persisted = APMPersistedConfig::sharedInstance();
  EXPECT_EQ(persisted->appVersion(), "4.2");
  EXPECT_EQ(persisted->osVersion(), "17.0");

  // An earlier launch ran 4.1 on 16.4.
  persisted->setAppVersion(std::string("4.1"));
  persisted->setOSVersion(std::string("16.4"));
  restart();
  settle();
  std::vector<APMEvent> appUpdate = events("_au");
  ASSERT_EQ(appUpdate.size(), 1u);
  EXPECT_EQ(appUpdate[0].origin(), "auto");
  EXPECT_EQ(appUpdate[0].parameter("_pv")->stringValue(), "4.1");
  std::vector<APMEvent> systemUpdate = events("_ou");
  ASSERT_EQ(systemUpdate.size(), 1u);
  EXPECT_EQ(systemUpdate[0].parameter("_po")->stringValue(), "16.4");
  EXPECT_EQ(persisted->appVersion(), "4.2");
  EXPECT_EQ(persisted->osVersion(), "17.0");

  // The same versions again, or an empty stored one: nothing.
  restart();
  persisted->setOSVersion(std::string());
  uikit::Device::setCurrent(identity_test::PhoneWithSystem("17.1"));
  restart();
  settle();
  EXPECT_EQ(count("raw_events", "name IN ('_au', '_ou')"), 2);
  EXPECT_EQ(persisted->osVersion(), "17.1");
}

// ---- Stored campaign ----

TEST_F(LifecycleTest, AStoredDeepLinkBecomesACampaignEventOnceAndIsForgotten) {
  start();
  APMUserDefaults& defaults = APMUserDefaults::standardUserDefaults();
  auto store = [&](const std::string& link, double storedAt) {
    defaults.setObject(Value(link), "/trivandel/measurement/deep_link");
    defaults.setDouble(storedAt, "/trivandel/measurement/deep_link_timestamp_seconds");
  };
  auto stringParameter = [](const APMEvent& event, const char* name) -> std::optional<std::string> {
    const APMValue* value = event.parameter(name);
    return value != nullptr ? value->stringValue() : std::nullopt;
  };

  // Fresh: the link's campaign, "_cc" the hour before the one it was stored in.
  const double storedAt = platform::Clock::nowSeconds() - 60;
  store("facility://promo?utm_source=mail&utm_medium=letter", storedAt);
  onWorker([&] { engine_->reportStoredCampaignEventOnWorkerQueue(int64_t{1234}); });
  std::vector<APMEvent> campaign = events("_cmp");
  ASSERT_EQ(campaign.size(), 1u);
  EXPECT_EQ(stringParameter(campaign[0], "source"), "mail");
  EXPECT_EQ(stringParameter(campaign[0], "medium"), "letter");
  EXPECT_EQ(intParameter(campaign[0], "_cc"),
            (static_cast<int64_t>(storedAt * 1000) / kHour) * kHour - kHour);
  EXPECT_EQ(intParameter(campaign[0], "click_timestamp"), 1234);
  EXPECT_FALSE(defaults.objectForKey("/trivandel/measurement/deep_link"));
  EXPECT_FALSE(defaults.objectForKey("/trivandel/measurement/deep_link_timestamp_seconds"));

  // Older than the attribution cache lifetime, either way: nothing of the link is kept.
  for (double storedTime : {platform::Clock::nowSeconds() - 1e9, platform::Clock::nowSeconds() + 1e9}) {
    store("facility://promo?utm_source=mail", storedTime);
    onWorker([&] { engine_->reportStoredCampaignEventOnWorkerQueue(std::nullopt); });
    EXPECT_FALSE(defaults.objectForKey("/trivandel/measurement/deep_link"));
  }
  std::vector<APMEvent> expired = events("_cmpx");
  ASSERT_EQ(expired.size(), 2u);
  for (const APMEvent& event : expired) {
    EXPECT_EQ(stringParameter(event, "source"), "(not set)");
    EXPECT_EQ(stringParameter(event, "medium"), "(not set)");
    EXPECT_EQ(intParameter(event, "_cc"), 1);
  }

  // Nothing stored, or an empty link: nothing happens.
  onWorker([&] { engine_->reportStoredCampaignEventOnWorkerQueue(std::nullopt); });
  defaults.setObject(Value(""), "/trivandel/measurement/deep_link");
  onWorker([&] { engine_->reportStoredCampaignEventOnWorkerQueue(std::nullopt); });
  EXPECT_EQ(count("raw_events", "name IN ('_cmp', '_cmpx')"), 3);
}

TEST_F(LifecycleTest, ALaunchURLIsStoredAtLaunchAndReportedAtTheStart) {
  APMMeasurement::subscribeForAppDidFinishLaunchingNotifications();
  APMMeasurement::subscribeForAppDidFinishLaunchingNotifications();  // once only
  // Without launch options nothing is stored.
  platform::NotificationCenter::defaultCenter().post(uikit::kApplicationDidFinishLaunchingNotification);
  EXPECT_FALSE(APMUserDefaults::standardUserDefaults().objectForKey("/trivandel/measurement/deep_link"));
  platform::NotificationCenter::defaultCenter().post(
      uikit::kApplicationDidFinishLaunchingNotification,
      {{uikit::kLaunchOptionsURLKey, Value("facility://open?utm_campaign=spring")}});
  EXPECT_EQ(APMUserDefaults::standardUserDefaults().objectForKey("/trivandel/measurement/deep_link"),
            Value("facility://open?utm_campaign=spring"));
  start();
  // Attributed just before the first open.
  std::vector<APMEvent> campaign = events("_cmp");
  ASSERT_EQ(campaign.size(), 1u);
  EXPECT_EQ(campaign[0].parameter("campaign")->stringValue(), "spring");
  EXPECT_EQ(intParameter(campaign[0], "click_timestamp"), kStartMillis - 1);
  EXPECT_FALSE(APMUserDefaults::standardUserDefaults().objectForKey("/trivandel/measurement/deep_link"));
}

// ---- Background task ----

TEST_F(LifecycleTest, ResigningActiveHoldsOneBackgroundTaskUntilForegroundOrExpiry) {
  start();
  // The upload that resigning queues waits behind the facade's held calls.
  APMAnalytics::resetForTesting();
  // Resigning twice: the first task ends when the second is stored.
  post(uikit::kApplicationWillResignActiveNotification);
  ASSERT_EQ(heldTasks().size(), 1u);
  EXPECT_EQ(heldTasks()[0].name, "APMAnalyticsMeasurementBackgroundTask");
  const uint64_t first = heldTasks()[0].identifier;
  EXPECT_EQ(engine_->backgroundUpdateTask(), static_cast<APMBackgroundTaskIdentifier>(first));
  EXPECT_TRUE(logged(23144));
  EXPECT_TRUE(logged(23145));

  forgetLog();
  post(uikit::kApplicationWillResignActiveNotification);
  ASSERT_EQ(heldTasks().size(), 1u);
  EXPECT_NE(heldTasks()[0].identifier, first);
  EXPECT_TRUE(logged(23142));

  // Back in the foreground: nothing held.
  post(uikit::kApplicationWillEnterForegroundNotification);
  EXPECT_TRUE(heldTasks().empty());
  EXPECT_EQ(engine_->backgroundUpdateTask(), kAPMBackgroundTaskInvalid);

  // The system's time is up: the expiry ends it through the engine.
  post(uikit::kApplicationWillResignActiveNotification);
  ASSERT_EQ(heldTasks().size(), 1u);
  EXPECT_EQ(uikit::Application::shared().backgroundTasks().expireAll(), 1u);
  EXPECT_EQ(engine_->backgroundUpdateTask(), kAPMBackgroundTaskInvalid);
  EXPECT_TRUE(heldTasks().empty());

  // Released, the queued upload runs; without a network it ends the task.
  post(uikit::kApplicationWillResignActiveNotification);
  ASSERT_EQ(heldTasks().size(), 1u);
  setReachable(false);
  forgetLog();
  APMAnalytics::unsuspendOperationQueue();
  settle();
  EXPECT_TRUE(logged(23035));
  EXPECT_TRUE(heldTasks().empty());
  EXPECT_EQ(engine_->backgroundUpdateTask(), kAPMBackgroundTaskInvalid);
}

TEST_F(LifecycleTest, EveryPathThatUploadsNothingEndsTheBackgroundTask) {
  start();
  auto persisted = APMPersistedConfig::sharedInstance();
  // A configuration just fetched: no path turns into a configuration fetch.
  auto freshConfiguration = [this] {
    onWorker([&] {
      ASSERT_TRUE(engine_->database()->updateRemoteConfigSuccessfulTimestamp(platform::Clock::nowSeconds(), nullptr));
    });
  };
  freshConfiguration();
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::function<void()> run;
    int code;
    bool ended;
  };
  auto updateSchedule = [this] { onWorker([&] { engine_->updateSchedule(); }); };
  auto uploadData = [this] { onWorker([&] { engine_->uploadData(); }); };
  const Case cases[] = {
      {"schedule, nothing stored", [&] { sql("DELETE FROM raw_events"); }, updateSchedule, 23024, true},
      {"upload, nothing stored", [&] { sql("DELETE FROM raw_events"); }, uploadData, 23037, true},
      {"schedule, no network", [&] {
         logEvent("shop");
         setReachable(false);
       },
       updateSchedule, 23026, true},
      {"upload, no network", [&] {
         logEvent("shop");
         setReachable(false);
       },
       uploadData, 23026, true},
      {"schedule, retries used up", [&] {
         logEvent("shop");
         persisted->setLastFailedUploadTimestamp(platform::Clock::nowSeconds() + 1e9);
       },
       updateSchedule, 23025, true},
      {"schedule, suspended", [&] { logEvent("shop"); onWorker([&] { engine_->setSuspendedUploadTimestamp(clock_->uptime()); }); },
       updateSchedule, 23023, true},
      {"upload, suspended", [&] { logEvent("shop"); onWorker([&] { engine_->setSuspendedUploadTimestamp(clock_->uptime()); }); },
       uploadData, 23023, true},
      {"upload, the bundle query fails", [&] {
         logEvent("shop");
         sql("DROP TABLE queue");
       },
       uploadData, 23036, true},
      // A request on its way keeps the task for its completion.
      {"upload, a request is pending", [&] {
         logEvent("shop");
         onWorker([&] { engine_->setIsNetworkRequestPending(true); });
       },
       uploadData, 23034, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setReachable(true);
    persisted->setLastFailedUploadTimestamp(0);
    c.arrange();
    const uint64_t task = uikit::Application::shared().beginBackgroundTask("held", nullptr);
    onWorker([&] { engine_->swapBackgroundTaskWithNewTaskID(static_cast<APMBackgroundTaskIdentifier>(task)); });
    forgetLog();
    c.run();
    EXPECT_TRUE(logged(c.code)) << c.code;
    EXPECT_EQ(heldTasks().empty(), c.ended);
    EXPECT_EQ(engine_->backgroundUpdateTask() == kAPMBackgroundTaskInvalid, c.ended);
    // Clean slate for the next case.
    onWorker([&] {
      engine_->setIsNetworkRequestPending(false);
      engine_->setSuspendedUploadTimestamp(0);
      engine_->swapBackgroundTaskWithNewTaskID(kAPMBackgroundTaskInvalid);
    });
    if (std::string(c.name) == "upload, the bundle query fails") {
      restart();  // the next start makes the table again
      freshConfiguration();
    }
  }
}

TEST_F(LifecycleTest, BecomingActiveFetchesAStaleConfigurationOnlyWhenTheSettingSaysSo) {
  start();
  setReachable(false);
  struct Case {
    const char* name;
    bool blocklistInternal;
    bool pending;
    bool fetched, toldPending;
  };
  const Case cases[] = {
      {"setting off", false, false, false, false},
      {"setting on", true, false, true, false},
      {"setting on, a request pending", true, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    setSettings({{"measurement.upload.blacklist_internal", c.blocklistInternal ? "1" : "0"},
                 {"measurement.skan.update_conversion_value_enabled", "1"}});
    onWorker([&] {
      engine_->setIsNetworkRequestPending(c.pending);
      engine_->setFetchSKANWhenNetworkConnected(false);
    });
    forgetLog();
    post(uikit::kApplicationDidBecomeActiveNotification);
    EXPECT_EQ(logged(23126), c.fetched);
    EXPECT_EQ(logged(23143), c.toldPending);
    // The conversion-value fetch is asked for every time: it waits for the
    // network, or for the request on its way.
    EXPECT_TRUE(engine_->fetchSKANWhenNetworkConnected() || logged(23240));
    settle();
    onWorker([&] { engine_->setIsNetworkRequestPending(false); });
  }
}

TEST_F(LifecycleTest, AGoneEngineHearsNoMoreNotifications) {
  start();
  std::weak_ptr<APMMeasurement> weak = engine_;
  APMMeasurement::resetSharedInstanceForTesting();
  engine_.reset();
  settle();
  EXPECT_TRUE(weak.expired());
  post(uikit::kApplicationWillResignActiveNotification);
  EXPECT_TRUE(heldTasks().empty());
}

// ---- Reset and wipe ----

TEST_F(LifecycleTest, AResetWipesEverythingAndReportsANewFirstOpen) {
  start();
  logEvent("shop");
  auto persisted = APMPersistedConfig::sharedInstance();
  persisted->setAppIDFromKVL(std::string("1:1:ios:old"));
  const double later = kStartNow + 5000;
  clock_->advance(5000);
  APMAnalytics::setLoadTimestamp(later);
  // On-device conversion measurement at its limits for this run.
  onWorker([&] {
    engine_->setPSMStartCount(3);
    engine_->setPSMRetryCount(5);
  });

  const std::string newID = "FEDCBA9876543210FEDCBA9876543210";
  EXPECT_TRUE(engine_->resetAnalyticsDataWithAppInstanceID(newID));
  settle();
  int64_t starts = -1;
  int64_t retries = -1;
  onWorker([&] {
    starts = engine_->PSMStartCount();
    retries = engine_->PSMRetryCount();
  });
  EXPECT_EQ(starts, 0) << "the reset data may start a new request";
  EXPECT_EQ(retries, 0);
  EXPECT_TRUE(logged(23171));
  EXPECT_TRUE(logged(23168));
  EXPECT_EQ(persisted->appInstanceID(), newID);
  EXPECT_EQ(engine_->initTimestamp(), later);
  EXPECT_EQ(engine_->previousKVLAppID(), "1:1:ios:old");
  EXPECT_EQ(count("raw_events", "name = 'shop'"), 0);
  std::vector<APMEvent> firstOpen = events("_f");
  ASSERT_EQ(firstOpen.size(), 1u);
  EXPECT_EQ(firstOpen[0].timestamp(), later);
  EXPECT_EQ(firstOpen[0].parameter("_pkvl")->stringValue(), "1:1:ios:old");
  // The earlier "_f" counted once already.
  EXPECT_EQ(intParameter(firstOpen[0], "_pfo"), 1);
  EXPECT_TRUE(engine_->sessionReporter()->reportingEnabled());
}

TEST_F(LifecycleTest, AResetNeedsAnAppInstanceIDUnlessAnalyticsStorageIsDenied) {
  start();
  EXPECT_FALSE(engine_->resetAnalyticsDataWithAppInstanceID(""));
  EXPECT_TRUE(logged(23167));
  EXPECT_FALSE(logged(23171));

  APMConsentSettingsUtil::setConsentSettings(
      APMConsentSettingsUtil::Settings{{APMConsentSettingsUtil::kAnalyticsStorage, Value("denied")}});
  EXPECT_TRUE(engine_->resetAnalyticsDataWithAppInstanceID(""));
  EXPECT_TRUE(logged(23218));
  EXPECT_TRUE(logged(23168));
}

TEST_F(LifecycleTest, AResetOfADisabledEngineReportsNoFirstOpen) {
  start();
  engine_->setEnabled(false);
  settle();
  EXPECT_TRUE(engine_->resetAnalyticsDataWithAppInstanceID("0123456789ABCDEF0123456789ABCDEF"));
  settle();
  EXPECT_EQ(count("raw_events"), 0);
  EXPECT_FALSE(engine_->sessionReporter()->reportingEnabled());
}

TEST_F(LifecycleTest, AWipeDuringTheStartDeletesTheDatabaseFile) {
  start();
  logEvent("shop");
  ASSERT_EQ(count("raw_events", "name = 'shop'"), 1);
  APMMeasurement::resetSharedInstanceForTesting();
  engine_.reset();
  settle();
  closeReader();

  // An unfinished earlier wipe forces one at the next start.
  APMAnalytics::setResetRetryCount(2);
  start();
  EXPECT_EQ(count("raw_events", "name = 'shop'"), 0);
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 0);
  // The wipe cleared the first-open property with the file: a new first open.
  EXPECT_EQ(count("raw_events", "name = '_f'"), 1);
}

// ---- Purchases ----

TEST_F(LifecycleTest, PurchasesAlreadyReportedOrNotPurchasedAreFilteredOut) {
  start();
  auto transaction = [](storekit::SKPaymentTransactionState state, std::optional<std::string> identifier,
                        std::string product) {
    auto made = std::make_shared<storekit::SKPaymentTransaction>();
    made->transactionState = state;
    made->transactionIdentifier = std::move(identifier);
    made->payment.productIdentifier = std::move(product);
    return storekit::SKPaymentTransactionPtr(made);
  };
  using State = storekit::SKPaymentTransactionState;
  APMMeasurement::PaymentTransactions batch = {
      transaction(State::kPurchased, "T-1", "coins.old"),      // reported before
      transaction(State::kPurchased, "T-2", "coins.new"),      // new
      transaction(State::kRestored, "T-3", "coins.restored"),  // not a purchase
      transaction(State::kFailed, "T-4", "coins.failed"),
      transaction(State::kPurchased, std::nullopt, "coins.unknown"),  // cannot be checked: kept
      transaction(State::kPurchased, "000-000", "coins.zero"),        // no fingerprint either
      transaction(State::kPurchased, "T-2", "coins.new"),             // twice in one batch
  };
  // The filter keys purchases by the reporter's fingerprint, not the identifier.
  const std::optional<std::string> reported = APMInAppPurchaseTransactionReporter::transactionFingerprint(batch[0]);
  ASSERT_TRUE(reported);
  ASSERT_NE(*reported, "T-1");
  onWorker([&] { ASSERT_EQ(engine_->database()->insertIfNotDuplicatePurchaseFingerprint(*reported, nullptr), true); });
  std::mutex mu;
  std::vector<std::string> keptProducts;
  bool onGlobalQueue = false;
  bool answered = false;
  forgetLog();
  engine_->filterPurchaseTransactions(batch, [&](APMMeasurement::PaymentTransactions kept) {
    std::lock_guard<std::mutex> lock(mu);
    for (const auto& t : kept) keptProducts.push_back(t->payment.productIdentifier);
    onGlobalQueue = platform::DispatchQueue::global(platform::QueuePriority::defaultPriority)->isCurrent();
    answered = true;
  });
  settle();
  std::lock_guard<std::mutex> lock(mu);
  ASSERT_TRUE(answered);
  EXPECT_TRUE(onGlobalQueue);
  EXPECT_EQ(keptProducts, (std::vector<std::string>{"coins.new", "coins.unknown", "coins.zero"}));
  EXPECT_TRUE(logged(23141));
  EXPECT_EQ(count("purchase_transactions"), 2) << "the earlier purchase and T-2";
}

TEST_F(LifecycleTest, APurchaseWhoseFingerprintCannotBeStoredIsKept) {
  start();
  sql("DROP TABLE purchase_transactions");
  auto made = std::make_shared<storekit::SKPaymentTransaction>();
  made->transactionState = storekit::SKPaymentTransactionState::kPurchased;
  made->transactionIdentifier = "T-9";
  made->payment.productIdentifier = "coins.9";
  std::atomic<size_t> kept{0};
  std::atomic<bool> answered{false};
  engine_->filterPurchaseTransactions({made}, [&](APMMeasurement::PaymentTransactions transactions) {
    kept = transactions.size();
    answered = true;
  });
  settle();
  EXPECT_TRUE(answered);
  EXPECT_EQ(kept, 1u);
  EXPECT_TRUE(logged(23140));
}

// The whole road of a purchase: the store's payment queue, the facade as its
// observer, the engine's filter, the purchase reporter and its product
// lookup, back into the engine as an internal event.
TEST_F(LifecycleTest, APurchaseIsStoredOnceAndItsRedeliveryIsDropped) {
  start();
  const std::string receiptPath = root_.path() + "/receipt";
  receipttest::Purchase bought;
  bought.productID = "coins.100";
  bought.transactionID = bought.originalTransactionID = "1000000987654321";
  bought.purchaseDate = "2026-03-01T12:00:00Z";
  bought.type = 1;  // consumable
  const platform::Bytes receipt = receipttest::Receipt({bought});
  ASSERT_TRUE(platform::FileManager::defaultManager()
                  .writeAtomically(receiptPath, std::string(receipt.begin(), receipt.end()))
                  .ok());
  storekit::AppStoreReceipt::setURL(receiptPath);
  ASSERT_TRUE(storekit::StoreCatalogue::shared()
                  .setProducts({{"coins.100", "0.99", "EUR", "100 coins", std::nullopt}})
                  .ok());
  storekit::SKPaymentQueue& queue = storekit::SKPaymentQueue::defaultQueue();
  queue.addTransactionObserver(APMAnalytics::sharedInstance());

  auto made = std::make_shared<storekit::SKPaymentTransaction>();
  made->transactionState = storekit::SKPaymentTransactionState::kPurchased;
  made->transactionIdentifier = "1000000987654321";
  made->transactionDate = 1772366400;  // 2026-03-01T12:00:00Z
  made->payment.productIdentifier = "coins.100";
  const storekit::SKPaymentTransactionPtr purchase = made;

  forgetLog();
  queue.updateTransactions({purchase});
  settle();
  std::vector<APMEvent> purchases = events("_iap");
  ASSERT_EQ(purchases.size(), 1u);
  EXPECT_EQ(purchases[0].origin(), "auto");
  EXPECT_EQ(intParameter(purchases[0], "price"), 990000);
  EXPECT_EQ(intParameter(purchases[0], "_did"), APMInAppPurchaseTransactionReporter::purchaseIdentity(
                                                      "1000000987654321", std::nullopt, "coins.100"));
  EXPECT_EQ(value("SELECT fingerprint FROM purchase_transactions"), "aef0615a55910d9f5a8fcd57b5a4a45f");
  EXPECT_FALSE(logged(23141));

  queue.updateTransactions({purchase});
  settle();
  EXPECT_TRUE(logged(23141));
  EXPECT_EQ(events("_iap").size(), 1u);
  EXPECT_EQ(count("raw_events", "name IN ('_iap', '_iapx')"), 1);
}

}  // namespace
}  // namespace measurement_test
