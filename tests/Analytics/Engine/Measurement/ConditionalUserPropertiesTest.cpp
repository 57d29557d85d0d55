// Conditional user properties through the shared controller and the engine's
// intake, on the manual clock; and the switch-off of the legacy measurement
// class at start.
#include <any>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "Analytics/Engine/APMBackwardCompatibilityUtil.h"
#include "Analytics/Engine/APMConditionalUserPropertyController.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"

namespace measurement_test {
namespace {

using Controller = APMConditionalUserPropertyController;

class ConditionalUserPropertiesTest : public MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    start();
    // What the start itself wrote is not under test here.
    sql("DELETE FROM raw_events");
    forgetLog();
  }

  static Controller& controller() { return *Controller::sharedInstance(); }
  void disable() {
    engine_->setEnabled(false);
    settle();
    forgetLog();
  }

  struct Spec {
    std::string origin = "ixo";
    std::optional<std::string> value = "v1";
    std::string trigger;  // empty: in force at once
    double triggerTimeout = 60;
    double timeToLive = 3600;
    std::optional<std::string> triggeredEvent;
    std::optional<std::string> timedOutEvent;
    std::optional<std::string> expiredEvent;
    bool active = false;
    Spec& withOrigin(std::string v) {
      origin = std::move(v);
      return *this;
    }
    Spec& withValue(std::optional<std::string> v) {
      value = std::move(v);
      return *this;
    }
    Spec& withTrigger(std::string v) {
      trigger = std::move(v);
      return *this;
    }
    Spec& withTriggerTimeout(double v) {
      triggerTimeout = std::move(v);
      return *this;
    }
    Spec& withTimeToLive(double v) {
      timeToLive = std::move(v);
      return *this;
    }
    Spec& withTriggeredEvent(std::optional<std::string> v) {
      triggeredEvent = std::move(v);
      return *this;
    }
    Spec& withTimedOutEvent(std::optional<std::string> v) {
      timedOutEvent = std::move(v);
      return *this;
    }
    Spec& withExpiredEvent(std::optional<std::string> v) {
      expiredEvent = std::move(v);
      return *this;
    }
    Spec& withActive(bool v) {
      active = std::move(v);
      return *this;
    }
  };
  static APMConditionalUserProperty record(const Spec& spec) {
    APMConditionalUserProperty property;
    property.setOrigin(spec.origin);
    if (spec.value) property.setValue(APMValue(*spec.value));
    property.setTriggerEventName(spec.trigger);
    property.setTriggerTimeout(spec.triggerTimeout);
    property.setTimeToLive(spec.timeToLive);
    // The stored events carry another origin: the record's origin must win.
    if (spec.triggeredEvent) property.setTriggeredEvent(makeEvent(*spec.triggeredEvent, {{"k", Value("x")}}, "zz"));
    if (spec.timedOutEvent) property.setTimedOutEvent(makeEvent(*spec.timedOutEvent, {}, "zz"));
    if (spec.expiredEvent) property.setExpiredEvent(makeEvent(*spec.expiredEvent, {}, "zz"));
    property.setActive(spec.active);
    return property;
  }
  void set(const std::string& name, const Spec& spec) {
    controller().setConditionalUserProperty(record(spec), name);
    settle();
  }

  // name -> "origin|value|active|trigger|timeout|ttl|created|triggered"
  std::string stored(const std::string& name) {
    Rows rows = sql(
        "SELECT origin, value, active, trigger_event_name, trigger_timeout, time_to_live, creation_timestamp, "
        "triggered_timestamp FROM conditional_properties WHERE name = '" + name + "'");
    if (rows.empty()) return "";
    std::string out;
    for (const std::string& column : rows[0]) out += (out.empty() ? "" : "|") + column;
    return out;
  }
  // "origin|value|set time" of a user property; "" when absent.
  std::string userProperty(const std::string& name) {
    Rows rows = sql("SELECT origin, value, set_timestamp FROM user_attributes WHERE name = '" + name + "'");
    return rows.empty() ? "" : rows[0][0] + "|" + rows[0][1] + "|" + rows[0][2];
  }
  // "name@origin@time" of the stored raw events, in order.
  std::vector<std::string> events() {
    std::vector<std::string> out;
    for (const APMEvent& event : rawEvents()) {
      char time[32];
      std::snprintf(time, sizeof time, "%.0f", event.timestamp());
      out.push_back(event.name() + "@" + event.origin() + "@" + time);
    }
    return out;
  }
  static std::string at(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", seconds);
    return text;
  }
  static std::set<std::string> names(const std::optional<std::vector<APMConditionalUserProperty>>& properties) {
    std::set<std::string> out;
    if (properties) {
      for (const auto& property : *properties) out.insert(property.name());
    }
    return out;
  }
};

TEST_F(ConditionalUserPropertiesTest, WithoutTriggerItIsInForceAtOnceWithItsCreationTime) {
  set("promo", Spec().withTriggeredEvent("promo_on"));
  const std::string now = at(kStartNow);
  EXPECT_EQ(userProperty("promo"), "ixo|v1|" + now + ".0");
  EXPECT_EQ(events(), std::vector<std::string>{"promo_on@ixo@" + now});
  EXPECT_EQ(stored("promo"), "ixo|v1|1|NULL|60.0|3600.0|" + now + ".0|" + now + ".0");
}

TEST_F(ConditionalUserPropertiesTest, SettingAgainWhileInForceKeepsHowItCameIntoForce) {
  set("promo", Spec().withTriggeredEvent("promo_on"));
  const std::string first = at(kStartNow);
  sql("DELETE FROM raw_events");
  clock_->advance(10);

  // A waiting record with everything different: only value and time to live take.
  set("promo", Spec().withOrigin("newo").withValue("v2").withTrigger("buy").withTriggerTimeout(100).withTimeToLive(7200)
                    .withTriggeredEvent("again"));
  EXPECT_EQ(stored("promo"), "ixo|v2|1|NULL|60.0|7200.0|" + first + ".0|" + first + ".0");
  EXPECT_EQ(userProperty("promo"), "ixo|v1|" + first + ".0");
  EXPECT_TRUE(events().empty());

  // An incoming record already marked active rewrites the property at once.
  set("promo", Spec().withValue("v3").withActive(true));
  EXPECT_EQ(userProperty("promo").substr(0, 7), "ixo|v3|");
  EXPECT_EQ(stored("promo"), "ixo|v3|1|NULL|60.0|3600.0|" + first + ".0|" + first + ".0");
  EXPECT_TRUE(events().empty());
}

TEST_F(ConditionalUserPropertiesTest, TriggerTimeoutAndTimeToLiveMustLieWithinBounds) {
  const struct {
    const char* name;
    double timeout, ttl;
    const char* refusal;  // nullptr: accepted
  } cases[] = {
      {"t_zero", 0, 60, "Invalid conditional user property trigger timeout"},
      {"t_least", 0.001, 60, nullptr},
      {"t_most", 15552000, 15552000, nullptr},
      {"t_over", 15552001, 60, "Invalid conditional user property trigger timeout"},
      {"l_zero", 60, 0, "Invalid conditional user property time to live"},
      {"l_over", 60, 15552001, "Invalid conditional user property time to live"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    forgetLog();
    set(c.name, Spec().withTrigger("buy").withTriggerTimeout(c.timeout).withTimeToLive(c.ttl));
    EXPECT_EQ(count("conditional_properties", std::string("name = '") + c.name + "'"), c.refusal ? 0 : 1);
    if (c.refusal) {
      EXPECT_TRUE(monitored(c.refusal));
    }
  }
}

TEST_F(ConditionalUserPropertiesTest, InvalidNamesOriginsAndValuesAreDropped) {
  const struct {
    const char* what;
    std::string name;
    Spec spec;
  } cases[] = {
      {"name too long", std::string(25, 'n'), Spec()},
      {"empty origin", "p1", Spec().withOrigin("")},
      {"empty value", "p2", Spec().withValue("")},
      {"value too long", "p3", Spec().withValue(std::string(37, 'v'))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    set(c.name, c.spec);
  }
  controller().setConditionalUserProperty(std::nullopt, "p4");
  settle();
  EXPECT_EQ(count("conditional_properties"), 0);
  EXPECT_EQ(count("user_attributes", "name LIKE 'p%' OR name LIKE 'nn%'"), 0);
}

TEST_F(ConditionalUserPropertiesTest, SettingWithoutValueRemovesTheStoredRecordAndItsProperty) {
  set("active", Spec());
  set("waiting", Spec().withTrigger("buy"));
  ASSERT_NE(userProperty("active"), "");
  for (const char* name : {"active", "waiting"}) set(name, Spec().withValue(std::nullopt));
  EXPECT_EQ(count("conditional_properties"), 0);
  EXPECT_EQ(userProperty("active"), "");
}

TEST_F(ConditionalUserPropertiesTest, ClearingLogsTheClearEventWithTheStoredOriginOnlyWhenSomethingWasStored) {
  controller().clearConditionalUserPropertyWithClearEvent(makeEvent("cleared", {}, "zz"), "nothing");
  settle();
  EXPECT_TRUE(logged(11018));
  EXPECT_TRUE(events().empty());

  set("promo", Spec());
  clock_->advance(5);
  controller().clearConditionalUserPropertyWithClearEvent(makeEvent("cleared", {}, "zz"), "promo");
  settle();
  EXPECT_EQ(stored("promo"), "");
  EXPECT_EQ(userProperty("promo"), "");
  EXPECT_EQ(events(), std::vector<std::string>{"cleared@ixo@" + at(kStartNow + 5)});

  // An invalid name does nothing at all.
  set("kept", Spec());
  controller().clearConditionalUserPropertyWithClearEvent(std::nullopt, std::string(25, 'k'));
  settle();
  EXPECT_NE(stored("kept"), "");
}

TEST_F(ConditionalUserPropertiesTest, AnEventTriggersEveryRecordWaitingForItsName) {
  set("a", Spec().withValue("va").withTrigger("buy").withTriggeredEvent("a_on"));
  set("b", Spec().withValue("vb").withTrigger("buy").withTriggeredEvent("b_on"));
  set("c", Spec().withValue("vc").withTrigger("other"));
  clock_->advance(20);
  const std::string now = at(kStartNow + 20);

  std::optional<std::vector<APMEvent>> triggered;
  onWorker([&] {
    triggered = controller().processEventOnWorkerQueue(*engine_, *makeEvent("buy"));
  });
  ASSERT_TRUE(triggered);
  std::set<std::string> triggeredNames;
  for (const APMEvent& event : *triggered) {
    triggeredNames.insert(event.name());
    EXPECT_EQ(event.origin(), "ixo");
    EXPECT_EQ(event.timestamp(), kStartNow + 20);
  }
  EXPECT_EQ(triggeredNames, (std::set<std::string>{"a_on", "b_on"}));
  EXPECT_EQ(userProperty("a"), "ixo|va|" + now + ".0");
  EXPECT_EQ(userProperty("b"), "ixo|vb|" + now + ".0");
  EXPECT_EQ(userProperty("c"), "");
  EXPECT_EQ(stored("a").substr(0, 9), "ixo|va|1|");

  // Through intake the triggered events are written after the event itself.
  set("d", Spec().withValue("vd").withTrigger("pay").withTriggeredEvent("d_on"));
  sql("DELETE FROM raw_events");
  logEvent("pay");
  EXPECT_EQ(rawEventNames(), (std::vector<std::string>{"pay", "d_on"}));
  EXPECT_EQ(userProperty("d").substr(0, 7), "ixo|vd|");
}

TEST_F(ConditionalUserPropertiesTest, WaitingRecordsTimeOutAndActiveOnesExpireWithTheirEvents) {
  set("w", Spec().withTrigger("buy").withTriggerTimeout(60).withTimedOutEvent("w_timeout"));
  set("a", Spec().withTimeToLive(120).withExpiredEvent("a_expired"));
  ASSERT_NE(userProperty("a"), "");

  clock_->advance(61);
  sql("DELETE FROM raw_events");
  logEvent("buy");  // too late to trigger "w"
  EXPECT_EQ(events(), (std::vector<std::string>{"w_timeout@ixo@" + at(kStartNow + 61),
                                                "buy@app@" + at(kStartNow + 61)}));
  EXPECT_EQ(stored("w"), "");
  EXPECT_EQ(userProperty("w"), "");
  EXPECT_NE(stored("a"), "");

  clock_->advance(60);
  sql("DELETE FROM raw_events");
  logEvent("ping");
  EXPECT_EQ(events(), (std::vector<std::string>{"a_expired@ixo@" + at(kStartNow + 121),
                                                "ping@app@" + at(kStartNow + 121)}));
  EXPECT_EQ(stored("a"), "");
  EXPECT_EQ(userProperty("a"), "");
}

TEST_F(ConditionalUserPropertiesTest, QueryFiltersByNamePrefixAndWholeOrigin) {
  set("promo_a", Spec().withOrigin("ixo"));
  set("promo_b", Spec().withOrigin("ixp"));
  set("other", Spec().withOrigin("ixo"));
  const struct {
    const char* prefix;
    const char* origin;
    std::set<std::string> expected;
  } cases[] = {
      {"", "", {"promo_a", "promo_b", "other"}},
      {"promo", "", {"promo_a", "promo_b"}},
      {"", "ixo", {"promo_a", "other"}},
      {"promo", "ixo", {"promo_a"}},
      {"promo_", "ix", {}},
      {"%", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.prefix) + "/" + c.origin);
    auto answer = controller().conditionalUserPropertiesWithNamePrefix(c.prefix, c.origin);
    ASSERT_TRUE(answer);
    EXPECT_EQ(names(answer), c.expected);
  }

  disable();
  EXPECT_FALSE(controller().conditionalUserPropertiesWithNamePrefix("", ""));
  EXPECT_TRUE(logged(11005));
}

TEST_F(ConditionalUserPropertiesTest, QueryGivesUpAfterItsWaitAndALateAnswerIsDropped) {
  set("promo", Spec());
  // Hold the worker queue so the query cannot be answered in time.
  std::atomic<bool> release{false};
  engine_->scheduler()->scheduleOnWorkerQueueBlockID("ConditionalUserPropertiesTest:1", [&] {
    while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  std::atomic<bool> answered{false};
  std::optional<std::vector<APMConditionalUserProperty>> answer{std::vector<APMConditionalUserProperty>{}};
  std::thread asker([&] {
    answer = controller().conditionalUserPropertiesWithNamePrefix("", "");
    answered = true;
  });
  // The asker's deadline is 30 s after it starts waiting, whenever that is.
  while (!answered.load()) {
    clock_->advance(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  asker.join();
  EXPECT_FALSE(answer);

  // The late block runs after the caller left; the next query is answered.
  release = true;
  settle();
  auto again = controller().conditionalUserPropertiesWithNamePrefix("", "");
  EXPECT_EQ(names(again), std::set<std::string>{"promo"});
}

// ---- Legacy measurement switch-off ----

class LegacyMeasurementStub : public APMBackwardCompatibilityUtil::LegacyMeasurement {
 public:
  void setIsEnabled(bool enabled) override {
    std::lock_guard<std::mutex> lock(mu_);
    calls_.push_back(enabled);
  }
  std::vector<bool> calls() const {
    std::lock_guard<std::mutex> lock(mu_);
    return calls_;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mu_);
    calls_.clear();
  }

 private:
  mutable std::mutex mu_;
  std::vector<bool> calls_;
};

class LegacyMeasurementTest : public MeasurementFixture {
 protected:
  void TearDown() override {
    platform::ClassRegistry::shared().unregisterClass(APMBackwardCompatibilityUtil::kLegacyMeasurementClassName);
    MeasurementFixture::TearDown();
  }
  static void registerLegacy(platform::ClassRegistry::Factory factory) {
    platform::ClassRegistry::shared().registerClass(APMBackwardCompatibilityUtil::kLegacyMeasurementClassName,
                                                    std::move(factory));
  }
};

TEST_F(LegacyMeasurementTest, OnlyALegacyClassWithASharedInstanceIsSwitchedOff) {
  using Util = APMBackwardCompatibilityUtil;
  auto instance = std::make_shared<LegacyMeasurementStub>();
  const struct {
    const char* what;
    bool registered;
    platform::ClassRegistry::Factory factory;
    bool disabled;
  } cases[] = {
      {"not linked", false, {}, false},
      {"name only", true, {}, false},
      {"does not answer the messages", true, [] { return std::any(std::string("other")); }, false},
      {"no shared instance", true, [] { return std::any(Util::LegacyMeasurementClass{[] { return nullptr; }}); },
       false},
      {"shared instance", true,
       [instance] {
         return std::any(Util::LegacyMeasurementClass{
             [instance]() -> std::shared_ptr<Util::LegacyMeasurement> { return instance; }});
       },
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::ClassRegistry::shared().unregisterClass(Util::kLegacyMeasurementClassName);
    if (c.registered) registerLegacy(c.factory);
    instance->clear();
    EXPECT_EQ(Util::disableVXRMeasurement(), c.disabled);
    EXPECT_EQ(instance->calls(), c.disabled ? std::vector<bool>{false} : std::vector<bool>{});
  }
}

TEST_F(LegacyMeasurementTest, TheStartSwitchesItOffAndSaysSo) {
  auto instance = std::make_shared<LegacyMeasurementStub>();
  registerLegacy([instance] {
    return std::any(APMBackwardCompatibilityUtil::LegacyMeasurementClass{
        [instance]() -> std::shared_ptr<APMBackwardCompatibilityUtil::LegacyMeasurement> { return instance; }});
  });
  start();
  EXPECT_EQ(instance->calls(), std::vector<bool>{false});
  EXPECT_TRUE(logged(23210));
}

}  // namespace
}  // namespace measurement_test
