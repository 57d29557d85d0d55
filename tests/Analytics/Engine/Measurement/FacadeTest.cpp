// The facade in front of a test engine: calls held until the start reach the
// database in order, the gates of collection and enablement, the half-second
// hold after user data, and the facade's user-property operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMAppDelegateInterceptor.h"
#include "Platform/TrivandelUtilities/TVUAppDelegateSwizzler.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"

namespace measurement_test {
namespace {

class FacadeTest : public MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    // Suspended again: calls wait for the facade's start.
    APMAnalytics::resetForTesting();
    platform::ClassRegistry::shared().registerClass(kPublicAnalyticsClass);
    platform::TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(false);
  }
  void TearDown() override {
    settle();
    platform::TVUAppDelegateSwizzler::unregisterAppDelegateInterceptor(APMAppDelegateInterceptor::sharedInstance());
    platform::TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(true);
    MeasurementFixture::TearDown();
  }

  // The core's start: the test's engine is the shared one, then the facade
  // starts with origin "qa".
  void startFacade(const Value::Dictionary& options = {}, const EngineOptions& engineOptions = {}) {
    engine_ = makeEngine(engineOptions);
    APMAnalytics::startWithAppID(kAppID, "qa", options);
    settle();
  }
  // A fresh process: no engine, the facade not started.
  void restart() {
    settle();
    APMMeasurement::resetSharedInstanceForTesting();
    engine_.reset();
    settle();
    APMAnalytics::resetForTesting();
  }

  std::vector<std::string> namesStartingWith(const std::string& prefix) {
    std::vector<std::string> names;
    for (const std::string& name : rawEventNames()) {
      if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
  }
  std::optional<APMUserAttribute> property(const std::string& name) {
    std::optional<APMUserAttribute> found;
    onWorker([&] {
      APMError error;
      // A disabled engine never opened its database.
      if (engine_->database()) found = engine_->database()->userAttributeWithName(name, &error);
    });
    return found;
  }
};

TEST_F(FacadeTest, EventsLoggedBeforeTheStartReachTheDatabaseInOrderWithTheirOwnTimes) {
  APMAnalytics::logEventWithName("held_first", {});
  clock_->advance(1);
  APMAnalytics::logEventWithName("held_second", {{"level", Value(2)}});
  clock_->advance(1);
  APMAnalytics::logEventWithName("held_third", {});
  engine_ = makeEngine();
  settle();
  EXPECT_TRUE(namesStartingWith("held_").empty()) << "nothing passes before the start";

  clock_->advance(10);
  APMAnalytics::startWithAppID(kAppID, "qa", {});
  settle();
  EXPECT_EQ(namesStartingWith("held_"), (std::vector<std::string>{"held_first", "held_second", "held_third"}));
  std::vector<double> times;
  for (const APMEvent& event : rawEvents()) {
    if (event.name().rfind("held_", 0) == 0) times.push_back(event.timestamp());
  }
  EXPECT_EQ(times, (std::vector<double>{kStartNow, kStartNow + 1, kStartNow + 2})) << "stamped when logged";
  EXPECT_TRUE(APMAnalytics::isAnalyticsEnabled());
}

TEST_F(FacadeTest, ScreenViewsAndInvalidNamesNeverEnterTheEventQueue) {
  startFacade();
  APMAnalytics::logEventWithName("screen_view", {{"screen_name", Value("Home")}});
  APMAnalytics::logEventWithName("1bad", {});
  APMAnalytics::logEventWithName("good_one", {});
  settle();
  std::vector<std::string> names = rawEventNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), "screen_view"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "1bad"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "good_one"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "_err"), 1) << "the invalid name is reported";
}

TEST_F(FacadeTest, UserDataHoldsLaterCallsHalfASecond) {
  startFacade();
  APMAnalytics::setUserData({{"email_address", Value("someone@facility.invalid")}});
  APMAnalytics::logEventWithName("after_user_data", {});
  settle();
  EXPECT_TRUE(namesStartingWith("after_user_data").empty());
  ASSERT_TRUE(clock_->runFor(0.499));
  EXPECT_TRUE(namesStartingWith("after_user_data").empty()) << "released early";
  ASSERT_TRUE(clock_->runFor(0.001));
  EXPECT_EQ(namesStartingWith("after_user_data").size(), 1u);
}

TEST_F(FacadeTest, GatingByStartEnablementAndDeactivation) {
  const Value::Dictionary disabledStart{{APMAnalytics::kOptionCollectionEnabled, Value(false)}};
  EngineOptions disabledEngine;
  disabledEngine.collectionEnabled = false;
  const Value::Dictionary deactivatedStart{{APMAnalytics::kOptionCollectionDeactivated, Value(true)}};
  // The engine a deactivated start makes.
  EngineOptions deactivatedEngine;
  deactivatedEngine.collectionDeactivated = true;

  struct Row {
    const char* condition;
    std::function<void()> start;  // how the process starts; null: the call comes before the start
    std::function<void()> call;
    std::function<void()> check;  // after the start and everything settled
  };
  std::vector<std::string> heard;
  const Row rows[] = {
      {"not started: event held, then delivered", nullptr,
       [] { APMAnalytics::logEventWithName("gated_event", {}); },
       [&] { EXPECT_EQ(namesStartingWith("gated_event").size(), 1u); }},
      {"not started: user property held, then delivered", nullptr,
       [] { APMAnalytics::setUserPropertyString(std::optional<Value>(Value("blue")), "favourite_colour"); },
       [&] {
         auto stored = property("favourite_colour");
         ASSERT_TRUE(stored);
         EXPECT_EQ(stored->value().stringValue(), "blue");
       }},
      {"not started: user ID held, then delivered", nullptr,
       [] { APMAnalytics::setUserID(std::optional<Value>(Value("user-7"))); },
       [&] { EXPECT_TRUE(property("_id")); }},
      {"analytics disabled: user data dropped", [&] { startFacade(disabledStart, disabledEngine); },
       [] { APMAnalytics::setUserData({{"phone_number", Value("+15550100")}}); },
       [&] { EXPECT_TRUE(logged(25044)); }},
      {"analytics disabled: public property query answers empty",
       [&] { startFacade(disabledStart, disabledEngine); },
       [&] {
         APMAnalytics::userPropertiesIncludingInternal(false, platform::DispatchQueue::main(),
                                                       [&](const Value::Dictionary& properties) {
                                                         heard.push_back("answered " +
                                                                         std::to_string(properties.size()));
                                                       });
       },
       [&] {
         EXPECT_EQ(heard, (std::vector<std::string>{"answered 0"}));
         EXPECT_TRUE(monitored("Cannot query for public user properties when Analytics is disabled"));
       }},
      {"analytics disabled: default event parameters dropped",
       [&] { startFacade(disabledStart, disabledEngine); },
       [] { APMAnalytics::setDefaultEventParameters(Value::Dictionary{{"team", Value("blue")}}); },
       [&] { EXPECT_FALSE(APMPersistedConfig::sharedInstance()->defaultEventParameters()); }},
      {"analytics disabled: personalised ads persisted, \"_npa\" untouched",
       [&] { startFacade(disabledStart, disabledEngine); },
       [] {
         APMAnalytics::setUserPropertyString(std::optional<Value>(Value("NO")),
                                             APMAnalytics::kAllowPersonalizedAdsProperty);
       },
       [&] {
         EXPECT_TRUE(logged(25033));
         auto persisted = APMPersistedConfig::sharedInstance()->allowPersonalizedAds();
         ASSERT_TRUE(persisted);
         EXPECT_EQ(persisted->getBool(), false);
         EXPECT_FALSE(property("_npa"));
       }},
      {"analytics disabled: events reach the engine, which drops them",
       [&] { startFacade(disabledStart, disabledEngine); },
       [] { APMAnalytics::logEventWithName("disabled_event", {}); },
       [&] { EXPECT_TRUE(namesStartingWith("disabled_event").empty()); }},
      {"deactivated at start: enabling ignored, persisted state still written",
       [&] { startFacade(deactivatedStart, deactivatedEngine); },
       [] { APMAnalytics::setAnalyticsEnabled(true, true); },
       [&] {
         EXPECT_FALSE(APMAnalytics::isAnalyticsEnabled());
         EXPECT_EQ(APMPersistedConfig::sharedInstance()->measurementEnabledState(), 1);
       }},
      {"deactivated at start: no app-delegate proxy",
       [&] {
         platform::TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(true);
         startFacade(deactivatedStart, deactivatedEngine);
       },
       [] {},
       [&] {
         for (const auto& interceptor : platform::TVUAppDelegateSwizzler::interceptors()) {
           EXPECT_NE(interceptor, APMAppDelegateInterceptor::sharedInstance());
         }
       }},
      {"enabled start: app-delegate proxy installed",
       [&] {
         platform::TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(true);
         startFacade();
       },
       [] {},
       [&] {
         bool found = false;
         for (const auto& interceptor : platform::TVUAppDelegateSwizzler::interceptors()) {
           found = found || interceptor == APMAppDelegateInterceptor::sharedInstance();
         }
         EXPECT_TRUE(found);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.condition);
    restart();
    forgetLog();
    heard.clear();
    platform::TVUAppDelegateSwizzler::unregisterAppDelegateInterceptor(APMAppDelegateInterceptor::sharedInstance());
    platform::TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(false);
    APMPersistedConfig::sharedInstance()->setMeasurementEnabledState(0);
    if (row.start) {
      row.start();
      forgetLog();  // only what the call logs
      row.call();
    } else {
      row.call();
      startFacade();
    }
    settle();
    row.check();
  }
}

TEST_F(FacadeTest, AdEventIDBecomesAnIntegerOnlyForNumericPellumarEvents) {
  startFacade();
  const struct {
    const char* origin;
    const char* name;
    const char* id;
    std::optional<int64_t> integer;  // none: stays the string
  } cases[] = {
      {"pl", "_aeid_number", "1234567", 1234567},
      {"pl", "_aeid_text", "12ab", std::nullopt},
      {"auto", "_aeid_other", "42", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    forgetLog();
    APMAnalytics::sharedInstance()->logInternalEvent(c.origin, c.name, {{"_aeid", Value(c.id)}});
    settle();
    std::optional<APMEvent> stored;
    for (APMEvent& event : rawEvents()) {
      if (event.name() == c.name) stored = std::move(event);
    }
    ASSERT_TRUE(stored);
    const APMValue* id = stored->parameter("_aeid");
    ASSERT_NE(id, nullptr);
    if (c.integer) {
      ASSERT_TRUE(id->isInt64());
      EXPECT_EQ(id->int64Value(), *c.integer);
    } else {
      EXPECT_EQ(id->stringValue(), c.id);
    }
    if (std::string(c.name) == "_aeid_text") {
      EXPECT_TRUE(monitored("AdEvent ID string is not a number"));
    }
  }
}

TEST_F(FacadeTest, UserPropertyOperations) {
  startFacade();
  const std::string origin32(32, 'o');
  const std::string origin33(33, 'o');
  struct Row {
    const char* name;
    std::function<void()> call;
    std::function<void()> check;
  };
  const Row rows[] = {
      {"personalised ads off drives \"_npa\" = 1, never a property of its own",
       [] {
         APMAnalytics::setUserPropertyString(std::optional<Value>(Value("NO")),
                                             APMAnalytics::kAllowPersonalizedAdsProperty);
       },
       [&] {
         auto npa = property("_npa");
         ASSERT_TRUE(npa);
         EXPECT_EQ(npa->value().int64Value(), 1);
         EXPECT_EQ(npa->origin(), "auto");
         EXPECT_FALSE(property(APMAnalytics::kAllowPersonalizedAdsProperty));
       }},
      {"personalised ads on drives \"_npa\" = 0",
       [] {
         APMAnalytics::setUserPropertyString(std::optional<Value>(Value("YES")),
                                             APMAnalytics::kAllowPersonalizedAdsProperty);
       },
       [&] {
         auto npa = property("_npa");
         ASSERT_TRUE(npa);
         EXPECT_EQ(npa->value().int64Value(), 0);
       }},
      {"origin of 32 characters accepted",
       [&] { APMAnalytics::sharedInstance()->setInternalUserProperty(Value("v"), "origin_ok", origin32); },
       [&] {
         auto stored = property("origin_ok");
         ASSERT_TRUE(stored);
         EXPECT_EQ(stored->origin(), origin32);
       }},
      {"origin of 33 characters refused",
       [&] { APMAnalytics::sharedInstance()->setInternalUserProperty(Value("v"), "origin_long", origin33); },
       [&] {
         EXPECT_FALSE(property("origin_long"));
         EXPECT_TRUE(monitored("Unable to set user property. Origin is invalid. Origin, name"));
       }},
      {"a user ID of none removes \"_id\" and \"_lair\"",
       [] {
         APMAnalytics::setUserID(std::optional<Value>(Value("user-9")));
         APMAnalytics::sharedInstance()->setInternalUserProperty(Value(1), "_lair", "auto");
         APMAnalytics::setUserID(std::nullopt);
       },
       [&] {
         EXPECT_FALSE(property("_id"));
         EXPECT_FALSE(property("_lair"));
       }},
      {"a user ID that is no string is refused",
       [] { APMAnalytics::setUserID(std::optional<Value>(Value(12))); },
       [&] {
         EXPECT_TRUE(logged(25004));
         EXPECT_FALSE(property("_id"));
       }},
      {"a property value that is no string is refused",
       [] { APMAnalytics::setUserPropertyString(std::optional<Value>(Value(3)), "lucky_number"); },
       [&] {
         EXPECT_TRUE(logged(25003));
         EXPECT_FALSE(property("lucky_number"));
       }},
      {"a number property keeps its kind",
       [] {
         APMAnalytics::setUserAttributeNumber(Value(2.5), "ratio");
         APMAnalytics::setUserAttributeNumber(Value("7"), "not_a_number");
       },
       [&] {
         auto ratio = property("ratio");
         ASSERT_TRUE(ratio);
         EXPECT_TRUE(ratio->value().isDouble());
         EXPECT_EQ(ratio->origin(), "auto");
         EXPECT_FALSE(property("not_a_number"));
       }},
      {"a property of none removes it",
       [] {
         APMAnalytics::setUserPropertyString(std::optional<Value>(Value("x")), "short_lived");
         APMAnalytics::setUserPropertyString(std::nullopt, "short_lived");
       },
       [&] { EXPECT_FALSE(property("short_lived")); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    forgetLog();
    row.call();
    settle();
    row.check();
  }
}

TEST_F(FacadeTest, PropertyQueryWithoutAQueueAnswersEmptyOnTheMainQueue) {
  startFacade();
  APMAnalytics::setUserPropertyString(std::optional<Value>(Value("blue")), "favourite_colour");
  settle();
  struct Answer {
    bool onMain = false;
    size_t size = 99;
  };
  std::vector<Answer> answers;
  APMAnalytics::userPropertiesIncludingInternal(false, nullptr, [&](const Value::Dictionary& properties) {
    answers.push_back({platform::DispatchQueue::main()->isCurrent(), properties.size()});
  });
  APMAnalytics::userPropertiesIncludingInternal(false, platform::DispatchQueue::main(),
                                                [&](const Value::Dictionary& properties) {
                                                  answers.push_back({true, properties.size()});
                                                });
  settle();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_TRUE(answers[0].onMain);
  EXPECT_EQ(answers[0].size, 0u);
  EXPECT_EQ(answers[1].size, 1u) << "with a queue the engine answers";
}

TEST_F(FacadeTest, ResetWhileAnalyticsStorageIsDeniedKeepsNoNewID) {
  startFacade();
  struct Case {
    const char* name;
    const char* storage;
    bool keepsID;
  } cases[] = {{"storage granted", APMConsentSettingsUtil::kGranted, true},
               {"storage denied", APMConsentSettingsUtil::kDenied, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    APMConsentSettingsUtil::setConsentSettings(
        APMConsentSettingsUtil::Settings{{APMConsentSettingsUtil::kAnalyticsStorage, Value(c.storage)}});
    APMAnalytics::setAppInstanceIDAfterReset(std::nullopt);
    APMAnalytics::setResetRetryCount(0);
    APMAnalytics::resetAnalyticsData();
    EXPECT_EQ(APMAnalytics::appInstanceIDAfterReset().has_value(), c.keepsID);
    EXPECT_EQ(APMAnalytics::resetRetryCount(), 1);
    EXPECT_EQ(APMAnalytics::appInstanceID().has_value(), c.keepsID);
    settle();
  }
}

TEST_F(FacadeTest, InterceptorTakesOverPublicEvents) {
  startFacade();
  std::vector<std::string> intercepted;
  APMAnalytics::setLogEventInterceptor(
      [&](const std::string& origin, const std::string& name, const APMEvent::Parameters&, double timestamp) {
        intercepted.push_back(origin + "/" + name + "@" + std::to_string(static_cast<int64_t>(timestamp)));
      });
  APMAnalytics::logEventWithName("taken_over", {});
  APMAnalytics::logInternalEventWithOrigin("auto", "_internal_kept", {});
  settle();
  EXPECT_EQ(intercepted,
            (std::vector<std::string>{"app/taken_over@" + std::to_string(static_cast<int64_t>(kStartNow))}));
  EXPECT_TRUE(namesStartingWith("taken_over").empty());
  EXPECT_EQ(namesStartingWith("_internal_kept").size(), 1u) << "internal events are not intercepted";
}

}  // namespace
}  // namespace measurement_test
