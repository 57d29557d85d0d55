// Ad exposure pieces on the manual clock: what the reporter logs through the
// internal-event seam, and the verbose refusals it logs through the monitor
// (its level-5 refusals are silent: they only reach the monitor's record).
#include "Analytics/Engine/APMAdExposureReporter.h"

#include <gtest/gtest.h>

#include <mutex>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"

namespace {

using Parameters = APMAdExposureReporter::ScreenParameters;

struct Logged {
  std::string origin, name;
  Parameters parameters;
  int64_t millis() const { return parameters.at("_xt").int64Value(); }
};

class AdExposureReporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    APMEngineHooks::setInternalEventLogger(
        [this](const std::string& origin, const std::string& name, const APMEvent::Parameters& parameters) {
          std::lock_guard<std::mutex> lock(mu_);
          logged_.push_back({origin, name, parameters});
        });
    APMEngineHooks::setAppActiveProvider([this] { return active_.load(); });
    APMAdExposureReporter::setScreenParametersProvider([] { return Parameters{{"_si", APMValue(int64_t{7})}}; });
    APMMeasurementMonitor().setVerboseLoggingEnabled(true);
    reporter_ = APMAdExposureReporter::create();
  }
  void TearDown() override {
    reporter_.reset();
    ASSERT_TRUE(clock_->runUntilIdle());
    APMMeasurementMonitor().setVerboseLoggingEnabled(false);
    APMMeasurementMonitor().waitForPendingWork();
    APMAdExposureReporter::setScreenParametersProvider(nullptr);
    APMEngineHooks::reset();
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(nullptr);
  }
  std::vector<Logged> take() {
    std::lock_guard<std::mutex> lock(mu_);
    return std::exchange(logged_, {});
  }
  // Log lines of the monitor so far contain the code.
  bool logged(platform::LogCapture& capture, int code) {
    APMMeasurementMonitor().waitForPendingWork();
    char text[16];
    std::snprintf(text, sizeof text, "I-ACS%06d", code);
    return capture.contains(text);
  }
  void begin(const std::string& id) {
    reporter_->beginAdUnitExposure(id);
    ASSERT_TRUE(clock_->runUntilIdle());
  }

  std::shared_ptr<platform::ManualClock> clock_;
  std::shared_ptr<APMAdExposureReporter> reporter_;
  std::atomic<bool> active_{true};
  std::mutex mu_;
  std::vector<Logged> logged_;
};

TEST_F(AdExposureReporterTest, NestedBeginsEndOnTheLastEnd) {
  begin("banner");
  begin("banner");
  clock_->advance(2.5);
  reporter_->endAdUnitExposure("banner");
  EXPECT_TRUE(take().empty()) << "one begin is still open";
  reporter_->endAdUnitExposure("banner");
  std::vector<Logged> events = take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].origin, "pl");
  EXPECT_EQ(events[0].name, "_xu");
  EXPECT_EQ(events[0].parameters.at("_ai"), APMValue("banner"));
  EXPECT_EQ(events[0].millis(), 2500);
  EXPECT_EQ(events[0].parameters.at("_si"), APMValue(int64_t{7})) << "the current screen's parameters";
  EXPECT_EQ(events[1].name, "_xa");
  EXPECT_EQ(events[1].millis(), 2500);
  EXPECT_FALSE(events[1].parameters.count("_ai"));

  // Ended already, never begun, empty: refused without an event.
  reporter_->endAdUnitExposure("banner");
  reporter_->beginAdUnitExposure("");
  ASSERT_TRUE(clock_->runUntilIdle());
  clock_->advance(2);
  reporter_->endAdUnitExposure("");
  EXPECT_TRUE(take().empty());
}

TEST_F(AdExposureReporterTest, ExposuresUnderOneSecondAreNotLogged) {
  struct Case {
    double seconds;
    bool logged;
  };
  for (const Case c : {Case{0.999, false}, Case{1.0, true}, Case{1.0005, true}}) {
    SCOPED_TRACE(c.seconds);
    platform::LogCapture capture;
    begin("unit");
    clock_->advance(c.seconds);
    reporter_->endAdUnitExposure("unit");
    std::vector<Logged> events = take();
    ASSERT_EQ(events.size(), c.logged ? 2u : 0u);
    if (c.logged) {
      EXPECT_EQ(events[0].millis(), 1000);
    }
    EXPECT_EQ(logged(capture, 1009), !c.logged);
    EXPECT_EQ(logged(capture, 1006), !c.logged);
  }
}

TEST_F(AdExposureReporterTest, ScreenChangeClosesThePieceOnTheOldScreenAndRestartsIt) {
  begin("unit");
  clock_->advance(3);
  reporter_->handleScreenDidChangeFromScreen(std::nullopt);  // first screen: nothing to close
  EXPECT_TRUE(take().empty());
  reporter_->handleScreenDidChangeFromScreen(Parameters{{"_si", APMValue(int64_t{3})}});
  std::vector<Logged> events = take();
  ASSERT_EQ(events.size(), 2u);
  for (const Logged& e : events) {
    EXPECT_EQ(e.millis(), 3000) << e.name;
    EXPECT_EQ(e.parameters.at("_si"), APMValue(int64_t{3})) << "the old screen's parameters";
  }
  clock_->advance(2);
  reporter_->endAdUnitExposure("unit");
  events = take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].millis(), 2000) << "restarted at the change";
  EXPECT_EQ(events[1].millis(), 2000);

  // The engagement timer cuts pieces the same way, on the current screen.
  begin("unit");
  clock_->advance(4);
  platform::NotificationCenter::defaultCenter().post(kAPMSessionReporterEngagementTimerDidFire);
  events = take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].millis(), 4000);
  EXPECT_EQ(events[0].parameters.at("_si"), APMValue(int64_t{7}));
  reporter_->endAdUnitExposure("unit");
}

TEST_F(AdExposureReporterTest, DisabledReportingStillKeepsCountsAndStarts) {
  begin("unit");
  begin("unit");
  reporter_->setReportingEnabled(false);
  clock_->advance(2);
  reporter_->handleEngagementTimer();
  reporter_->endAdUnitExposure("unit");
  EXPECT_TRUE(take().empty());
  reporter_->setReportingEnabled(true);
  clock_->advance(1.5);
  reporter_->endAdUnitExposure("unit");
  std::vector<Logged> events = take();
  ASSERT_EQ(events.size(), 2u) << "the second begin's count was lost";
  EXPECT_EQ(events[0].millis(), 1500) << "the timer moved the start while disabled";
}

TEST_F(AdExposureReporterTest, BackgroundTimeNeverCounts) {
  begin("unit");
  clock_->advance(2);
  reporter_->handleAppWillResignActiveWithScreen(Parameters{{"_si", APMValue(int64_t{9})}});
  std::vector<Logged> events = take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].parameters.at("_si"), APMValue(int64_t{9}));
  active_ = false;
  clock_->advance(100);
  platform::LogCapture capture;
  reporter_->handleEngagementTimer();
  EXPECT_TRUE(take().empty());
  EXPECT_TRUE(logged(capture, 1011));
  EXPECT_TRUE(logged(capture, 1010));
  active_ = true;
  clock_->advance(50);
  reporter_->handleAppDidBecomeActive();
  clock_->advance(2);
  reporter_->endAdUnitExposure("unit");
  events = take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].millis(), 2000);
  EXPECT_EQ(events[1].millis(), 2000);
}

TEST_F(AdExposureReporterTest, AHundredUnitsAtMost) {
  for (int i = 0; i < 100; ++i) reporter_->beginAdUnitExposure("u" + std::to_string(i));
  begin("extra");
  clock_->advance(1);
  reporter_->endAdUnitExposure("extra");
  EXPECT_TRUE(take().empty()) << "the 101st unit was counted";
  reporter_->endAdUnitExposure("u0");
  std::vector<Logged> events = take();
  ASSERT_EQ(events.size(), 1u) << "other units are still shown: no overall event";
  EXPECT_EQ(events[0].parameters.at("_ai"), APMValue("u0"));
  begin("extra");  // room again
  clock_->advance(1);
  reporter_->endAdUnitExposure("extra");
  events = take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].parameters.at("_ai"), APMValue("extra"));
}

}  // namespace
