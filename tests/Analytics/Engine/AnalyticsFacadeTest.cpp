// The facade's queues, start checks and listener bookkeeping without an
// engine, on the manual clock and a temporary data root.
#include "Analytics/Engine/Interface/APMAnalytics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/Interface/APMAppDelegateInterceptor.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/TrivandelUtilities/TVUAppDelegateSwizzler.h"
#include "tests/Analytics/Engine/MonitorLines.h"

namespace {

class AnalyticsFacadeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = std::make_shared<platform::ManualClock>();
    platform::Clock::setCurrent(clock_);
    APMMeasurement::resetSharedInstanceForTesting();
    APMAnalytics::resetForTesting();
    APMEngineHooks::reset();
    APMConsentSettingsUtil::resetForTesting();
    APMMeasurementMonitor().clearMonitoringData();
    platform::ClassRegistry::shared().registerClass(APMAnalytics::kPublicAnalyticsClass);
  }
  void TearDown() override {
    EXPECT_TRUE(clock_->runUntilIdle());
    APMAnalytics::resetForTesting();
    platform::TVUAppDelegateSwizzler::unregisterAppDelegateInterceptor(APMAppDelegateInterceptor::sharedInstance());
    platform::TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(true);
    APMMeasurement::resetSharedInstanceForTesting();
    platform::ClassRegistry::shared().unregisterClass(APMAnalytics::kPublicAnalyticsClass);
    APMConsentSettingsUtil::resetForTesting();
    APMEngineHooks::reset();
    APMMeasurementMonitor().waitForPendingWork();
    platform::RunLoop::main().removeAllPending();
    platform::Clock::setCurrent(nullptr);
  }
  bool logged(int code) { return monitor_lines::Logged(capture_, code); }
  bool monitored(const std::string& message) { return monitor_lines::Monitored(message); }

  platform::TemporaryDataRoot root_;
  platform::LogCapture capture_;
  std::shared_ptr<platform::ManualClock> clock_;
};

TEST_F(AnalyticsFacadeTest, HeldOperationsRunInOrderOnTheSerialQueueOnceUnsuspended) {
  std::vector<int> ran;
  std::atomic<int> offQueue{0};
  for (int i = 0; i < 5; ++i) {
    APMAnalytics::queueOperationWithBlock([&ran, &offQueue, i] {
      if (!APMAnalytics::isCurrentQueueSerialQueue()) ++offQueue;
      ran.push_back(i);
    });
  }
  bool direct = false;
  APMAnalytics::dispatchAsyncOnSerialQueue([&] { direct = true; });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(direct) << "not held before the start";
  EXPECT_TRUE(ran.empty()) << "held before the start";

  APMAnalytics::unsuspendOperationQueue();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(offQueue.load(), 0);
  EXPECT_FALSE(APMAnalytics::isCurrentQueueSerialQueue());
}

TEST_F(AnalyticsFacadeTest, ThenWaitHoldsLaterOperationsHalfASecondOnTheManualClock) {
  APMAnalytics::unsuspendOperationQueue();
  std::vector<std::string> ran;
  APMAnalytics::queueOperationWithBlockThenWait([&] { ran.push_back("user data"); });
  APMAnalytics::queueOperationWithBlock([&] { ran.push_back("event"); });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(ran, (std::vector<std::string>{"user data"}));
  ASSERT_TRUE(clock_->runFor(0.49));
  EXPECT_EQ(ran.size(), 1u) << "released before 0.5 s";
  ASSERT_TRUE(clock_->runFor(0.01));
  EXPECT_EQ(ran, (std::vector<std::string>{"user data", "event"}));
}

TEST_F(AnalyticsFacadeTest, ThenWaitBeforeTheStartOnlyHolds) {
  bool ran = false;
  APMAnalytics::queueOperationWithBlockThenWait([&] { ran = true; });  // must not block
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_FALSE(ran);
  APMAnalytics::unsuspendOperationQueue();
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(ran) << "no half-second hold was armed before the start";
}

TEST_F(AnalyticsFacadeTest, StartRefusals) {
  struct Case {
    const char* name;
    const char* origin;
    const char* registeredClass;  // besides the public class
    int code;
  } cases[] = {
      {"origin other than qa defers to the public class", "app", nullptr, 25026},
      {"older database library present", "qa", APMAnalytics::kOlderDatabaseLibraryClass, 25029},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    APMAnalytics::resetForTesting();
    capture_.clear();
    if (c.registeredClass != nullptr) platform::ClassRegistry::shared().registerClass(c.registeredClass);
    int willStart = 0;
    auto token = platform::NotificationCenter::defaultCenter().addObserver(
        APMAnalytics::kWillStartNotification, [&](const platform::Notification&) { ++willStart; });
    bool held = false;
    APMAnalytics::queueOperationWithBlock([&] { held = true; });
    APMAnalytics::startWithAppID("1:1234567890:ios:abcdef", c.origin, {});
    ASSERT_TRUE(clock_->runUntilIdle());
    platform::NotificationCenter::defaultCenter().removeObserver(token);
    if (c.registeredClass != nullptr) platform::ClassRegistry::shared().unregisterClass(c.registeredClass);
    EXPECT_TRUE(logged(c.code));
    EXPECT_FALSE(APMAnalytics::hasStarted());
    EXPECT_EQ(willStart, 0);
    EXPECT_FALSE(held) << "held calls stay held";
    EXPECT_FALSE(APMMeasurement::hasSharedInstance());
  }
}

TEST_F(AnalyticsFacadeTest, SecondStartRepeatsOnlyTheChecksAndTheLogTag) {
  platform::TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(false);
  const std::string previousTag = APMMeasurementMonitor().logTag();
  int willStart = 0;
  auto token = platform::NotificationCenter::defaultCenter().addObserver(
      APMAnalytics::kWillStartNotification, [&](const platform::Notification&) { ++willStart; });
  APMAnalytics::startWithAppID("", "qa", {});  // no app ID: no engine, but started
  ASSERT_TRUE(clock_->runUntilIdle());
  APMAnalytics::startWithAppID("", "qa", {{APMAnalytics::kOptionLogTag, platform::Value("<SecondStart>")}});
  ASSERT_TRUE(clock_->runUntilIdle());
  platform::NotificationCenter::defaultCenter().removeObserver(token);
  EXPECT_TRUE(APMAnalytics::hasStarted());
  EXPECT_EQ(willStart, 1);
  EXPECT_EQ(APMMeasurementMonitor().logTag(), "<SecondStart>") << "the second call still sets the tag";
  EXPECT_TRUE(logged(25036)) << "proxy disabled";
  APMMeasurementMonitor().setLogTag(previousTag);
}

TEST_F(AnalyticsFacadeTest, ListenerTokensAreIntegersNeverReused) {
  std::vector<APMAnalytics::ListenerToken> tokens;
  for (int round = 0; round < 3; ++round) {
    APMAnalytics::ListenerToken token = APMAnalytics::addLogEventListener([](const APMEvent&) {});
    APMAnalytics::removeLogEventListener(token);
    tokens.push_back(token);
    APMAnalytics::resetForTesting();  // a fresh facade state still hands out new tokens
  }
  for (size_t i = 0; i < tokens.size(); ++i) {
    EXPECT_GT(tokens[i], 0);
    if (i > 0) {
      EXPECT_GT(tokens[i], tokens[i - 1]);
    }
  }
  EXPECT_EQ(APMAnalytics::addLogEventListener(nullptr), 0) << "an empty listener gets no token";
  EXPECT_TRUE(monitored("Attempted addition of nil log event listener."));
}

TEST_F(AnalyticsFacadeTest, ListenerRemovalRefusals) {
  APMAnalytics::unsuspendOperationQueue();
  struct Step {
    const char* name;
    std::function<void()> action;
    const char* message;
  };
  APMAnalytics::ListenerToken token = 0;
  const Step steps[] = {
      {"removal before any listener was added",
       [] { APMAnalytics::removeLogEventListener(41); }, "Attempted removal of nil log event listener."},
      {"token 0", [] { APMAnalytics::removeLogEventListener(0); }, "Attempted removal of nil log event."},
      {"first removal of a live token",
       [&] {
         token = APMAnalytics::addLogEventListener([](const APMEvent&) {});
         APMAnalytics::removeLogEventListener(token);
       },
       nullptr},
      {"second removal of the same token", [&] { APMAnalytics::removeLogEventListener(token); },
       "Attempted removal of log event listener with invalid token."},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    APMMeasurementMonitor().clearMonitoringData();
    step.action();
    ASSERT_TRUE(clock_->runUntilIdle());
    if (step.message != nullptr) {
      EXPECT_TRUE(monitored(step.message));
    } else {
      EXPECT_FALSE(monitored("Attempted removal"));
    }
  }
}

TEST_F(AnalyticsFacadeTest, ListenersHearNotifiedEventsOnTheSerialQueue) {
  APMAnalytics::unsuspendOperationQueue();
  std::vector<std::string> heard;
  std::atomic<int> offQueue{0};
  APMAnalytics::ListenerToken first = APMAnalytics::addLogEventListener([&](const APMEvent& event) {
    if (!APMAnalytics::isCurrentQueueSerialQueue()) ++offQueue;
    heard.push_back("first:" + event.name());
  });
  APMAnalytics::addLogEventListener([&](const APMEvent& event) { heard.push_back("second:" + event.name()); });
  std::optional<APMEvent> event = APMEvent::initWithOrigin("app", true, "level_up", clock_->now(), 0,
                                                           APMParameterObjects{});
  ASSERT_TRUE(event);
  APMAnalytics::notifyEventListeners(*event);
  ASSERT_TRUE(clock_->runUntilIdle());
  std::sort(heard.begin(), heard.end());
  EXPECT_EQ(heard, (std::vector<std::string>{"first:level_up", "second:level_up"}));
  EXPECT_EQ(offQueue.load(), 0);

  heard.clear();
  APMAnalytics::removeLogEventListener(first);
  APMAnalytics::notifyEventListeners(*event);
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(heard, (std::vector<std::string>{"second:level_up"}));
}

TEST_F(AnalyticsFacadeTest, BackgroundSessionHandlerIsCalledAtOnce) {
  int called = 0;
  APMAnalytics::handleEventsForBackgroundURLSession("com.facility.session", [&] { ++called; });
  EXPECT_EQ(called, 1) << "called before the call returns";

  // The same through the app delegate's forward once the proxy is in place.
  APMAnalytics::createAppDelegateProxy();
  platform::TVUAppDelegateSwizzler::forwardHandleEventsForBackgroundURLSession("com.facility.session",
                                                                               [&] { ++called; });
  EXPECT_EQ(called, 2);
}

TEST_F(AnalyticsFacadeTest, AppDelegateProxyIsCreatedOnceAndAnswersNo) {
  APMAnalytics::createAppDelegateProxy();
  APMAnalytics::createAppDelegateProxy();
  int registered = 0;
  for (const auto& interceptor : platform::TVUAppDelegateSwizzler::interceptors()) {
    if (interceptor == APMAppDelegateInterceptor::sharedInstance()) ++registered;
  }
  EXPECT_EQ(registered, 1);

  std::vector<std::string> opened;
  APMAnalytics::setOpenURLListener([&](const std::string& url) { opened.push_back(url); });
  ASSERT_TRUE(clock_->runUntilIdle());
  const struct {
    const char* name;
    std::function<bool()> forward;
    std::vector<std::string> opened;
  } cases[] = {
      {"opened URL", [] { return platform::TVUAppDelegateSwizzler::forwardOpenURL("facility://open?x=1", {}); },
       {"facility://open?x=1"}},
      {"web page activity",
       [] {
         return platform::TVUAppDelegateSwizzler::forwardContinueUserActivity(
             {platform::kUserActivityTypeBrowsingWeb, "https://facility.invalid/p?utm_source=a"});
       },
       {"https://facility.invalid/p?utm_source=a"}},
      {"activity without a link",
       [] { return platform::TVUAppDelegateSwizzler::forwardContinueUserActivity({"com.facility.edit", {}}); },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    opened.clear();
    EXPECT_FALSE(c.forward()) << "never handled for the app";
    ASSERT_TRUE(clock_->runUntilIdle());
    EXPECT_EQ(opened, c.opened);
  }
}

TEST_F(AnalyticsFacadeTest, OpenURLListenerHearsOpenedURLsButNeverUserActivities) {
  std::vector<std::string> opened;
  APMAnalytics::setOpenURLListener([&](const std::string& url) { opened.push_back(url); });
  APMAnalytics::handleUserActivity({platform::kUserActivityTypeBrowsingWeb, "https://facility.invalid/a"});
  APMAnalytics::handleOpenURL("facility://b");
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_EQ(opened, (std::vector<std::string>{"facility://b"})) << "not held before the start";
}

TEST_F(AnalyticsFacadeTest, SessionIDBeforeTheStartFailsOnAGlobalQueue) {
  std::atomic<bool> answered{false};
  int64_t sessionID = -1;
  std::optional<APMError> error;
  std::string label = "unset";
  bool onMain = true;
  APMAnalytics::sessionIDWithCompletion([&](int64_t id, const std::optional<APMError>& e) {
    sessionID = id;
    error = e;
    label = platform::DispatchQueue::currentLabel();
    onMain = platform::DispatchQueue::main()->isCurrent();
    answered = true;
  });
  ASSERT_TRUE(clock_->runUntilIdle());
  ASSERT_TRUE(answered.load());
  EXPECT_EQ(sessionID, 0);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), 13);
  EXPECT_EQ(error->localizedDescription(), "Analytics uninitialized");
  EXPECT_EQ(label, platform::DispatchQueue::global(platform::QueuePriority::defaultPriority)->label());
  EXPECT_FALSE(onMain);

  APMAnalytics::sessionIDWithCompletion(nullptr);
  EXPECT_TRUE(logged(25050));
}

TEST_F(AnalyticsFacadeTest, SetScreenNameOffTheMainThreadIsRefused) {
  APMAnalytics::dispatchAsyncOnSerialQueue([] { APMAnalytics::setScreenName("Home", "HomeVC"); });
  ASSERT_TRUE(clock_->runUntilIdle());
  EXPECT_TRUE(logged(25025));
}

TEST_F(AnalyticsFacadeTest, InternalEventSeamLeadsToTheFacadeAfterItsStart) {
  platform::TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(false);
  APMAnalytics::startWithAppID("", "qa", {});
  ASSERT_TRUE(clock_->runUntilIdle());
  // The consent's reset goes to the facade's reset.
  int64_t before = APMAnalytics::resetRetryCount();
  APMEngineHooks::resetAnalyticsData();
  EXPECT_EQ(APMAnalytics::resetRetryCount(), before + 1);
  EXPECT_TRUE(APMAnalytics::needFirstOpenAfterReset());
  APMAnalytics::setResetRetryCount(0);
  APMAnalytics::removeNeedFirstOpenAfterReset();
}

}  // namespace
