// The consent model and the facade's consent operations, persisted in the
// analytics suite of a temporary data root.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserDefaults.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "tests/support/TestChildProcess.h"

namespace {

using Consent = APMConsentSettingsUtil;
using Settings = APMConsentSettingsUtil::Settings;
using platform::Value;

Settings S(std::initializer_list<std::pair<const std::string, Value>> entries) { return Settings(entries); }

class ConsentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    APMEngineHooks::reset();
    Consent::resetForTesting();
    APMMeasurementMonitor().clearMonitoringData();
  }
  void TearDown() override {
    Consent::resetForTesting();
    APMEngineHooks::reset();
    APMMeasurementMonitor().waitForPendingWork();
  }
  // Console levels arrive as "[I-ACS0NNNNN]"; level 2 and 5 lines only in the health record.
  bool Logged(int code) {
    APMMeasurementMonitor().waitForPendingWork();
    return capture_.contains("I-ACS0" + std::to_string(code));
  }
  APMUserDefaults& Suite() { return APMAnalytics::analyticsSuite(); }

  platform::TemporaryDataRoot root_;
  platform::LogCapture capture_;
};

TEST_F(ConsentTest, StatesSignalsDiagnosticsAndDescription) {
  const std::string kDefaultDescription = "ad_storage is granted. analytics_storage is granted.";
  const struct {
    const char* name;
    std::function<void()> setup;
    std::string signals;
    std::string diagnostics;
    std::string description;
    bool analyticsDenied;
    bool adUserDataDenied;
    std::optional<bool> adPersonalization;
  } cases[] = {
      {"nothing set", [] {}, "G1--", "19999", kDefaultDescription, false, false, std::nullopt},
      {"version 2, nothing set", [] { Consent::setVersion(2); }, "G2gg", "19999", kDefaultDescription, false, false,
       std::nullopt},
      {"version 3 keeps the previous version",
       [] {
         Consent::setVersion(2);
         Consent::setVersion(3);
       },
       "G2gg", "19999", kDefaultDescription, false, false, std::nullopt},
      {"1P granted and denied",
       [] { APMAnalytics::setConsent(S({{"ad_storage", Value("granted")}, {"analytics_storage", Value("denied")}})); },
       "G110", "15599", "ad_storage is granted. analytics_storage is denied.", true, false, std::nullopt},
      {"the same in version 2",
       [] {
         Consent::setVersion(2);
         APMAnalytics::setConsent(S({{"ad_storage", Value("granted")}, {"analytics_storage", Value("denied")}}));
       },
       "G2GD", "15599", "ad_storage is granted. analytics_storage is denied.", true, false, std::nullopt},
      {"3P cannot be overridden by 1P",
       [] {
         APMAnalytics::setConsent(S({{"ad_storage", Value("denied")}}), APMAnalytics::kConsentSettings3PKey);
         APMAnalytics::setConsent(S({{"ad_storage", Value("granted")}, {"analytics_storage", Value("granted")}}));
       },
       "G10-", "15999", "ad_storage is denied. analytics_storage is granted.", false, false, std::nullopt},
      {"1P after 1P is accepted",
       [] {
         APMAnalytics::setConsent(S({{"ad_storage", Value("denied")}}));
         APMAnalytics::setConsent(S({{"ad_storage", Value("granted")}, {"ad_user_data", Value("denied")}}));
       },
       "G11-", "15959", "ad_storage is granted. analytics_storage is granted. ad_user_data is denied.", false, true,
       std::nullopt},
      {"values are case-sensitive when set",
       [] { APMAnalytics::setConsent(S({{"ad_storage", Value("GRANTED")}, {"ad_user_data", Value(int64_t{1})}})); },
       "G1--", "19999", kDefaultDescription, false, false, std::nullopt},
      {"stored values count in any case",
       [] {
         Consent::setConsentSettings(S({{"ad_storage", Value("GRANTED")}, {"analytics_storage", Value("Denied")}}));
       },
       "G110", "10099", "ad_storage is GRANTED. analytics_storage is Denied.", true, false, std::nullopt},
      {"ad_user_data follows its delegate",
       [] {
         Consent::setConsentSettings(S({{"ad_storage", Value("denied")}}));
         Consent::setDelegatedSettings(S({{"ad_user_data", Value("ad_storage")}}));
       },
       "G10-", "10929", "ad_storage is denied. analytics_storage is granted.", false, true, std::nullopt},
      {"defaults",
       [] {
         Consent::setDefaultSettings(S({{"ad_storage", Value("denied")},
                                        {"ad_user_data", Value("denied")},
                                        {"ad_personalization", Value("granted")}}));
       },
       "G1--", "19911", kDefaultDescription, false, true, true},
      {"current personalization wins over the default",
       [] {
         Consent::setDefaultSettings(S({{"ad_personalization", Value("granted")}}));
         APMAnalytics::setConsent(S({{"ad_personalization", Value("denied")}}));
       },
       "G1--", "19995", "ad_storage is granted. analytics_storage is granted. ad_personalization is denied.", false,
       false, false},
      {"restored 3P",
       [] {
         Consent::setConsentSettings(S({{"ad_storage", Value("granted")}}));
         Consent::setConsentSource(Consent::kSource3PRestored);
       },
       "G11-", "13999", kDefaultDescription, false, false, std::nullopt},
      {"restored 1P",
       [] {
         Consent::setConsentSettings(S({{"ad_storage", Value("granted")}}));
         Consent::setConsentSource(Consent::kSource1PRestored);
       },
       "G11-", "14999", kDefaultDescription, false, false, std::nullopt},
      {"diagnostic source set directly",
       [] {
         Consent::setDefaultSettings(S({}));
         Consent::setConsentSettings(S({{"ad_storage", Value("granted")}}));
         Consent::setDiagnosticSource(7, "ad_storage");
       },
       "G11-", "17999", kDefaultDescription, false, false, std::nullopt},
      {"personalization unset again",
       [] {
         APMAnalytics::setConsent(S({{"ad_personalization", Value("granted")}}));
         Consent::unsetAdPersonalization();
       },
       "G1--", "19999", kDefaultDescription, false, false, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    APMAnalytics::clearConsent();
    Consent::resetForTesting();
    c.setup();
    EXPECT_EQ(Consent::consentSignals(), c.signals);
    EXPECT_EQ(Consent::consentDiagnostics(), c.diagnostics);
    EXPECT_EQ(Consent::description(), c.description);
    EXPECT_EQ(Consent::isAnalyticsStorageDenied(), c.analyticsDenied);
    EXPECT_EQ(Consent::isAdUserDataDenied(), c.adUserDataDenied);
    EXPECT_EQ(Consent::adPersonalization(), c.adPersonalization);
  }
}

TEST_F(ConsentTest, RefusedSettingsAreLogged) {
  APMAnalytics::setConsent(S({{"ad_storage", Value("GRANTED")}, {"other", Value("granted")}}));
  EXPECT_TRUE(Logged(25042));
  EXPECT_TRUE(Logged(25041));
  EXPECT_FALSE(Suite().objectForKey(APMAnalytics::kConsentSourceKey));

  APMAnalytics::setConsent(S({{"ad_storage", Value("denied")}}), APMAnalytics::kConsentSettings3PKey);
  capture_.clear();
  APMAnalytics::setConsent(S({{"ad_storage", Value("granted")}}));
  EXPECT_TRUE(Logged(25043));
  EXPECT_FALSE(APMAnalytics::consentSettings1P());
  EXPECT_EQ(APMAnalytics::persistedConsentSource(), Consent::kSource3P);
}

TEST_F(ConsentTest, PersistsUnderTheKeyOfItsSource) {
  EXPECT_EQ(APMAnalytics::persistedConsentSource(), Consent::kSourceNone);
  APMAnalytics::setConsent(S({{"ad_storage", Value("granted")}}));
  EXPECT_EQ(APMAnalytics::consentSettings1P(), S({{"ad_storage", Value("granted")}}));
  EXPECT_EQ(APMAnalytics::persistedConsentSource(), Consent::kSource1P);
  // 3P merges into the current settings and persists all of them.
  APMAnalytics::setConsent(S({{"analytics_storage", Value("denied")}}), APMAnalytics::kConsentSettings3PKey);
  EXPECT_EQ(APMAnalytics::consentSettings3P(),
            S({{"ad_storage", Value("granted")}, {"analytics_storage", Value("denied")}}));
  EXPECT_EQ(APMAnalytics::persistedConsentSource(), Consent::kSource3P);
  EXPECT_EQ(Consent::consentSource(), Consent::kSource3P);
}

// Run as a second process by the test below.
TEST(ConsentChild, PersistsConsent) {
  const char* scenario = std::getenv("CONSENT_CHILD");
  if (scenario == nullptr) GTEST_SKIP();
  Consent::resetForTesting();
  std::string which(scenario);
  if (which == "3p") {
    APMAnalytics::setConsent(S({{"ad_storage", Value("denied")}}), APMAnalytics::kConsentSettings3PKey);
  } else if (which == "1p") {
    APMAnalytics::setConsent(S({{"analytics_storage", Value("denied")}}));
  } else if (which == "1p-late") {
    APMAnalytics::persistConsentSettings(S({{"ad_storage", Value("granted")}}), 45);
  } else if (which == "source-only") {
    APMAnalytics::analyticsSuite().setInteger(30, APMAnalytics::kConsentSourceKey);
  }
  Consent::serialQueue()->sync([] {});
}

TEST_F(ConsentTest, ASecondProcessRestoresThePersistedConsent) {
  const struct {
    const char* scenario;
    int64_t source;
    std::string signals;
    bool laterFirstPartyAccepted;
  } cases[] = {
      {"3p", Consent::kSource3P, "G10-", false},
      {"1p", Consent::kSource1P, "G1-0", true},
      {"1p-late", Consent::kSource1PRestored, "G11-", true},
      {"source-only", Consent::kSource1P, "G1--", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scenario);
    platform::TemporaryDataRoot root;
    Consent::resetForTesting();
    ASSERT_EQ(test_support::RunTestsInChildProcess("ConsentChild.*", root.path(),
                                                   {std::string("CONSENT_CHILD=") + c.scenario}),
              0);
    APMAnalytics::loadPersistedConsentSettings();
    EXPECT_EQ(Consent::consentSource(), c.source);
    EXPECT_EQ(Consent::consentSignals(), c.signals);
    APMAnalytics::setConsent(S({{"ad_personalization", Value("granted")}}));
    EXPECT_EQ(Consent::adPersonalization() == std::optional<bool>(true), c.laterFirstPartyAccepted);
  }
}

TEST_F(ConsentTest, ClearConsentForgetsEverything) {
  APMAnalytics::setConsent(S({{"ad_storage", Value("denied")}}), APMAnalytics::kConsentSettings3PKey);
  Suite().setObject(Value(S({{"ad_storage", Value("granted")}})), APMAnalytics::kConsentSettingsOnStartKey);
  Suite().setBool(true, APMAnalytics::kDeferredConsentResetKey);
  Consent::setDefaultSettings(S({{"ad_user_data", Value("denied")}}));
  APMAnalytics::clearConsent();
  for (const char* key : {APMAnalytics::kConsentSourceKey, APMAnalytics::kConsentSettings3PKey,
                          APMAnalytics::kConsentSettings1PKey, APMAnalytics::kConsentSettingsOnStartKey,
                          APMAnalytics::kDeferredConsentResetKey}) {
    EXPECT_FALSE(Suite().objectForKey(key)) << key;
  }
  EXPECT_EQ(Consent::consentSource(), Consent::kSourceNone);
  EXPECT_FALSE(Consent::consentSettings());
  EXPECT_FALSE(Consent::defaultSettings());
  EXPECT_EQ(Consent::consentDiagnostics(), "19999");
  // Nothing persisted any more: a 1P call is accepted again.
  APMAnalytics::setConsent(S({{"ad_storage", Value("granted")}}));
  EXPECT_EQ(Consent::consentSignals(), "G11-");
}

TEST_F(ConsentTest, WithdrawnConsentResetsAnalyticsDataOrDefersTheReset) {
  const struct {
    const char* name;
    APMEngineHooks::EngineState engine;
    Settings before;
    Settings after;
    int resets;
    bool deferred;
  } cases[] = {
      {"no engine", {}, S({{"analytics_storage", Value("granted")}}), S({{"analytics_storage", Value("denied")}}), 0,
       true},
      {"engine still starting", {true, false, true}, S({{"ad_storage", Value("granted")}}),
       S({{"ad_storage", Value("denied")}}), 0, true},
      {"engine running", {true, true, false}, S({{"analytics_storage", Value("granted")}}),
       S({{"analytics_storage", Value("denied")}}), 1, false},
      {"first denial ever", {true, true, true}, S({}), S({{"ad_storage", Value("denied")}}), 1, false},
      {"granted again", {true, true, true}, S({{"ad_storage", Value("denied")}}),
       S({{"ad_storage", Value("granted")}}), 0, false},
      {"other types", {true, true, true}, S({{"ad_user_data", Value("granted")}}),
       S({{"ad_user_data", Value("denied")}, {"ad_personalization", Value("denied")}}), 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    APMAnalytics::clearConsent();
    APMEngineHooks::reset();
    if (!c.before.empty()) APMAnalytics::setConsent(c.before);
    APMAnalytics::removeDeferredResetOnDeniedConsent();
    APMEngineHooks::reset();
    Suite().setObject(Value("0F1E2D"), APMAnalytics::kAppInstanceIDAfterResetKey);
    APMEngineHooks::setEngineState(c.engine);
    APMAnalytics::setConsent(c.after);
    EXPECT_EQ(APMEngineHooks::resetAnalyticsDataCallCount(), c.resets);
    EXPECT_EQ(APMAnalytics::deferredResetOnDeniedConsent(), c.deferred);
    bool withdrawn = c.resets > 0 || c.deferred;
    EXPECT_EQ(Suite().objectForKey(APMAnalytics::kAppInstanceIDAfterResetKey).has_value(), !withdrawn);
  }
  APMAnalytics::removeDeferredResetOnDeniedConsent();
  EXPECT_FALSE(APMAnalytics::deferredResetOnDeniedConsent());
}

TEST_F(ConsentTest, PersonalizedAdsFollowConsentWhenDMAConsentIsEnabled) {
  auto config = std::make_shared<APMRemoteConfig>();
  APMEngineHooks::setRemoteConfigProvider([config] { return config; });
  const struct {
    const char* name;
    bool dmaConsent;
    std::function<void()> steps;
    std::vector<std::pair<std::optional<std::string>, std::string>> calls;
  } cases[] = {
      {"switched off", false, [] { APMAnalytics::setConsent(S({{"ad_personalization", Value("granted")}})); }, {}},
      {"granted", true, [] { APMAnalytics::setConsent(S({{"ad_personalization", Value("granted")}})); },
       {{"YES", "allow_personalized_ads"}}},
      {"denied", true, [] { APMAnalytics::setConsent(S({{"ad_personalization", Value("denied")}})); },
       {{"NO", "allow_personalized_ads"}}},
      {"other types only", true,
       [] {
         Consent::setDefaultSettings(S({{"ad_personalization", Value("denied")}}));
         APMAnalytics::setConsent(S({{"ad_storage", Value("granted")}}));
       },
       {}},
      {"withdrawal with a default", true,
       [] {
         Consent::setDefaultSettings(S({{"ad_personalization", Value("denied")}}));
         APMAnalytics::setConsent(S({{"ad_storage", Value("denied")}}));
       },
       {{"NO", "allow_personalized_ads"}}},
      {"withdrawal without personalization", true,
       [] { APMAnalytics::setConsent(S({{"analytics_storage", Value("denied")}})); }, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    APMAnalytics::clearConsent();
    APMEngineHooks::setUserPropertyStringHandler(nullptr);
    APMEngineHooks::reset();
    APMEngineHooks::setRemoteConfigProvider([config] { return config; });
    config->setConfiguredSettings({{"measurement.upload.dma_consent_enabled", c.dmaConsent ? "1" : "0"}});
    c.steps();
    EXPECT_EQ(APMEngineHooks::userPropertyStringCalls(), c.calls);
  }
}

TEST_F(ConsentTest, InfoPlistDefaultsAndDictionaryFiltering) {
  platform::Bundle::main().setInfoDictionaryOverride(Value::Dictionary{
      {"TRIVANDEL_ANALYTICS_DEFAULT_ALLOW_AD_STORAGE", Value(false)},
      {"TRIVANDEL_ANALYTICS_DEFAULT_ALLOW_ANALYTICS_STORAGE", Value(int64_t{1})},
      {"TRIVANDEL_ANALYTICS_DEFAULT_ALLOW_AD_USER_DATA", Value("YES")},
  });
  EXPECT_EQ(Consent::consentSettingsFromPlist(),
            S({{"ad_storage", Value("denied")}, {"analytics_storage", Value("granted")}}));
  platform::Bundle::main().setInfoDictionaryOverride(std::nullopt);
  EXPECT_EQ(Consent::consentSettingsFromDictionary(
                S({{"ad_storage", Value(int64_t{3})}, {"analytics_storage", Value("x")}, {"other", Value("granted")}})),
            S({{"ad_storage", Value(int64_t{3})}, {"analytics_storage", Value("x")}}));
  EXPECT_EQ(APMConsentTypeName(4), "ad_personalization");
  EXPECT_FALSE(APMConsentTypeName(5));
  EXPECT_FALSE(APMConsentTypeName(0));
  EXPECT_EQ(APMConsentStatusName(2), "denied");
  EXPECT_FALSE(APMConsentStatusName(3));
  // Withdrawal needs a dictionary as the previous value.
  Consent::setConsentSettings(S({{"ad_storage", Value("denied")}}));
  EXPECT_FALSE(Consent::didWithdrawPreviousConsent(Value("granted")));
  EXPECT_TRUE(Consent::didWithdrawPreviousConsent(std::nullopt));
  EXPECT_FALSE(Consent::didWithdrawPreviousConsent(Value(S({{"ad_storage", Value("DENIED")}}))));
}

}  // namespace
