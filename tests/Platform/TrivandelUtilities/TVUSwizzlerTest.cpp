// Method replacement of view-controller appearance through the utilities'
// swizzler, and the app-delegate registry in front of the application.
#include "Platform/TrivandelUtilities/TVUSwizzler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/TrivandelUtilities/TVUAppDelegateSwizzler.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace {

using platform::TVUAppDelegateSwizzler;
using platform::TVUSwizzler;
using Strings = std::vector<std::string>;
using uikit::ViewControllerAppearanceHooks;

Strings* gTrace = nullptr;

class Screen : public uikit::ViewController {
 public:
  void viewDidAppear(bool) override {
    if (gTrace) gTrace->push_back("own.appear");
  }
  void viewDidDisappear(bool) override {
    if (gTrace) gTrace->push_back("own.disappear");
  }
};

class TVUSwizzlerTest : public uikit::testing::UIKitFixture {
 protected:
  void SetUp() override {
    UIKitFixture::SetUp();
    gTrace = &trace;
  }
  void TearDown() override {
    gTrace = nullptr;
    ViewControllerAppearanceHooks::resetAll();
    UIKitFixture::TearDown();
  }
  Strings trace;
};

TEST_F(TVUSwizzlerTest, OnlyAppearanceInstanceMethodsCanBeReplaced) {
  const std::string base = ViewControllerAppearanceHooks::kBaseClassName;
  struct Case {
    std::string className, selector;
    bool isClassSelector, replaceable;
  };
  const Case cases[] = {
      {base, "viewDidAppear:", false, true},
      {base, "viewDidDisappear:", false, true},
      {"Screen", "viewDidAppear:", false, true},
      {base, "viewDidAppear:", true, false},
      {base, "viewWillAppear:", false, false},
      {base, "viewDidAppear", false, false},
      {"", "viewDidAppear:", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className + " " + c.selector + (c.isClassSelector ? " (class)" : ""));
    EXPECT_EQ(TVUSwizzler::currentImplementationForClass(c.className, c.selector, c.isClassSelector).has_value(),
              c.replaceable);
    EXPECT_EQ(TVUSwizzler::swizzleClass(c.className, c.selector, c.isClassSelector, [](uikit::ViewController&, bool) {}),
              c.replaceable);
    ViewControllerAppearanceHooks::resetAll();
  }
  EXPECT_FALSE(TVUSwizzler::swizzleClass(base, "viewDidAppear:", false, nullptr)) << "an empty block";
}

TEST_F(TVUSwizzlerTest, ReplacementsChainBehindTheControllersOwnCallback) {
  const std::string base = ViewControllerAppearanceHooks::kBaseClassName;
  // Two libraries each replace did-appear, each calling what it found first.
  for (const std::string tag : {"first", "second"}) {
    auto old = TVUSwizzler::currentImplementationForClass(base, "viewDidAppear:", false);
    ASSERT_TRUE(old);
    ASSERT_TRUE(TVUSwizzler::swizzleClass(base, "viewDidAppear:", false,
                                          [old = *old, tag](uikit::ViewController& vc, bool animated) {
                                            old(vc, animated);
                                            if (gTrace) gTrace->push_back(tag + " " + vc.className());
                                          }));
  }
  auto old = TVUSwizzler::currentImplementationForClass(base, "viewDidDisappear:", false);
  ASSERT_TRUE(TVUSwizzler::swizzleClass(base, "viewDidDisappear:", false,
                                        [old = *old](uikit::ViewController& vc, bool animated) {
                                          old(vc, animated);
                                          if (gTrace) gTrace->push_back("gone " + vc.className());
                                        }));
  auto nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
  show(nav);
  trace.clear();
  nav->pushViewController(std::make_shared<Screen>(), false);
  runUntilIdle();
  EXPECT_EQ(trace, (Strings{"gone ViewController", "own.appear", "first Screen", "second Screen"}));
  trace.clear();
  nav->popViewController(false);
  runUntilIdle();
  EXPECT_EQ(trace, (Strings{"own.disappear", "gone Screen", "first ViewController", "second ViewController"}));
}

class Interceptor : public platform::TVUAppDelegateInterceptor {
 public:
  bool applicationOpenURL(const std::string& url, const std::map<std::string, std::string>&) override {
    if (gTrace) gTrace->push_back("interceptor.url " + url);
    return false;
  }
  bool applicationContinueUserActivity(const platform::UserActivity& activity) override {
    if (gTrace) gTrace->push_back("interceptor.activity " + activity.activityType + " " + activity.webpageURL.value_or("-"));
    return false;
  }
  void applicationHandleEventsForBackgroundURLSession(const std::string& identifier,
                                                      const std::function<void()>& completion) override {
    if (gTrace) gTrace->push_back("interceptor.session " + identifier);
    completion();
  }
};

class Delegate : public uikit::ApplicationDelegate {
 public:
  bool applicationOpenURLOptions(uikit::Application&, const std::string& url,
                                 const std::map<std::string, std::string>&) override {
    if (gTrace) gTrace->push_back("delegate.url " + url);
    return true;
  }
  bool applicationContinueUserActivity(uikit::Application&, const platform::UserActivity&) override {
    if (gTrace) gTrace->push_back("delegate.activity");
    return false;
  }
};

class TVUAppDelegateSwizzlerTest : public TVUSwizzlerTest {
 protected:
  void TearDown() override {
    TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(true);
    if (interceptor) TVUAppDelegateSwizzler::unregisterAppDelegateInterceptor(interceptor);
    uikit::Application::setDelegateProxy(nullptr);
    TVUSwizzlerTest::TearDown();
  }
  std::shared_ptr<Interceptor> interceptor = std::make_shared<Interceptor>();
};

TEST_F(TVUAppDelegateSwizzlerTest, ProxiedApplicationPassesSystemCallsToInterceptorsFirst) {
  auto& app = uikit::Application::shared();
  app.setDelegate(std::make_shared<Delegate>());
  TVUAppDelegateSwizzler::registerAppDelegateInterceptor(interceptor);

  // Registered but the delegate not proxied yet: the interceptor hears nothing.
  app.deliverOpenURL("facility://before");
  EXPECT_EQ(trace, (Strings{"delegate.url facility://before"}));

  TVUAppDelegateSwizzler::proxyOriginalDelegate();
  trace.clear();
  EXPECT_TRUE(app.deliverOpenURL("facility://a")) << "the delegate's answer stands";
  EXPECT_FALSE(app.deliverContinueUserActivity({platform::kUserActivityTypeBrowsingWeb, "https://example.test/x"}));
  int completions = 0;
  app.deliverBackgroundURLSessionEvents("bg-7", [&] { ++completions; });
  EXPECT_EQ(trace, (Strings{"interceptor.url facility://a", "delegate.url facility://a",
                            "interceptor.activity NSUserActivityTypeBrowsingWeb https://example.test/x",
                            "delegate.activity", "interceptor.session bg-7"}));
  EXPECT_EQ(completions, 1) << "interceptor and the default delegate both complete; the system hears it once";

  // Proxy switched off: the forwards stay silent.
  TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(false);
  trace.clear();
  app.deliverOpenURL("facility://off");
  EXPECT_EQ(trace, (Strings{"delegate.url facility://off"}));

  // A released interceptor is skipped.
  TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(true);
  interceptor.reset();
  trace.clear();
  app.deliverOpenURL("facility://gone");
  EXPECT_EQ(trace, (Strings{"delegate.url facility://gone"}));
}

}  // namespace
