// Screens and sessions end to end on the manual clock: toolkit screens shown
// in a key window, the application's activity notifications, the screen-view
// reporter with its controller hooks, and the engine's session reporter,
// down to the stored raw events.
#include <gtest/gtest.h>

#include "Analytics/Engine/APMScreenViewReporter.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/MainBundleClasses.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/ViewControllerAppearanceHooks.h"
#include "Platform/UIKit/Window.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"

namespace measurement_test {
namespace {

class InboxScreen : public uikit::ViewController {};
class MessageScreen : public uikit::ViewController {};

class ScreenSessionTest : public MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    platform::RunLoop::main().removeAllPending();
    uikit::Application::resetShared();
    uikit::MainBundleClasses::add("InboxScreen");
    uikit::MainBundleClasses::add("MessageScreen");
    reporter_ = APMScreenViewReporter::create(true);
    APMScreenViewReporter::setSharedInstanceForTesting(reporter_);
    APMScreenViewReporter::registerViewControllerHooks();
    start();
    // Internal events go straight to the engine (the facade is not started here).
    std::weak_ptr<APMMeasurement> weak = engine_;
    APMEngineHooks::setInternalEventLogger(
        [weak](const std::string& origin, const std::string& name, const APMEvent::Parameters& parameters) {
          auto engine = weak.lock();
          if (!engine) return;
          std::optional<APMEvent> event =
              APMEvent::initWithOrigin(origin, false, name, platform::Clock::nowSeconds(), 0, parameters);
          if (!event) return;
          engine->scheduler()->scheduleOnWorkerQueueBlockID(
              "ScreenSessionTest:1", [weak, event = std::move(*event)]() mutable {
                if (auto engine = weak.lock()) engine->handleInternalEventOnWorkerQueue(std::move(event));
              });
        });
  }
  void TearDown() override {
    settle();
    window_.reset();
    uikit::Application::resetShared();
    platform::RunLoop::main().removeAllPending();
    uikit::ViewControllerAppearanceHooks::resetAll();
    uikit::MainBundleClasses::reset();
    APMScreenViewReporter::setSharedInstanceForTesting(nullptr);
    reporter_.reset();
    MeasurementFixture::TearDown();
    APMAnalytics::resetForTesting();
  }

  // The nth event of the name that carries a screen (the first open's own
  // engagement event carries none).
  const APMEvent* find(const std::vector<APMEvent>& events, const std::string& name, int nth = 0) {
    for (const APMEvent& event : events) {
      if (event.name() == name && event.parameter("_si") != nullptr && nth-- == 0) return &event;
    }
    return nullptr;
  }
  static int64_t integer(const APMEvent& event, const std::string& key) {
    const APMValue* value = event.parameter(key);
    return value != nullptr ? value->int64Value() : -1;
  }

  std::shared_ptr<APMScreenViewReporter> reporter_;
  std::shared_ptr<uikit::Window> window_;
};

TEST_F(ScreenSessionTest, ScreenChangesAndResignCarryTheEngagementOfTheScreenLeft) {
  auto inbox = std::make_shared<InboxScreen>();
  auto navigation = uikit::NavigationController::withRoot(inbox);
  window_ = std::make_shared<uikit::Window>();
  window_->setRootViewController(navigation);
  window_->makeKeyAndVisible();
  uikit::Application::shared().becomeActive();
  settle();
  EXPECT_EQ(count("raw_events", "name = '_vs'"), 1);
  EXPECT_TRUE(engine_->sessionReporter()->engagementTimerFireTimestamp()) << "armed on activation";

  clock_->advance(2.5);
  navigation->pushViewController(std::make_shared<MessageScreen>(), false);
  settle();
  clock_->advance(4);
  uikit::Application::shared().resignActive();
  settle();

  std::vector<APMEvent> events = rawEvents();
  const APMEvent* firstView = find(events, "_vs", 0);
  const APMEvent* secondView = find(events, "_vs", 1);
  const APMEvent* atPush = find(events, "_e", 0);
  const APMEvent* atResign = find(events, "_e", 1);
  ASSERT_TRUE(firstView && secondView && atPush && atResign);
  const int64_t inboxID = integer(*firstView, "_si");
  EXPECT_EQ(integer(*secondView, "_pi"), inboxID);
  EXPECT_EQ(integer(*secondView, "_si"), inboxID + 1);
  // The push reports the time on the inbox; resigning the time on the message.
  EXPECT_EQ(integer(*atPush, "_et"), 2500);
  EXPECT_EQ(integer(*atPush, "_si"), inboxID);
  EXPECT_EQ(integer(*atResign, "_et"), 4000);
  EXPECT_EQ(integer(*atResign, "_si"), inboxID + 1);
  // The engine reads the app state from the screen-view reporter.
  uikit::Application::shared().enterBackground();
  EXPECT_FALSE(APMEngineHooks::isAppActive());
}

TEST_F(ScreenSessionTest, EngagementTimerBelowOneSecondIsNotArmedButAtOneSecondItIs) {
  struct Case {
    const char* setting;
    int64_t timerEvents;
  };
  for (const Case& c : {Case{"999", 0}, Case{"1000", 3}}) {
    SCOPED_TRACE(c.setting);
    setSettings({{"measurement.session.event_user_engagement_interval", c.setting}});
    engine_->sessionReporter()->rescheduleUserEngagementTimer();
    uikit::Application::shared().becomeActive();
    settle();
    const int64_t before = count("raw_events", "name = '_e'");
    EXPECT_TRUE(clock_->runFor(3.5));
    EXPECT_EQ(count("raw_events", "name = '_e'") - before, c.timerEvents);
    EXPECT_EQ(engine_->sessionReporter()->engagementTimerFireTimestamp().has_value(), c.timerEvents > 0);
    uikit::Application::shared().resignActive();
    uikit::Application::shared().enterBackground();
    settle();
    uikit::Application::shared().enterForeground();
  }
  EXPECT_TRUE(logged(33009));
}

TEST_F(ScreenSessionTest, AnAppScreenViewIsStoredAtTheTimeItWasLogged) {
  APMAnalytics::setAnalyticsEnabled(true);
  window_ = std::make_shared<uikit::Window>();
  window_->setRootViewController(std::make_shared<InboxScreen>());
  window_->makeKeyAndVisible();
  uikit::Application::shared().becomeActive();
  settle();

  // Through the public entry: stamped when the app logged it.
  clock_->advance(5);
  const double first = platform::Clock::nowSeconds();
  APMAnalytics::logEventWithName("screen_view", {{"screen_name", Value("Checkout")}});
  settle();
  // Handed on well after the app logged it: the event keeps its own time.
  const double second = platform::Clock::nowSeconds();
  clock_->advance(30);
  reporter_->trackScreenWithParameters({{"screen_name", Value("Receipt")}}, second);
  settle();

  std::vector<double> times;
  std::vector<std::string> names;
  for (const APMEvent& event : rawEvents()) {
    if (event.name() != "_vs" || event.origin() != "app") continue;
    times.push_back(event.timestamp());
    const APMValue* name = event.parameter("_sn");
    names.push_back(name != nullptr ? name->stringValue().value_or("") : "");
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Checkout", "Receipt"}));
  EXPECT_EQ(times, (std::vector<double>{first, second}));
}

}  // namespace
}  // namespace measurement_test
