// Sessions and engagement on the manual clock: what the session reporter
// logs through the internal-event seam, with the app's activity and the
// remote settings set by the test.
#include "Analytics/Engine/APMSessionReporter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMScreen.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace {

constexpr const char* kEngagementInterval = "measurement.session.event_user_engagement_interval";
constexpr const char* kBackgroundEvent = "measurement.lifecycle.app_backgrounded_tracking";
constexpr const char* kRedundantRemoval = "measurement.collection.redundant_engagement_removal_enabled";
constexpr const char* kEfficient = "measurement.collection.efficient_engagement_reporting_enabled";

struct InternalEvent {
  std::string name;
  APMEvent::Parameters parameters;
  bool has(const std::string& key) const { return parameters.count(key) != 0; }
  int64_t integer(const std::string& key) const { return parameters.at(key).int64Value(); }
};

class SessionReporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    APMEngineHooks::setInternalEventLogger(
        [this](const std::string&, const std::string& name, const APMEvent::Parameters& parameters) {
          std::lock_guard<std::mutex> lock(mu_);
          events_.push_back({name, parameters});
        });
    APMEngineHooks::setAppActiveProvider([this] { return active_.load(); });
    APMMeasurementMonitor().setVerboseLoggingEnabled(true);
    persisted_ = APMPersistedConfig::initWithSuiteName("session-reporter-test");
  }
  void TearDown() override {
    reporter_.reset();
    ASSERT_TRUE(clock_->runUntilIdle());
    APMMeasurementMonitor().setVerboseLoggingEnabled(false);
    APMMeasurementMonitor().waitForPendingWork();
    APMEngineHooks::reset();
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(nullptr);
  }

  void makeReporter(const std::map<std::string, std::string>& settings = {}) {
    APMRemoteConfig::defaultInstance()->setConfiguredSettings(settings);
    reporter_ = std::make_shared<APMSessionReporter>(persisted_);
    reporter_->setReportingEnabled(true);
  }
  void becomeActive() {
    active_ = true;
    reporter_->handleAppDidBecomeActive();
  }
  void resignActive(const APMScreen* screen = nullptr) {
    reporter_->handleAppWillResignActiveWithScreen(screen);
    active_ = false;
  }
  std::vector<InternalEvent> take() {
    EXPECT_TRUE(clock_->runUntilIdle());
    std::lock_guard<std::mutex> lock(mu_);
    return std::exchange(events_, {});
  }
  std::vector<std::string> names(const std::vector<InternalEvent>& events) {
    std::vector<std::string> result;
    for (const InternalEvent& event : events) result.push_back(event.name);
    return result;
  }
  int timesLogged(int code) {
    APMMeasurementMonitor().waitForPendingWork();
    char tag[16];
    std::snprintf(tag, sizeof tag, "I-ACS%06d", code);
    int count = 0;
    for (const std::string& line : capture_.lines()) count += line.find(tag) != std::string::npos ? 1 : 0;
    return count;
  }

  platform::TemporaryDataRoot root_;
  platform::LogCapture capture_;
  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<APMPersistedConfig> persisted_;
  std::shared_ptr<APMSessionReporter> reporter_;
  std::atomic<bool> active_{false};
  std::mutex mu_;
  std::vector<InternalEvent> events_;
};

using Strings = std::vector<std::string>;

TEST_F(SessionReporterTest, EngagementTimerFiresOnTheIntervalWhileActive) {
  makeReporter();
  becomeActive();
  ASSERT_EQ(names(take()), Strings{"_s"});
  // Ninety minutes without a screen change: one "_e" at the hour, capped there.
  ASSERT_TRUE(clock_->runFor(90 * 60));
  std::vector<InternalEvent> events = take();
  ASSERT_EQ(names(events), Strings{"_e"});
  EXPECT_EQ(events[0].integer("_et"), 3600000);
  // The timer re-armed after the event; resigning active cancels it.
  ASSERT_TRUE(reporter_->engagementTimerFireTimestamp());
  EXPECT_DOUBLE_EQ(*reporter_->engagementTimerFireTimestamp(), platform::Clock::nowSeconds() + 30 * 60);
  resignActive();
  EXPECT_EQ(take()[0].integer("_et"), 30 * 60 * 1000);
  EXPECT_FALSE(reporter_->engagementTimerFireTimestamp());
  ASSERT_TRUE(clock_->runFor(7200));
  EXPECT_TRUE(take().empty());
}

TEST_F(SessionReporterTest, EngagementIntervalBelowOneSecondArmsNoTimer) {
  // The setting is sent in milliseconds.
  struct Case {
    const char* setting;
    bool armed;
  };
  for (const Case& c : {Case{"999", false}, Case{"1", false}, Case{"0", false}, Case{"1000", true}}) {
    SCOPED_TRACE(c.setting);
    capture_.clear();
    makeReporter({{kEngagementInterval, c.setting}});
    becomeActive();
    take();
    EXPECT_EQ(reporter_->engagementTimerFireTimestamp().has_value(), c.armed);
    ASSERT_TRUE(clock_->runFor(3.5));
    std::vector<InternalEvent> events = take();
    if (c.armed) {
      ASSERT_EQ(names(events), (Strings{"_e", "_e", "_e"}));
      for (const InternalEvent& event : events) EXPECT_EQ(event.integer("_et"), 1000);
      EXPECT_EQ(timesLogged(33009), 0);
    } else {
      EXPECT_TRUE(events.empty());
      // Engagement still reaches the resign, and the notice is logged once per reporter.
      resignActive();
      events = take();
      ASSERT_EQ(names(events), Strings{"_e"});
      EXPECT_EQ(events[0].integer("_et"), 3500);
      becomeActive();
      resignActive();
      EXPECT_EQ(timesLogged(33009), 1);
    }
    resignActive();
    take();
    persisted_->setLastSessionActivityClockTime(0);
  }
}

TEST_F(SessionReporterTest, SessionExpiryEdges) {
  makeReporter();
  reporter_->setTimeoutSessionInterval(1800);
  const double now = platform::Clock::nowSeconds();
  struct Case {
    const char* what;
    double lastActivity;
    bool expired;
  };
  for (const Case& c : {Case{"exactly the timeout ago", now - 1800, false},
                        Case{"just past the timeout", now - 1800.001, true},
                        Case{"the clock went back past the timeout", now + 1801, true},
                        Case{"the clock went back a little", now + 60, false},
                        Case{"never active", 0, true}}) {
    SCOPED_TRACE(c.what);
    persisted_->setLastSessionActivityClockTime(c.lastActivity);
    EXPECT_EQ(reporter_->isSessionExpired(), c.expired);
    // Extending keeps a live session only; an expired one stays as it was.
    EXPECT_EQ(reporter_->extendSession(), !c.expired);
    EXPECT_EQ(persisted_->lastSessionActivityClockTime(), c.expired ? c.lastActivity : now);
  }
}

TEST_F(SessionReporterTest, NegativeTimeoutIsZeroAndEveryActivationStartsASession) {
  makeReporter();
  reporter_->setTimeoutSessionInterval(-5);
  EXPECT_EQ(reporter_->timeoutSessionInterval(), 0);
  EXPECT_EQ(timesLogged(33001), 1);
  for (int64_t session = 1; session <= 3; ++session) {
    becomeActive();
    std::vector<InternalEvent> events = take();
    ASSERT_EQ(names(events), Strings{"_s"});
    EXPECT_EQ(events[0].integer("_sno"), session);
    EXPECT_EQ(events[0].integer("_sid"), static_cast<int64_t>(platform::Clock::nowSeconds()));
    resignActive();
    take();
    ASSERT_TRUE(clock_->runFor(1));
  }
  EXPECT_EQ(persisted_->sessionNumber(), 3);
}

TEST_F(SessionReporterTest, NoSessionStartWhileInactiveOrReportingOff) {
  makeReporter();
  reporter_->logSessionStartEvent();
  EXPECT_EQ(timesLogged(33005), 1);
  reporter_->setReportingEnabled(false);
  becomeActive();
  EXPECT_TRUE(take().empty());
  EXPECT_EQ(persisted_->sessionNumber(), 0);
  // The timer keeps its beat, but a firing logs nothing.
  EXPECT_TRUE(reporter_->engagementTimerFireTimestamp());
  ASSERT_TRUE(clock_->runFor(2 * 3600 + 1));
  EXPECT_TRUE(take().empty());
  EXPECT_TRUE(reporter_->engagementTimerFireTimestamp());
}

TEST_F(SessionReporterTest, ScreenChangeReportsEngagementOfTheScreenLeft) {
  makeReporter();
  becomeActive();
  take();
  APMScreen home(std::nullopt, std::string("HomeScreen"), 41);
  APMScreen detail(std::string("Detail"), std::string("DetailScreen"), 42);
  // Under a second: nothing, and the span goes on.
  ASSERT_TRUE(clock_->runFor(0.75));
  reporter_->handleScreenDidChangeFromScreen(&home, &detail);
  EXPECT_TRUE(take().empty());
  ASSERT_TRUE(clock_->runFor(0.5));
  reporter_->handleScreenDidChangeFromScreen(&home, &detail);
  std::vector<InternalEvent> events = take();
  ASSERT_EQ(names(events), Strings{"_e"});
  EXPECT_EQ(events[0].integer("_et"), 1250);
  EXPECT_EQ(events[0].integer("_si"), 41);
  EXPECT_EQ(events[0].parameters.at("_sc").stringValue(), "HomeScreen");
  // No screen left (the first screen): nothing.
  ASSERT_TRUE(clock_->runFor(2));
  reporter_->handleScreenDidChangeFromScreen(nullptr, &detail);
  EXPECT_TRUE(take().empty());
  // Resigning reports the screen being looked at.
  resignActive(&detail);
  events = take();
  ASSERT_EQ(names(events), Strings{"_e"});
  EXPECT_EQ(events[0].integer("_et"), 2000);
  EXPECT_EQ(events[0].integer("_si"), 42);
  EXPECT_EQ(events[0].parameters.at("_sn").stringValue(), "Detail");
}

TEST_F(SessionReporterTest, ResignActiveWithTheBackgroundEventSettings) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> settings;
    Strings names;
    bool engagementFlaggedRedundant;
    std::optional<int64_t> backgroundMillis;
  };
  const std::vector<Case> cases = {
      {"no background event", {}, {"_e"}, false, std::nullopt},
      {"background event, redundant removal, efficient",
       {{kBackgroundEvent, "1"}, {kRedundantRemoval, "1"}, {kEfficient, "1"}}, {"_ab"}, false, 4000},
      {"background event, redundant removal, not efficient",
       {{kBackgroundEvent, "1"}, {kRedundantRemoval, "1"}}, {"_ab"}, false, std::nullopt},
      {"background event, efficient, no removal",
       {{kBackgroundEvent, "1"}, {kEfficient, "1"}}, {"_e", "_ab"}, true, 4000},
      {"background event only", {{kBackgroundEvent, "1"}}, {"_e", "_ab"}, false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    makeReporter(c.settings);
    persisted_->setLastSessionActivityClockTime(platform::Clock::nowSeconds());
    becomeActive();
    ASSERT_TRUE(clock_->runFor(4));
    resignActive();
    std::vector<InternalEvent> events = take();
    ASSERT_EQ(names(events), c.names);
    if (events[0].name == "_e") {
      EXPECT_EQ(events[0].integer("_et"), 4000);
      EXPECT_EQ(events[0].has("_fr"), c.engagementFlaggedRedundant);
    }
    const InternalEvent& last = events.back();
    if (last.name == "_ab") {
      EXPECT_EQ(last.has("_et"), c.backgroundMillis.has_value());
      if (c.backgroundMillis) {
        EXPECT_EQ(last.integer("_et"), *c.backgroundMillis);
      }
    }
  }
}

TEST_F(SessionReporterTest, SessionPropertiesCarryTheSessionClock) {
  makeReporter();
  persisted_->setSessionNumber(6);
  std::optional<APMUserAttribute> sid = reporter_->sessionIDPropertyWithTimestamp(1700000123.9);
  ASSERT_TRUE(sid);
  EXPECT_EQ(sid->name(), "_sid");
  EXPECT_EQ(sid->origin(), "auto");
  EXPECT_EQ(sid->value().int64Value(), 1700000123);
  EXPECT_DOUBLE_EQ(sid->lastSetTimestamp(), 1700000123.9);
  std::optional<APMUserAttribute> sno = reporter_->sessionNumberProperty();
  ASSERT_TRUE(sno);
  EXPECT_EQ(sno->value().int64Value(), 6);
  EXPECT_DOUBLE_EQ(sno->lastSetTimestamp(), platform::Clock::nowSeconds());
}

}  // namespace
