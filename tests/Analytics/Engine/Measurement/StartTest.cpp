// Creation, start and enablement of the engine.
#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "Analytics/Engine/APMIdentifiers.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"
#include "tests/support/TestChildProcess.h"

namespace measurement_test {
namespace {

class StartTest : public MeasurementFixture {
 protected:
  static EngineOptions WithCollectionOff() {
    EngineOptions options;
    options.collectionEnabled = false;
    return options;
  }
};

TEST_F(StartTest, EnablementFollowsDeactivationThenThePersistedStateThenTheCollectionFlag) {
  const struct {
    bool deactivated;
    int64_t persistedState;
    bool collectionEnabled;
    bool expected;
  } cases[] = {
      {true, 1, true, false},   // deactivation wins over everything
      {true, 0, true, false},
      {false, 1, false, true},  // the persisted state overrides the flag
      {false, 2, true, false},
      {false, 0, true, true},   // anything else: the flag
      {false, 0, false, false},
      {false, 7, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.deactivated << "/" << c.persistedState << "/" << c.collectionEnabled);
    APMPersistedConfig::sharedInstance()->setMeasurementEnabledState(c.persistedState);
    EngineOptions options;
    options.collectionDeactivated = c.deactivated;
    options.collectionEnabled = c.collectionEnabled;
    auto engine = makeEngine(options);
    EXPECT_EQ(engine->shouldEnableMeasurement(), c.expected);
    EXPECT_EQ(engine->wasEnabledDuringInitialization(), c.expected);
    EXPECT_EQ(engine->isEnabled(), c.expected);
    APMMeasurement::resetSharedInstanceForTesting();
  }
}

TEST_F(StartTest, WipeRules) {
  const std::optional<std::string> none;
  const std::string a = "1:1:ios:a", b = "1:1:ios:b", app = "1:1:ios:app";
  const struct {
    const char* rule;
    int64_t retries;
    std::optional<std::string> appID, kvl, pellumar, persistedKVL, persistedPellumar;
    bool wipe;
  } cases[] = {
      {"unfinished wipe", 1, app, a, none, a, none, true},
      {"unfinished wipe, last retry", 9, app, a, none, a, none, true},
      {"retries exhausted", 10, app, a, none, a, none, false},
      {"KVL ID changed", 0, app, b, none, a, none, true},
      {"KVL ID kept", 0, app, a, none, a, none, false},
      {"KVL ID appears over a Pellumar-only past", 0, app, a, none, none, b, true},
      {"Pellumar ID changed under a new KVL ID", 0, app, a, a, none, b, true},
      {"Pellumar ID kept under a new KVL ID", 0, app, a, b, none, b, false},
      {"KVL ID gone, Pellumar ID new", 0, app, none, a, a, none, true},
      {"KVL ID gone, Pellumar ID new, no app ID", 0, std::string(), none, a, a, none, false},
      {"nothing persisted", 0, app, a, none, none, none, false},
      {"Pellumar only, app ID matches", 0, b, none, none, none, b, false},
      {"Pellumar only, app ID differs", 0, app, none, none, none, b, true},
      {"Pellumar only, no app ID", 0, none, none, none, none, b, false},
      {"empty strings count as unset", 0, app, std::string(), none, a, std::string(), false},
  };
  start();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    APMAnalytics::setResetRetryCount(c.retries);
    EXPECT_EQ(engine_->shouldWipeDataWithAppID(c.appID, c.kvl, c.pellumar, c.persistedKVL, c.persistedPellumar),
              c.wipe);
  }
}

TEST_F(StartTest, TheSafelistMustBeAListOfValidEventNames) {
  using Array = Value::Array;
  const struct {
    const char* name;
    Value list;
    std::optional<std::vector<std::string>> expected;
    int logCode;
  } cases[] = {
      {"names", Value(Array{Value("purchase"), Value("_s")}), std::vector<std::string>{"purchase", "_s"}, 0},
      {"empty list", Value(Array{}), std::vector<std::string>{}, 0},
      {"not a list", Value("purchase"), std::nullopt, 25034},
      {"a number among the names", Value(Array{Value("purchase"), Value(int64_t{3})}), std::nullopt, 25035},
      {"an empty name", Value(Array{Value("purchase"), Value("")}), std::nullopt, 25035},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    forgetLog();
    EXPECT_EQ(APMMeasurement::validatedSafelistedEvents(c.list), c.expected);
    for (int code : {25034, 25035}) EXPECT_EQ(logged(code), code == c.logCode) << code;
  }
}

TEST_F(StartTest, AnEmptyAppIDCreatesNoEngineNowOrLater) {
  EXPECT_FALSE(APMMeasurement::initWithAppID("", true, false, {}, nullptr));
  EXPECT_TRUE(logged(23170));

  APMMeasurement::initializeSharedInstanceWithAppID("", true, false, {});
  APMMeasurement::initializeSharedInstanceWithAppID(kAppID, true, false, {});
  settle();
  EXPECT_FALSE(APMMeasurement::hasSharedInstance());
  EXPECT_FALSE(APMMeasurement::sharedInstance());
  EXPECT_FALSE(APMEngineHooks::engineExists());
}

TEST_F(StartTest, SharedInstanceBeforeCreationWarnsOnlyWhenThePublicClassIsThere) {
  const std::string warning =
      "<VurAvizivozora>[I-ACS023147] Trivandel Analytics for Quorvane has not been created. Please, configure "
      "Quorvane by calling [QRVApp configure]";
  EXPECT_FALSE(APMMeasurement::sharedInstance());
  EXPECT_FALSE(capture_.contains("I-ACS023147"));

  platform::ClassRegistry::shared().registerClass(kPublicAnalyticsClass);
  EXPECT_FALSE(APMMeasurement::sharedInstance());
  EXPECT_TRUE(capture_.contains(warning));

  // Once created, asking is silent.
  capture_.clear();
  APMMeasurement::initializeSharedInstanceWithAppID(kAppID, true, false, {});
  settle();
  EXPECT_TRUE(APMMeasurement::sharedInstance());
  EXPECT_FALSE(capture_.contains("I-ACS023147"));
  APMMeasurement::resetSharedInstanceForTesting();
  settle();
}

TEST_F(StartTest, CreationTellsTheVersionAndTheLoggingSwitches) {
  // Debug lines (level 7) show in debug mode, the build line (level 8) with
  // verbose logging.
  const struct {
    bool publicClass;
    bool debugMode;
    bool verbose;
    const char* debugSwitchLine;
    const char* verboseSwitchLine;  // nullptr: not shown
    bool buildLine;
  } cases[] = {
      {false, false, false,
       "[I-ACS023008] To enable debug logging set the following application argument: -APMAnalyticsDebugEnabled",
       nullptr, false},
      {true, false, false,
       "[I-ACS023008] To enable debug logging set the following application argument: -QRVAnalyticsDebugEnabled",
       nullptr, false},
      {true, true, false,
       "[I-ACS023008] To disable debug logging set the following application argument: -noQRVAnalyticsDebugEnabled",
       "[I-ACS023207] To enable verbose logging set the following application argument: "
       "-QRVAnalyticsVerboseLoggingEnabled",
       false},
      {true, true, true,
       "[I-ACS023008] To disable debug logging set the following application argument: -noQRVAnalyticsDebugEnabled",
       "[I-ACS023207] To disable verbose logging set the following application argument: "
       "-QRVAnalyticsVerboseLoggingDisabled",
       true},
      {false, true, true,
       "[I-ACS023008] To disable debug logging set the following application argument: -noAPMAnalyticsDebugEnabled",
       "[I-ACS023207] To disable verbose logging set the following application argument: "
       "-APMAnalyticsVerboseLoggingDisabled",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.publicClass << "/" << c.debugMode << "/" << c.verbose);
    forgetLog();
    if (c.publicClass) {
      platform::ClassRegistry::shared().registerClass(kPublicAnalyticsClass);
    } else {
      platform::ClassRegistry::shared().unregisterClass(kPublicAnalyticsClass);
    }
    APMMeasurementMonitor().setDebugModeEnabled(c.debugMode);
    APMMeasurementMonitor().setVerboseLoggingEnabled(c.verbose);
    auto engine = APMMeasurement::initWithAppID(kAppID, false, false, {}, nullptr);
    ASSERT_TRUE(engine);
    EXPECT_TRUE(logged(23007));
    APMMeasurementMonitor().setDebugModeEnabled(false);
    APMMeasurementMonitor().setVerboseLoggingEnabled(false);
    EXPECT_TRUE(capture_.contains("[I-ACS023007] Analytics v.101700000 started"));
    EXPECT_TRUE(capture_.contains(c.debugSwitchLine));
    EXPECT_EQ(logged(23009), c.debugMode);
    if (c.verboseSwitchLine != nullptr) {
      EXPECT_TRUE(capture_.contains(c.verboseSwitchLine));
    } else {
      EXPECT_FALSE(logged(23207));
    }
    EXPECT_EQ(capture_.contains("[I-ACS023222] Build 101700"), c.buildLine);
    engine.reset();
    settle();
  }
}

TEST_F(StartTest, NetworkLinesReachTheMonitorWithTheirLevelMapped) {
  const struct {
    int networkLevel;
    int64_t monitorLevel;
  } cases[] = {{3, 1}, {4, 4}, {5, 3}, {6, 6}, {7, 7}, {2, 3}, {8, 3}, {0, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.networkLevel);
    EXPECT_EQ(APMMeasurement::monitorLevelFromNetworkLevel(c.networkLevel), c.monitorLevel);
  }
  // End to end: the code passes unchanged, and the three forms agree.
  start();
  engine_->TVUNetwork_logWithLevel(3, 901003, "Request failed. URL, error",
                                   std::vector<std::string>{"https://x.invalid/a", "boom"});
  engine_->TVUNetwork_logWithLevel(6, 901005, "Reachability changed");
  engine_->TVUNetwork_logWithLevel(7, 901001, "Request started. URL", std::string("https://x.invalid/b"));
  EXPECT_TRUE(logged(901003));
  EXPECT_TRUE(capture_.contains("https://x.invalid/a"));
  EXPECT_TRUE(logged(901005));
  EXPECT_TRUE(capture_.contains("https://x.invalid/b"));
}

TEST_F(StartTest, EnablingADeactivatedEngineIsRefused) {
  EngineOptions options;
  options.collectionDeactivated = true;
  engine_ = makeEngine(options);
  EXPECT_FALSE(engine_->isEnabled());
  engine_->setEnabled(true);
  settle();
  EXPECT_TRUE(logged(23206));
  EXPECT_FALSE(engine_->isEnabled());
  EXPECT_FALSE(engine_->didInitializeComponents());
}

TEST_F(StartTest, ADatabaseThatFailsTwiceDisablesAndALaterEnableRetries) {
  // A directory where the database file belongs: every open fails.
  ASSERT_TRUE(platform::FileManager::defaultManager().createDirectoryAtPath(databasePath()).ok());
  EngineOptions options;
  engine_ = makeEngine(options);
  EXPECT_TRUE(logged(23011));
  EXPECT_FALSE(engine_->isEnabled());
  EXPECT_FALSE(engine_->didInitializeComponents());
  EXPECT_FALSE(engine_->database());
  EXPECT_FALSE(APMEngineHooks::engineIsEnabled());
  // Events find the engine disabled.
  logEvent("not_written");
  EXPECT_TRUE(logged(23049));

  ASSERT_TRUE(platform::FileManager::defaultManager().removeItemAtPath(databasePath()).ok());
  engine_->setEnabled(true);
  settle();
  EXPECT_TRUE(engine_->isEnabled());
  EXPECT_TRUE(engine_->didInitializeComponents());
  EXPECT_TRUE(engine_->database());
  EXPECT_TRUE(APMEngineHooks::engineHasInitializedComponents());
}

TEST_F(StartTest, ComponentsStartInOrderOnceAndLaterEnablesOnlySwitch) {
  start();
  const std::vector<std::string> expected = {
      "identity",
      "database",
      "remoteConfig",
      "audience",
      "sessionReporter",
      "checkPSMDependencyOnWorkerQueue",
      "maybeDeleteExpiredPSMValueOnWorkerQueue",
      "setPersonalizedAdsUserPropertyOnWorkerQueue",
      "backfillSessionNumber",
      "reportFirstOpenOnWorkerQueue",
      "reportAppUpdateOnWorkerQueue",
      "reportOSUpdateOnWorkerQueue",
      "searchAdReporter",
      "subscribeForAppForegroundBackgroundNotifications",
      // The part of the start that every enable repeats.
      "setPersonalizedAdsUserPropertyOnWorkerQueue",
  };
  // The start's steps in order; what the reports call in turn is left out.
  std::vector<std::string> trace;
  for (const std::string& step : engine_->callTrace()) {
    if (std::find(expected.begin(), expected.end(), step) != expected.end()) trace.push_back(step);
  }
  ASSERT_GE(trace.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(trace.begin(), trace.begin() + expected.size()), expected);
  EXPECT_TRUE(logged(23016));
  EXPECT_TRUE(logged(23012));
  EXPECT_TRUE(engine_->sessionReporter()->reportingEnabled());

  // The engine answers the hooks.
  EXPECT_EQ(APMEngineHooks::remoteConfig(), engine_->remoteConfigInstance());
  EXPECT_EQ(APMMeasurement::remoteConfig(), engine_->remoteConfigInstance());
  EXPECT_TRUE(APMEngineHooks::engineHasInitializedComponents());
  EXPECT_TRUE(APMEngineHooks::engineIsEnabled());

  auto database = engine_->database();
  engine_->setEnabled(false);
  settle();
  EXPECT_TRUE(logged(23013));
  EXPECT_FALSE(engine_->isEnabled());
  EXPECT_FALSE(engine_->sessionReporter()->reportingEnabled());
  EXPECT_FALSE(APMEngineHooks::engineIsEnabled());

  size_t before = engine_->callTrace().size();
  engine_->setEnabled(true);
  settle();
  std::vector<std::string> again = engine_->callTrace();
  again.erase(again.begin(), again.begin() + static_cast<std::ptrdiff_t>(before));
  // No second initialisation: same database, no component steps.
  EXPECT_EQ(engine_->database(), database);
  EXPECT_EQ(again.front(), "setPersonalizedAdsUserPropertyOnWorkerQueue");
  for (const char* step : {"identity", "database", "remoteConfig", "audience", "reportFirstOpenOnWorkerQueue"}) {
    EXPECT_EQ(std::count(again.begin(), again.end(), step), 0) << step;
  }
}

TEST_F(StartTest, AFirstOpenAfterResetIsReportedAtStartAndTheMarkCleared) {
  APMAnalytics::setNeedFirstOpenAfterReset(true);
  start();
  std::vector<std::string> trace = engine_->callTrace();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "reportFirstOpenOnWorkerQueue"), 2);
  EXPECT_FALSE(APMAnalytics::needFirstOpenAfterReset());
}

TEST_F(StartTest, AWipeRaisesTheRetryCountAndASuccessResetsIt) {
  APMAnalytics::setResetRetryCount(3);
  start();
  std::vector<std::string> trace = engine_->callTrace();
  EXPECT_NE(std::find(trace.begin(), trace.end(), "wipeoutAnalyticsDataAndResetComponents"), trace.end());
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 0);
}

TEST_F(StartTest, TheDeferredCollectionValueIsTakenFromTheFirstSwitch) {
  EngineOptions options;
  options.collectionEnabled = false;
  engine_ = makeEngine(options);
  ASSERT_TRUE(APMAnalytics::deferredAnalyticsCollection());
  EXPECT_EQ(APMAnalytics::deferredAnalyticsCollection()->numberAsInt64(), 1);
  // A second disable keeps it; the first open of the enable uses it up ("_dac").
  engine_->setEnabled(false);
  settle();
  EXPECT_EQ(APMAnalytics::deferredAnalyticsCollection()->numberAsInt64(), 1);
  engine_->setEnabled(true);
  settle();
  EXPECT_FALSE(APMAnalytics::deferredAnalyticsCollection());
}

// The load timestamp: the first process stores its own; a second process on
// the same data reuses it instead of its own. Collection stays off: a start
// uses the stored time up with its first-open report.
constexpr const char* kChildLoadTime = "MEASUREMENT_TEST_CHILD_LOAD_TIME";

TEST_F(StartTest, ChildProcessCreatesAnEngine) {
  const char* loadTime = std::getenv(kChildLoadTime);
  if (loadTime == nullptr) GTEST_SKIP() << "runs as the child of LoadTimestampIsWrittenOnceAcrossProcesses";
  // The parent's data root, not the fixture's own.
  platform::DataRoot::overrideRoot(std::getenv("FACILITY_HOME"));
  APMAnalytics::setLoadTimestamp(std::stod(loadTime));
  auto engine = makeEngine(WithCollectionOff());
  EXPECT_EQ(engine->initTimestamp(), std::stod(loadTime));
  APMPersistedConfig::sharedInstance()->synchronizeToDisk();
}

TEST_F(StartTest, LoadTimestampIsWrittenOnceAcrossProcesses) {
  const std::string first = "1600000000.5";
  ASSERT_EQ(test_support::RunTestsInChildProcess("StartTest.ChildProcessCreatesAnEngine", root_.path(),
                                                 {std::string(kChildLoadTime) + "=" + first}),
            0);
  APMAnalytics::setLoadTimestamp(kStartNow);
  engine_ = makeEngine(WithCollectionOff());
  EXPECT_EQ(engine_->initTimestamp(), 1600000000.5);
  auto stored = APMPersistedConfig::sharedInstance()->loadTimestampValue();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->numberAsDouble(), 1600000000.5);

  // Without a stored value the engine takes the facade's and stores it.
  APMPersistedConfig::sharedInstance()->setLoadTimestampValue(Value());
  APMMeasurement::resetSharedInstanceForTesting();
  engine_ = makeEngine(WithCollectionOff());
  EXPECT_EQ(engine_->initTimestamp(), kStartNow);
  EXPECT_EQ(APMPersistedConfig::sharedInstance()->loadTimestampValue()->numberAsDouble(), kStartNow);
}

}  // namespace
}  // namespace measurement_test
