// The launch sequence with load hooks and its notifications, the system's
// calls through the delegate proxy, background tasks and key-window changes.
#include <gtest/gtest.h>

#include <any>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Runtime/LoadHookRegistry.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace uikit::testing {
namespace {

using Strings = std::vector<std::string>;

// The shared registry keeps its hooks for the whole process: the hook below
// writes only while a test points it somewhere.
Strings* gHookTrace = nullptr;
int gHookRuns = 0;

class RecordingDelegate : public ApplicationDelegate {
 public:
  explicit RecordingDelegate(Strings& trace) : trace_(trace) {}
  bool applicationDidFinishLaunchingWithOptions(Application&, const LaunchOptions& options) override {
    trace_.push_back("delegate.launch");
    launchOptions = options;
    return true;
  }
  bool applicationOpenURLOptions(Application&, const std::string& url,
                                 const std::map<std::string, std::string>&) override {
    trace_.push_back("delegate.url " + url);
    return handles;
  }
  bool applicationContinueUserActivity(Application&, const platform::UserActivity& activity) override {
    trace_.push_back("delegate.activity " + activity.activityType);
    return handles;
  }
  void applicationHandleEventsForBackgroundURLSession(Application&, const std::string& identifier,
                                                      std::function<void()> completion) override {
    trace_.push_back("delegate.session " + identifier);
    completion();
  }
  LaunchOptions launchOptions;
  bool handles = false;

 private:
  Strings& trace_;
};

class RecordingProxy : public ApplicationDelegateProxy {
 public:
  explicit RecordingProxy(Strings& trace) : trace_(trace) {}
  bool openURL(const std::string& url, const std::map<std::string, std::string>&) override {
    trace_.push_back("proxy.url " + url);
    return handles;
  }
  bool continueUserActivity(const platform::UserActivity& activity) override {
    trace_.push_back("proxy.activity " + activity.activityType + " " + activity.webpageURL.value_or("-"));
    return handles;
  }
  void handleEventsForBackgroundURLSession(const std::string& identifier,
                                           const std::function<void()>& completion) override {
    trace_.push_back("proxy.session " + identifier);
    completion();
  }
  bool handles = false;

 private:
  Strings& trace_;
};

class SceneTracer : public SceneDelegate {
 public:
  explicit SceneTracer(Strings& trace) : trace_(trace) {}
  void sceneWillConnectToSessionOptions(Scene&, SceneSession&, const SceneConnectionOptions&) override {
    trace_.push_back("scene.willConnect");
  }

 private:
  Strings& trace_;
};

class LaunchAndSystemCallsTest : public UIKitFixture {
 protected:
  void TearDown() override {
    gHookTrace = nullptr;
    for (auto token : tokens_) platform::NotificationCenter::defaultCenter().removeObserver(token);
    Application::setDelegateProxy(nullptr);
    UIKitFixture::TearDown();
  }
  void observe(const char* name, std::function<void(const platform::Notification&)> fn) {
    tokens_.push_back(platform::NotificationCenter::defaultCenter().addObserver(name, std::move(fn)));
  }
  std::vector<platform::NotificationCenter::Token> tokens_;
};

TEST_F(LaunchAndSystemCallsTest, LaunchRunsLoadHooksOnceBeforeTheDelegateThenPostsInOrder) {
  Strings trace;
  gHookTrace = &trace;
  platform::LoadHookRegistry::shared().add("test.launchHook", [] {
    ++gHookRuns;
    if (gHookTrace) gHookTrace->push_back("hook");
  });
  auto& app = Application::shared();
  auto delegate = std::make_shared<RecordingDelegate>(trace);
  app.setDelegate(delegate);
  app.registerSceneConfiguration("Default Configuration", [&] { return std::make_shared<SceneTracer>(trace); });
  platform::NotificationUserInfo launchInfo;
  std::shared_ptr<Scene> connecting;
  observe(kApplicationDidFinishLaunchingNotification, [&](const platform::Notification& n) {
    trace.push_back("note.didFinishLaunching");
    launchInfo = n.userInfo;
  });
  observe(kSceneWillConnectNotification, [&](const platform::Notification& n) {
    trace.push_back("note.sceneWillConnect");
    if (auto* s = std::any_cast<std::shared_ptr<Scene>>(&n.object)) connecting = *s;
  });

  LaunchOptions options;
  options.url = "facility://open?x=1";
  ASSERT_TRUE(app.launch(options));
  EXPECT_EQ(trace, (Strings{"hook", "delegate.launch", "note.didFinishLaunching", "note.sceneWillConnect",
                            "scene.willConnect"}));
  EXPECT_EQ(delegate->launchOptions.url, options.url);
  EXPECT_EQ(launchInfo, options.userInfo());
  ASSERT_EQ(app.connectedScenes().size(), 1u);
  EXPECT_EQ(connecting, app.connectedScenes()[0]);

  // A fresh application (the next test, or a second launch) runs no hook again.
  Application::resetShared();
  ASSERT_TRUE(Application::shared().launch());
  EXPECT_EQ(gHookRuns, 1);
  gHookTrace = nullptr;
}

TEST_F(LaunchAndSystemCallsTest, LaunchOptionsBecomeTheNotificationUserInfo) {
  const platform::UserActivity web{platform::kUserActivityTypeBrowsingWeb, "https://example.test/p/1"};
  const platform::UserActivity handoff{"com.example.edit", std::nullopt};
  struct Case {
    const char* name;
    LaunchOptions options;
    std::optional<std::string> url;
  };
  const Case cases[] = {
      {"plain launch", {}, std::nullopt},
      {"url", {"facility://a", std::nullopt}, "facility://a"},
      {"web activity", {std::nullopt, web}, std::nullopt},
      {"activity without page", {std::nullopt, handoff}, std::nullopt},
      {"both", {"facility://b", web}, "facility://b"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::NotificationUserInfo info = c.options.userInfo();
    EXPECT_EQ(info.empty(), c.options.empty());
    const auto url = info.find(kLaunchOptionsURLKey);
    EXPECT_EQ(url != info.end() && url->second.getString() ? std::optional<std::string>(*url->second.getString())
                                                             : std::nullopt,
              c.url);
    EXPECT_EQ(LaunchOptions::userActivityFromUserInfo(info), c.options.userActivity);
    if (c.options.userActivity) {
      const platform::Value* type =
          info.at(kLaunchOptionsUserActivityDictionaryKey).find(kLaunchOptionsUserActivityTypeKey);
      ASSERT_TRUE(type && type->getString());
      EXPECT_EQ(*type->getString(), c.options.userActivity->activityType);
    }
  }
  // An activity entry without a type is no activity.
  platform::NotificationUserInfo broken{
      {kLaunchOptionsUserActivityDictionaryKey,
       platform::Value::Dictionary{{kLaunchOptionsUserActivityKey, platform::Value::Dictionary{}}}}};
  EXPECT_FALSE(LaunchOptions::userActivityFromUserInfo(broken));
}

TEST_F(LaunchAndSystemCallsTest, SystemCallsReachTheProxyBeforeTheDelegate) {
  Strings trace;
  auto& app = Application::shared();
  auto delegate = std::make_shared<RecordingDelegate>(trace);
  app.setDelegate(delegate);

  // Without a proxy only the delegate hears them.
  EXPECT_FALSE(app.deliverOpenURL("facility://x"));
  EXPECT_EQ(trace, (Strings{"delegate.url facility://x"}));

  auto proxy = std::make_shared<RecordingProxy>(trace);
  Application::setDelegateProxy(proxy);
  struct Case {
    bool proxyHandles, delegateHandles, handled;
  };
  for (const Case c : {Case{false, false, false}, Case{true, false, true}, Case{false, true, true}}) {
    SCOPED_TRACE(std::to_string(c.proxyHandles) + std::to_string(c.delegateHandles));
    proxy->handles = c.proxyHandles;
    delegate->handles = c.delegateHandles;
    trace.clear();
    EXPECT_EQ(app.deliverOpenURL("facility://y"), c.handled);
    EXPECT_EQ(app.deliverContinueUserActivity({platform::kUserActivityTypeBrowsingWeb, "https://example.test/z"}),
              c.handled);
    EXPECT_EQ(trace, (Strings{"proxy.url facility://y", "delegate.url facility://y",
                              "proxy.activity NSUserActivityTypeBrowsingWeb https://example.test/z",
                              "delegate.activity NSUserActivityTypeBrowsingWeb"}));
  }

  // Both call the system's handler; it runs once.
  trace.clear();
  int completions = 0;
  app.deliverBackgroundURLSessionEvents("session-1", [&] { ++completions; });
  EXPECT_EQ(trace, (Strings{"proxy.session session-1", "delegate.session session-1"}));
  EXPECT_EQ(completions, 1);

  // The proxy outlives a reset of the application, as the library that installed it does.
  Application::resetShared();
  EXPECT_EQ(Application::delegateProxy(), proxy);
}

TEST_F(LaunchAndSystemCallsTest, BackgroundTasksEndOnceAndExpireThroughTheirHandlers) {
  auto& app = Application::shared();
  Strings expired;
  BackgroundTaskIdentifier upload = kInvalidBackgroundTask, other = kInvalidBackgroundTask;
  upload = app.beginBackgroundTask("upload", [&] {
    expired.push_back("upload");
    app.endBackgroundTask(upload);
    app.endBackgroundTask(other);  // ends a task whose handler must then not run
  });
  other = app.beginBackgroundTask("other", [&] { expired.push_back("other"); });
  BackgroundTaskIdentifier sloppy = app.beginBackgroundTask("sloppy", [&] { expired.push_back("sloppy"); });
  BackgroundTaskIdentifier ended = app.beginBackgroundTask("ended", nullptr);
  EXPECT_NE(upload, kInvalidBackgroundTask);
  EXPECT_EQ((std::set<BackgroundTaskIdentifier>{upload, other, sloppy, ended}).size(), 4u);

  platform::LogCapture capture;
  EXPECT_TRUE(app.endBackgroundTask(ended));
  EXPECT_FALSE(app.endBackgroundTask(ended)) << "ended twice";
  EXPECT_FALSE(app.endBackgroundTask(kInvalidBackgroundTask));
  EXPECT_TRUE(capture.contains("not held"));

  std::vector<std::string> held;
  for (const auto& t : app.backgroundTasks().held()) held.push_back(t.name);
  EXPECT_EQ(held, (Strings{"upload", "other", "sloppy"}));

  capture.clear();
  EXPECT_EQ(app.backgroundTasks().expireAll(), 2u);
  EXPECT_EQ(expired, (Strings{"upload", "sloppy"}));
  EXPECT_TRUE(app.backgroundTasks().held().empty());
  EXPECT_TRUE(capture.contains("\"sloppy\"")) << "a task its handler left held is ended with a log line";
  EXPECT_FALSE(capture.contains("\"upload\""));

  // A new task gets a new identifier; ending from a worker thread is fine.
  BackgroundTaskIdentifier next = app.beginBackgroundTask("next", nullptr);
  EXPECT_GT(next, ended);
  std::thread worker([&] { EXPECT_TRUE(app.endBackgroundTask(next)); });
  worker.join();
  EXPECT_TRUE(app.backgroundTasks().held().empty());
}

TEST_F(LaunchAndSystemCallsTest, KeyWindowChangePostsResignKeyForThePreviousWindow) {
  std::vector<std::shared_ptr<Window>> resigned;
  observe(kWindowDidResignKeyNotification, [&](const platform::Notification& n) {
    if (auto* w = std::any_cast<std::shared_ptr<Window>>(&n.object)) resigned.push_back(*w);
  });
  auto first = show(std::make_shared<ViewController>());
  EXPECT_TRUE(resigned.empty()) << "no window was key before";
  auto second = std::make_shared<Window>();
  second->makeKeyAndVisible();
  first->makeKeyWindow();
  first->makeKeyWindow();  // already key: nothing resigns
  EXPECT_EQ(resigned, (std::vector<std::shared_ptr<Window>>{first, second}));
}

}  // namespace
}  // namespace uikit::testing
