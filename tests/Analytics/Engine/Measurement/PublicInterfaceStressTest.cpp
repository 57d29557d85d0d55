// Public calls from eight threads at once while the application moves
// between foreground and background: nothing crashes, deadlocks or races,
// and every event of a public call is stored. Bounded in calls and in wall
// time; the ThreadSanitizer pass runs it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Analytics/Engine/Interface/APMLoadHooks.h"
#include "Analytics/Engine/Interface/QRVAnalytics.h"
#include "Analytics/Engine/Interface/QRVAnalyticsCalls.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/QuorvaneCore/QRVApp.h"
#include "Platform/QuorvaneMessaging/QRVConfigure.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/UIKit/Application.h"
#include "tests/Analytics/Engine/Measurement/MeasurementFixture.h"

namespace {

using platform::Value;

constexpr int kThreads = 8;
constexpr int kRounds = 40;
constexpr double kWallLimitSeconds = 120;

class PublicInterfaceStressTest : public measurement_test::MeasurementFixture {
 protected:
  void SetUp() override {
    MeasurementFixture::SetUp();
    APMAnalytics::resetForTesting();
    platform::QRVApp::setDefaultAppConfigured(false);
    uikit::Application::resetShared();
  }
  void TearDown() override {
    settle();
    platform::QRVApp::setDefaultAppConfigured(false);
    platform::QRVApp::registerAnalyticsStart(nullptr);
    QRVAnalyticsCalls::install(nullptr);
    for (const auto& name : APMLoadHooks::publicClassNames()) platform::ClassRegistry::shared().unregisterClass(name);
    uikit::Application::resetShared();
    MeasurementFixture::TearDown();
  }
};

// One thread's share: events, user properties, the user ID, consent,
// listeners, default parameters and reads, in a fixed mix.
void PublicCalls(int thread) {
  for (int round = 0; round < kRounds; ++round) {
    const std::string suffix = std::to_string(thread) + "_" + std::to_string(round);
    QRVAnalytics::logEventWithName("stress_event", {{"thread", Value(thread)},
                                                    {"round", Value(round)},
                                                    {"label", Value("t" + suffix)},
                                                    {"value", Value(round * 0.5)},
                                                    {"flag", Value(int64_t{1})}});
    QRVAnalytics::setUserPropertyString("v" + suffix, "stress_prop_" + std::to_string(thread));
    switch (round % 5) {
      case 0:
        QRVAnalytics::setUserID("user_" + suffix);
        break;
      case 1: {
        auto token = QRVAnalytics::addLogEventListener([](const APMEvent&) {});
        QRVAnalytics::removeLogEventListener(token);
        break;
      }
      case 2:
        QRVAnalytics::setDefaultEventParameters(Value::Dictionary{{"default_param", Value(thread)}});
        break;
      case 3:
        (void)QRVAnalytics::appInstanceID();
        QRVAnalytics::setSessionTimeoutInterval(1800 + round);
        break;
      default:
        QRVAnalytics::sharedInstance()->logInternalEventWithOrigin("pl", "stress_internal", {});
        break;
    }
  }
}

TEST_F(PublicInterfaceStressTest, EightThreadsCallWhileTheLifecycleChanges) {
  writeServicePlist(platform::Bundle::main().bundlePath(), {{"TRIVANDEL_APP_ID", Value(measurement_test::kAppID)}});
  APMLoadHooks::registerPublicClasses();
  platform::QRVConfigure();
  settle();
  ASSERT_TRUE(APMMeasurement::sharedInstance());

  // The application object is first asked for by the callers' threads at once.
  uikit::Application::resetShared();
  std::atomic<int> running{kThreads};
  std::vector<uikit::Application*> seen(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &running, &seen] {
      seen[t] = &uikit::Application::shared();
      PublicCalls(t);
      --running;
    });
  }
  auto& app = uikit::Application::shared();
  // The main thread turns the application around meanwhile and lets the
  // queues and the clock move.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kWallLimitSeconds);
  int turns = 0;
  while (running.load() > 0 && std::chrono::steady_clock::now() < deadline) {
    switch (turns++ % 4) {
      case 0:
        app.resignActive();
        break;
      case 1:
        app.enterBackground();
        break;
      case 2:
        app.enterForeground();
        break;
      default:
        app.becomeActive();
        break;
    }
    clock_->advance(0.25);
    platform::RunLoop::main().runUntilIdle();
  }
  for (auto& thread : threads) thread.join();
  ASSERT_EQ(running.load(), 0) << "the calls did not finish within " << kWallLimitSeconds << " s";
  for (auto* each : seen) EXPECT_EQ(each, &app) << "more than one application object";
  app.becomeActive();
  settle();

  EXPECT_EQ(count("raw_events", "name = 'stress_event'"), kThreads * kRounds);
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(count("user_attributes", "name = 'stress_prop_" + std::to_string(t) + "'"), 1) << t;
  }
}

}  // namespace
