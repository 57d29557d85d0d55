#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <thread>

#include "Analytics/Engine/APMIdentifiers.h"
#include "Analytics/Engine/APMStringAdditions.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "tests/Analytics/Engine/IdentityFixture.h"
#include "tests/support/TestChildProcess.h"

namespace identity_test {
namespace {

constexpr const char* kAdvertisingID1 = "6D92078A-8246-4BA4-AE5B-76104861E7DC";
constexpr const char* kAdvertisingID2 = "0F7C3A4B-1D2E-4F50-8A9B-C0D1E2F30415";

using IdentityTest = IdentityFixture;

TEST_F(IdentityTest, LibraryVersionIsSpelledTheSameInBothPlaces) {
  EXPECT_EQ(APMIdentity::appMeasurementLibraryVersion(), kAPMMeasurementLibraryVersion);
  EXPECT_EQ(APMMeasurementMonitor().libraryVersion(), kAPMMeasurementLibraryVersion);
  APMIdentifiers identifiers([] { return std::shared_ptr<APMIdentity>(); });
  EXPECT_EQ(identifiers.libraryVersion(), std::to_string(kAPMMeasurementLibraryVersion));
  EXPECT_EQ(APMIdentity::libraryVersionFromVersionString("123"), 0);
  EXPECT_EQ(APMIdentity::libraryVersionFromVersionString("1234"), 1);
  EXPECT_EQ(APMIdentity::libraryVersionFromVersionString("abcdef"), 0);
}

TEST_F(IdentityTest, VersionFields) {
  struct Case {
    const char* version;
    std::vector<int32_t> fields;
    bool logsNonNumeric;
  };
  const Case cases[] = {
      {"1.2b3.4", {1, 23, 4}, true},
      {"1..2.", {1, 2}, false},
      {"", {}, false},
      {"3.0.1.7", {3, 0, 1, 7}, false},
      {"99999999999.1", {std::numeric_limits<int32_t>::max(), 1}, false},
      {"x", {0}, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(APMIdentity::numericFieldsFromAppVersionNumeric(c.version), c.fields) << c.version;
    EXPECT_EQ(Recorded("app version numeric has non-numeric characters"), c.logsNonNumeric) << c.version;
  }
}

TEST_F(IdentityTest, CreationReadsTheBundleAndPersistsAnAppInstanceID) {
  auto config = makeConfig();
  auto identity = makeIdentity(config);
  ASSERT_TRUE(identity);
  EXPECT_EQ(identity->appID(), "com.facility.identity-test");
  EXPECT_EQ(identity->appVersion(), "4.2");
  EXPECT_EQ(identity->appVersionMajor(), 4);
  EXPECT_EQ(identity->appVersionMinor(), 2);
  EXPECT_EQ(identity->appVersionRelease(), 7);
  EXPECT_FALSE(identity->devCertHash());
  auto persisted = config->appInstanceID();
  ASSERT_TRUE(persisted);
  EXPECT_EQ(persisted->size(), 32u);
  EXPECT_EQ(persisted->find_first_not_of("0123456789ABCDEF"), std::string::npos);
  // The first advertising ID ever seen keeps the app instance ID.
  SetAdvertising(true, kAdvertisingID1);
  apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(3);
  EXPECT_EQ(identity->resettableDeviceID(), kAdvertisingID1);
  EXPECT_EQ(identity->appInstanceID(), persisted);
  EXPECT_EQ(config->hashedResettableDeviceID(), apm_MD5String(kAdvertisingID1));
  EXPECT_FALSE(identity->shouldSetLastAdvertisingIDResetUserProperty());
}

TEST_F(IdentityTest, CreationFailuresAndSwitchesAreLogged) {
  EXPECT_FALSE(APMIdentity::initWithPersistedConfig(nullptr));
  EXPECT_TRUE(Recorded("Unable to create measurement identity, missing a valid persisted config instance"));

  // The public class present without a platform app ID.
  platform::ClassRegistry::shared().registerClass("QRVAnalytics");
  setInfo(APMIdentity::kIDFVCollectionEnabledKey, Value(false));
  platform::LogCapture capture;
  auto identity = makeIdentity();
  EXPECT_TRUE(Logged(capture, 20006));
  EXPECT_TRUE(capture.contains("TRIVANDEL_ANALYTICS_IDFV_COLLECTION_ENABLED = NO"));
  EXPECT_TRUE(identity->identifierForVendor() == std::nullopt);
}

TEST_F(IdentityTest, ServiceFileFromTheMainBundleFirstThenTheEngineBundle) {
  const std::string mainFolder = platform::Bundle::main().bundlePath();
  const std::string engineFolder = root_.path() + "/EngineResources";
  EXPECT_FALSE(APMInfoPlistFileUtil::trivandelServiceInfoPlistPath());
  EXPECT_FALSE(APMInfoPlistFileUtil::dictionaryFromTrivandelServiceInfoPlist());

  writeServicePlist(engineFolder, {{"TRIVANDEL_APP_ID", Value("1:engine")}, {"PELLUMAR_APP_ID", Value("ca-app-1")}});
  EXPECT_FALSE(APMInfoPlistFileUtil::trivandelServiceInfoPlistPath()) << "no engine bundle by default";
  APMInfoPlistFileUtil::setEngineResourcesBundlePath(engineFolder);
  EXPECT_EQ(APMInfoPlistFileUtil::trivandelServiceInfoPlistPath(), engineFolder + "/TrivandelService-Info.plist");
  auto identity = makeIdentity();
  EXPECT_EQ(identity->appIDFromKVL(), "1:engine");
  EXPECT_EQ(identity->appIDFromPellumar(), "ca-app-1");

  writeServicePlist(mainFolder, {{"TRIVANDEL_APP_ID", Value("1:main")}});
  EXPECT_EQ(APMInfoPlistFileUtil::trivandelServiceInfoPlistPath(), mainFolder + "/TrivandelService-Info.plist");
  identity = makeIdentity();
  EXPECT_EQ(identity->appIDFromKVL(), "1:main");
  EXPECT_FALSE(identity->appIDFromPellumar());

  // A damaged file is logged and reads as no configuration.
  ASSERT_TRUE(platform::FileManager::defaultManager()
                  .writeAtomically(mainFolder + "/TrivandelService-Info.plist", "not a list")
                  .ok());
  ForgetRecord();
  EXPECT_FALSE(APMInfoPlistFileUtil::dictionaryFromTrivandelServiceInfoPlist());
  EXPECT_TRUE(Recorded("Service configuration file is not a readable dictionary"));
}

TEST_F(IdentityTest, EmptyAppIDsAreRefused) {
  auto identity = makeIdentity();
  ForgetRecord();
  identity->setAppIDFromKVL("");
  EXPECT_TRUE(Recorded("Cannot set empty Trivandel App ID"));
  identity->setAppIDFromPellumar("");
  EXPECT_TRUE(Recorded("Cannot set empty Pellumar App ID"));
  EXPECT_FALSE(identity->appIDFromKVL());
  EXPECT_FALSE(identity->appIDFromPellumar());
}

// The tracking state and whether the device ID is gated, read through the
// stand-ins, the add-on and the default support.
TEST_F(IdentityTest, TrackingTableOnBothSidesOfTheGate) {
  struct Case {
    const char* name;
    const char* systemVersion;
    bool trackingFramework;
    bool advertisingFramework;
    int64_t status;
    int64_t expectedState;
    bool gateable;
  };
  const Case cases[] = {
      {"not determined", "17.0", true, true, 0, 4, true},
      {"restricted", "17.0", true, true, 1, 1, true},
      {"denied", "17.0", true, true, 2, 2, true},
      {"authorized", "17.0", true, true, 3, 3, false},
      {"unknown status", "17.0", true, true, 7, 5, true},
      {"negative status", "17.0", true, true, -3, 5, true},
      {"no tracking framework", "17.0", false, true, 3, 5, true},
      {"no advertising framework", "17.0", true, false, 3, 6, true},
      {"exactly 14.0", "14.0", true, true, 0, 4, true},
      {"below 14, authorized", "13.7", true, true, 3, 6, false},
      {"below 14, not determined", "13.7", true, true, 0, 6, false},
  };
  for (bool gateOn : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (gateOn ? ", gate on" : ", gate off"));
      setRemoteSettings({{"measurement.attmas_gate", gateOn ? "1" : "0"}});
      uikit::Device::setCurrent(PhoneWithSystem(c.systemVersion));
      auto& registry = platform::ClassRegistry::shared();
      registry.unregisterClass(apptrackingtransparency::ATTrackingManager::kClassName);
      registry.unregisterClass(adsupport::ASIdentifierManager::kClassName);
      if (c.trackingFramework) apptrackingtransparency::RegisterAppTrackingTransparency();
      if (c.advertisingFramework) adsupport::RegisterAdSupport();
      apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(c.status);
      SetAdvertising(true, kAdvertisingID1);

      auto identity = makeIdentity(makeConfig("tracking-" + std::string(c.name)));
      EXPECT_EQ(identity->appleConsentStatus(), c.expectedState);
      const bool idReadable = c.advertisingFramework && !(gateOn && c.gateable);
      EXPECT_EQ(identity->resettableDeviceID(), idReadable ? std::optional<std::string>(kAdvertisingID1)
                                                            : std::nullopt);
    }
  }
}

TEST_F(IdentityTest, RefreshWaitsForTheCacheTimeAndAResetIDRenewsTheInstanceID) {
  auto clock = std::make_shared<platform::ManualClock>();
  platform::Clock::setCurrent(clock);
  setRemoteSettings({{"measurement.ad_id_cache_time", "60000"}});
  ASSERT_EQ(APMEngineHooks::remoteConfig()->adIDCacheTime(), 60);
  apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(3);
  SetAdvertising(true, kAdvertisingID1);
  auto config = makeConfig();
  {
    auto identity = makeIdentity(config);
    EXPECT_EQ(identity->resettableDeviceID(), kAdvertisingID1);
    const auto firstInstanceID = identity->appInstanceID();

    SetAdvertising(true, kAdvertisingID2);
    clock->advance(59);
    EXPECT_EQ(identity->resettableDeviceID(), kAdvertisingID1) << "within the cache time";
    EXPECT_EQ(identity->appInstanceID(), firstInstanceID);

    clock->advance(1);
    EXPECT_EQ(identity->resettableDeviceID(), kAdvertisingID2) << "the cache time has run out";
    EXPECT_NE(identity->appInstanceID(), firstInstanceID);
    EXPECT_EQ(config->hashedResettableDeviceID(), apm_MD5String(kAdvertisingID2));
    EXPECT_TRUE(identity->shouldSetLastAdvertisingIDResetUserProperty());

    // A last refresh in the future (the clock went back) does not hold the cache.
    SetAdvertising(true, kAdvertisingID1);
    clock->setNow(clock->now() - 3600);
    EXPECT_EQ(identity->resettableDeviceID(), kAdvertisingID1);
  }
  platform::Clock::setCurrent(nullptr);
}

TEST_F(IdentityTest, OneRefreshServesTheReadsOfItsScope) {
  setRemoteSettings({{"measurement.ad_id_cache_time", "0"}});
  apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(3);
  SetAdvertising(true, kAdvertisingID1);
  auto config = makeConfig();
  auto identity = makeIdentity(config);
  {
    APMIdentity::RefreshOncePerScope scope(*identity);
    SetAdvertising(true, kAdvertisingID2);
    EXPECT_EQ(identity->resettableDeviceID(), kAdvertisingID1) << "the scope's refresh, not a new one";
    EXPECT_EQ(identity->hashedResettableDeviceID(), apm_MD5String(kAdvertisingID1));

    // A reset app instance ID is made again, as without the scope.
    identity->setAppInstanceID(std::nullopt);
    const auto renewed = identity->appInstanceID();
    ASSERT_TRUE(renewed);
    EXPECT_EQ(renewed->size(), 32u);
  }
  EXPECT_EQ(identity->resettableDeviceID(), kAdvertisingID2) << "refreshed again once the scope ends";
}

TEST_F(IdentityTest, AllZeroAdvertisingIDClearsTheDeviceIDButKeepsTheHash) {
  setRemoteSettings({{"measurement.ad_id_cache_time", "0"}});
  apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(3);
  SetAdvertising(true, kAdvertisingID1);
  auto config = makeConfig();
  auto identity = makeIdentity(config);
  EXPECT_EQ(identity->resettableDeviceID(), kAdvertisingID1);
  const auto instanceID = identity->appInstanceID();
  SetAdvertising(false, APMIdentity::kZeroDeviceID);
  EXPECT_FALSE(identity->resettableDeviceID());
  EXPECT_TRUE(identity->limitedAdTracking());
  EXPECT_EQ(config->hashedResettableDeviceID(), apm_MD5String(kAdvertisingID1));
  EXPECT_EQ(identity->appInstanceID(), instanceID);
  EXPECT_FALSE(identity->shouldSetLastAdvertisingIDResetUserProperty());
}

TEST_F(IdentityTest, DeniedConsentKeepsIdentifiersOutOfStorage) {
  setRemoteSettings({{"measurement.ad_id_cache_time", "0"}});
  apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(3);
  SetAdvertising(true, kAdvertisingID1);
  auto config = makeConfig();
  config->setHashedResettableDeviceID(std::string("stale-hash"));
  APMConsentSettingsUtil::setConsentSettings(
      Value::Dictionary{{"analytics_storage", Value("denied")}, {"ad_storage", Value("granted")}});

  auto identity = makeIdentity(config);
  EXPECT_FALSE(config->appInstanceID()) << "creation persists none";
  EXPECT_FALSE(identity->appInstanceID()) << "nor does the refresh";
  EXPECT_EQ(config->hashedResettableDeviceID(), apm_MD5String(kAdvertisingID1));
  EXPECT_FALSE(identity->sessionStitchingTokenWithSessionNumber(1, false, false));
  SetAdvertising(true, APMIdentity::kZeroDeviceID);
  EXPECT_FALSE(identity->identifierForVendor());

  // Ad storage denied as well: the hash goes, and no advertising ID is read.
  APMConsentSettingsUtil::updateSettings(Value::Dictionary{{"ad_storage", Value("denied")}});
  SetAdvertising(true, kAdvertisingID2);
  EXPECT_FALSE(identity->resettableDeviceID());
  EXPECT_FALSE(identity->hashedResettableDeviceID());
  EXPECT_FALSE(config->appInstanceID());

  // Granted again: the next refresh makes an app instance ID.
  APMConsentSettingsUtil::setConsentSettings(Value::Dictionary{{"analytics_storage", Value("granted")}});
  EXPECT_TRUE(identity->appInstanceID());
}

TEST_F(IdentityTest, VendorIDRules) {
  struct Case {
    const char* name;
    std::optional<bool> collectionSwitch;
    bool advertisingIDAvailable;
    bool analyticsDenied;
    bool expectVendorID;
  };
  const Case cases[] = {
      {"no switch", std::nullopt, false, false, true},
      {"switch on", true, false, false, true},
      {"switch off", false, false, false, false},
      {"advertising ID available", std::nullopt, true, false, false},
      {"analytics storage denied", std::nullopt, false, true, false},
  };
  setRemoteSettings({{"measurement.ad_id_cache_time", "0"}});
  apptrackingtransparency::ATTrackingManager::setTrackingAuthorizationStatus(3);
  const std::string deviceVendorID = uikit::Device::identifierForVendor()->uuidString();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::Bundle::main().setInfoDictionaryOverride(Value::Dictionary{});
    if (c.collectionSwitch) setInfo(APMIdentity::kIDFVCollectionEnabledKey, Value(*c.collectionSwitch));
    SetAdvertising(true, c.advertisingIDAvailable ? kAdvertisingID1 : APMIdentity::kZeroDeviceID);
    APMConsentSettingsUtil::resetForTesting();
    if (c.analyticsDenied) {
      APMConsentSettingsUtil::setConsentSettings(Value::Dictionary{{"analytics_storage", Value("denied")}});
    }
    auto identity = makeIdentity(makeConfig(std::string("vendor-") + c.name));
    EXPECT_EQ(identity->identifierForVendor(),
              c.expectVendorID ? std::optional<std::string>(deviceVendorID) : std::nullopt);
  }
}

TEST_F(IdentityTest, FirstVendorIDReadOffTheMainThreadWaitsForTheMainLoop) {
  auto identity = makeIdentity();
  std::atomic<bool> done{false};
  std::optional<std::string> fromWorker;
  std::thread worker([&] {
    fromWorker = identity->identifierForVendor();
    done = true;
  });
  // The read waits for the main loop to turn ...
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done.load());
  // ... and ends once it does.
  EXPECT_TRUE(platform::RunLoop::main().runUntil([&] { return done.load(); }, 10));
  worker.join();
  ASSERT_TRUE(fromWorker);
  EXPECT_EQ(*fromWorker, uikit::Device::identifierForVendor()->uuidString());

  // Later reads use the kept copy and never need the main loop.
  done = false;
  std::optional<std::string> again;
  std::thread second([&] {
    again = identity->identifierForVendor();
    done = true;
  });
  second.join();
  EXPECT_EQ(again, fromWorker);
}

TEST_F(IdentityTest, SessionStitchingToken) {
  auto clock = std::make_shared<platform::ManualClock>();
  platform::Clock::setCurrent(clock);
  {
    auto identity = makeIdentity();
    struct Step {
      int64_t number;
      bool expired;
      bool userID;
      double advance;
      bool sameTokenAsBefore;
    };
    struct Case {
      const char* name;
      std::vector<Step> steps;
    };
    const Case cases[] = {
        {"7 expired then 8 not expired keeps it", {{7, true, false, 0, false}, {8, false, false, 0, true}}},
        {"7 then 9 replaces it", {{7, true, false, 0, false}, {9, false, false, 0, false}}},
        {"the same session keeps it", {{4, false, false, 0, false}, {4, false, false, 100, true}}},
        {"without a user ID it lasts a day",
         {{5, false, false, 0, false}, {5, false, false, 86399, true}, {5, false, false, 1, false}}},
        {"with a user ID it has no expiry", {{6, false, true, 0, false}, {6, false, true, 200000, true}}},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      identity->resetSessionStitchingToken();
      std::optional<std::string> previous;
      for (const auto& step : c.steps) {
        clock->advance(step.advance);
        auto token = identity->sessionStitchingTokenWithSessionNumber(step.number, step.expired, step.userID);
        ASSERT_TRUE(token);
        EXPECT_EQ(token->size(), 32u);
        if (previous) {
          EXPECT_EQ(*token == *previous, step.sameTokenAsBefore) << step.number;
        }
        previous = token;
      }
    }
  }
  platform::Clock::setCurrent(nullptr);
}

TEST_F(IdentityTest, DiversionKeyAndEphemeralID) {
  auto config = makeConfig();
  config->setDiversionKey(std::string("ABCD"));
  auto identity = makeIdentity(config);
  const std::string key = identity->diversionKey();
  EXPECT_EQ(key.size(), 5u);
  EXPECT_NE(key, "ABCD");
  EXPECT_EQ(config->diversionKey(), key);
  EXPECT_EQ(identity->diversionKey(), key) << "a 5-character key stays";

  const std::string ephemeral = identity->ephemeralAppInstanceID();
  EXPECT_EQ(identity->ephemeralAppInstanceID(), ephemeral);
  identity->resetEphemeralAppInstanceID();
  EXPECT_NE(identity->ephemeralAppInstanceID(), ephemeral);
  EXPECT_NE(ephemeral, config->appInstanceID());
}

TEST_F(IdentityTest, IdentifiersAnswerFromTheIdentity) {
  auto identity = makeIdentity();
  APMIdentifiers identifiers([identity] { return identity; });
  ForgetRecord();
  EXPECT_FALSE(identifiers.trivandelAppID());
  EXPECT_TRUE(Recorded("Unable to fetch Trivandel App ID from default options"));
  EXPECT_FALSE(identifiers.analyticsAppID());
  EXPECT_TRUE(Recorded("Unable to fetch effective App ID from identity"));
  EXPECT_EQ(identifiers.appInstanceID(), identity->appInstanceID());

  APMIdentifiers missing([] { return std::shared_ptr<APMIdentity>(); });
  EXPECT_FALSE(missing.appInstanceID());
  EXPECT_TRUE(Recorded("Unable to fetch App Instance ID from identity shared instance"));

  // With a running engine the same gaps are the engine identity's.
  APMEngineHooks::setEngineState({true, true, true});
  EXPECT_FALSE(identifiers.trivandelAppID());
  EXPECT_TRUE(Recorded("Unable to fetch Trivandel App ID from identity"));
  EXPECT_FALSE(missing.appInstanceID());
  EXPECT_TRUE(Recorded("Unable to fetch App Instance ID from identity"));
  APMEngineHooks::setEngineState({});

  identifiers.setOrigin(std::string("app"));
  EXPECT_FALSE(Recorded("Cannot set the data collection origin. Origin cannot be empty"));
  identifiers.setOrigin(std::string(""));
  EXPECT_TRUE(Recorded("Cannot set the data collection origin. Origin cannot be empty"));
  identifiers.setOrigin(std::nullopt);
  EXPECT_TRUE(Recorded("Cannot set the data collection origin. Origin cannot be empty"));
  EXPECT_EQ(identifiers.origin(), "app");

  const int64_t first = std::stoll(identifiers.adEventID());
  const int64_t second = std::stoll(missing.adEventID());
  EXPECT_EQ(static_cast<uint64_t>(second), static_cast<uint64_t>(first) + 1) << "one counter per process";
}

TEST_F(IdentityTest, AnalyticsAppIDFallsBackToTheAdsAppID) {
  APMInfoPlistFileUtil::setEngineResourcesBundlePath(root_.path() + "/Engine");
  writeServicePlist(root_.path() + "/Engine", {{"PELLUMAR_APP_ID", Value("ca-app-9")}});
  auto identity = makeIdentity();
  APMIdentifiers identifiers([&identity] { return identity; });
  EXPECT_EQ(identifiers.analyticsAppID(), "ca-app-9");
  writeServicePlist(root_.path() + "/Engine",
                    {{"TRIVANDEL_APP_ID", Value("1:kvl")}, {"PELLUMAR_APP_ID", Value("ca-app-9")}});
  identity = makeIdentity();
  EXPECT_EQ(identifiers.analyticsAppID(), "1:kvl");
  EXPECT_EQ(identifiers.trivandelAppID(), "1:kvl");
}

// Runs the tests named by filter in a fresh process of this binary on the
// same data root; they write their findings to the file named by
// $APM_IDENTITY_CHILD_OUT, whose lines come back.
std::vector<std::string> RunChild(const std::string& root, const std::string& filter) {
  const std::string outPath = root + "/child.txt";
  EXPECT_EQ(test_support::RunTestsInChildProcess(filter, root, {"APM_IDENTITY_CHILD_OUT=" + outPath}), 0);
  std::vector<std::string> lines;
  std::ifstream file(outPath);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

// Run as separate processes by the tests below.
TEST(IdentityChild, ReportsItsIdentifiers) {
  const char* out = std::getenv("APM_IDENTITY_CHILD_OUT");
  if (out == nullptr) GTEST_SKIP();
  auto identity = APMIdentity::initWithPersistedConfig(APMPersistedConfig::initWithSuiteName(APMPersistedConfig::kSuiteName),
                                                       std::make_shared<APMDefaultIdentitySupport>());
  std::ofstream file(out);
  file << identity->appInstanceID().value_or("none") << "\n" << uikit::Device::identifierForVendor()->uuidString();
}

TEST(IdentityChild, SetsAppIDsTwice) {
  const char* out = std::getenv("APM_IDENTITY_CHILD_OUT");
  if (out == nullptr) GTEST_SKIP();
  auto support = std::make_shared<APMDefaultIdentitySupport>();
  auto identity = APMIdentity::initWithPersistedConfig(APMPersistedConfig::initWithSuiteName("child"), support);
  identity->setAppIDFromKVL("1:first");
  identity->setAppIDFromKVL("1:second");
  identity->setAppIDFromPellumar("ca-first");
  identity->setAppIDFromPellumar("ca-second");
  auto later = APMIdentity::initWithPersistedConfig(APMPersistedConfig::initWithSuiteName("child"), support);
  later->setAppIDFromKVL("1:third");
  std::ofstream file(out);
  file << identity->appIDFromKVL().value_or("none") << "\n"
       << identity->appIDFromPellumar().value_or("none") << "\n"
       << later->appIDFromKVL().value_or("none");
}

TEST_F(IdentityTest, OnlyTheFirstAppIDOfTheProcessIsKept) {
  const auto lines = RunChild(root_.path(), "IdentityChild.SetsAppIDsTwice");
  EXPECT_EQ(lines, (std::vector<std::string>{"1:first", "ca-first", "none"}));
}

TEST_F(IdentityTest, ASecondProcessReadsTheSameAppInstanceIDAndVendorID) {
  auto config = APMPersistedConfig::initWithSuiteName(APMPersistedConfig::kSuiteName);
  auto identity = makeIdentity(config);
  const auto appInstanceID = identity->appInstanceID();
  ASSERT_TRUE(appInstanceID);
  config->synchronizeToDisk();
  const auto vendorID = uikit::Device::identifierForVendor();
  ASSERT_TRUE(vendorID);

  const auto lines = RunChild(root_.path(), "IdentityChild.ReportsItsIdentifiers");
  EXPECT_EQ(lines, (std::vector<std::string>{*appInstanceID, vendorID->uuidString()}));
}

}  // namespace
}  // namespace identity_test
