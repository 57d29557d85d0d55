// Screen views of toolkit screens on the manual clock: which controller is
// the screen, the "_vs" events through the internal-event seam (no engine),
// manual screens and the app's own screen views.
#include "Analytics/Engine/APMScreenViewReporter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "Platform/UIKit/MainBundleClasses.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/TabBarController.h"
#include "Platform/UIKit/ViewControllerAppearanceHooks.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace {

using platform::Value;
using uikit::NavigationController;
using uikit::TabBarController;
using uikit::ViewController;
using uikit::ViewControllerPtr;

// Screens of the program's own (registered in the main bundle).
class HomeScreen : public ViewController {};
class DetailScreen : public ViewController {};
class SettingsScreen : public ViewController {};
class ProfileScreen : public ViewController {};
class ComposeScreen : public ViewController {};
class SplitScreen : public ViewController {};
class ListPane : public ViewController {};
class MapPane : public ViewController {};
// A toolkit-looking private controller.
class _PrivateScreen : public ViewController {};

struct LoggedEvent {
  std::string origin, name;
  APMEvent::Parameters parameters;
  // The time handed with the event; none: stamped by the facade.
  std::optional<double> timestamp;
  int64_t integer(const std::string& key) const { return parameters.at(key).int64Value(); }
  bool has(const std::string& key) const { return parameters.count(key) != 0; }
  std::string text(const std::string& key) const { return parameters.at(key).stringValue().value_or(""); }
};

class ScreenViewReporterTest : public uikit::testing::UIKitFixture {
 protected:
  void SetUp() override {
    UIKitFixture::SetUp();
    for (const char* name : {"HomeScreen", "DetailScreen", "SettingsScreen", "ProfileScreen", "ComposeScreen",
                             "SplitScreen", "ListPane", "MapPane", "_PrivateScreen"}) {
      uikit::MainBundleClasses::add(name);
    }
    APMEngineHooks::setInternalEventLogger(
        [this](const std::string& origin, const std::string& name, const APMEvent::Parameters& parameters) {
          std::lock_guard<std::mutex> lock(mu_);
          events_.push_back({origin, name, parameters, std::nullopt});
        });
    APMEngineHooks::setTimedInternalEventLogger([this](const std::string& origin, const std::string& name,
                                                       double timestamp, const APMEvent::Parameters& parameters) {
      std::lock_guard<std::mutex> lock(mu_);
      events_.push_back({origin, name, parameters, timestamp});
    });
    APMMeasurementMonitor().setVerboseLoggingEnabled(true);
    reporter_ = APMScreenViewReporter::create(true);
    APMScreenViewReporter::setSharedInstanceForTesting(reporter_);
    APMScreenViewReporter::registerViewControllerHooks();
  }
  void TearDown() override {
    runUntilIdle();
    APMMeasurementMonitor().setVerboseLoggingEnabled(false);
    APMMeasurementMonitor().waitForPendingWork();
    window.reset();
    APMScreenViewReporter::setSharedInstanceForTesting(nullptr);
    reporter_.reset();
    uikit::ViewControllerAppearanceHooks::resetAll();
    uikit::MainBundleClasses::reset();
    APMEngineHooks::reset();
    UIKitFixture::TearDown();
  }

  std::vector<LoggedEvent> take() {
    runUntilIdle();
    std::lock_guard<std::mutex> lock(mu_);
    return std::exchange(events_, {});
  }
  // The single "_vs" logged since the last take.
  LoggedEvent screenView() {
    std::vector<LoggedEvent> events = take();
    EXPECT_EQ(events.size(), 1u);
    if (events.empty()) return {};
    EXPECT_EQ(events[0].name, "_vs");
    return events[0];
  }
  bool logged(int code) {
    APMMeasurementMonitor().waitForPendingWork();
    char tag[16];
    std::snprintf(tag, sizeof tag, "I-ACS%06d", code);
    return capture_.contains(tag);
  }
  void activate() {
    uikit::Application::shared().becomeActive();
    runUntilIdle();
  }
  void background() {
    uikit::Application::shared().resignActive();
    uikit::Application::shared().enterBackground();
    runUntilIdle();
  }

  platform::LogCapture capture_;
  std::shared_ptr<APMScreenViewReporter> reporter_;
  std::mutex mu_;
  std::vector<LoggedEvent> events_;
};

TEST_F(ScreenViewReporterTest, TransitionsGiveScreenViewsWithConsecutiveInstanceIDs) {
  auto home = std::make_shared<HomeScreen>();
  auto navigation = NavigationController::withRoot(home);
  show(navigation);
  activate();
  LoggedEvent first = screenView();
  EXPECT_EQ(first.origin, "auto");
  EXPECT_EQ(first.text("_sc"), "HomeScreen");
  EXPECT_FALSE(first.has("_pi")) << "the first screen of a launch has no previous one";
  const int64_t start = first.integer("_si");

  // Each row: what the user does, the class shown, the ID that screen carries.
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* screenClass;
    int64_t instanceID;
  };
  auto detail = std::make_shared<DetailScreen>();
  auto settings = std::make_shared<SettingsScreen>();
  auto profile = std::make_shared<ProfileScreen>();
  auto tabs = std::make_shared<TabBarController>();
  auto compose = std::make_shared<ComposeScreen>();
  auto split = std::make_shared<SplitScreen>();
  auto list = std::make_shared<ListPane>();
  auto map = std::make_shared<MapPane>();
  std::vector<Step> steps = {
      {"push", [&] { navigation->pushViewController(detail, true); }, "DetailScreen", start + 1},
      // Back to a screen seen before: its own ID again.
      {"pop", [&] { navigation->popViewController(true); }, "HomeScreen", start},
      {"tab bar as the new root",
       [&] {
         tabs->setViewControllers({settings, profile});
         window->setRootViewController(tabs);
       },
       "SettingsScreen", start + 2},
      {"tab switch", [&] { tabs->userSelectTab(1); }, "ProfileScreen", start + 3},
      {"modal", [&] { profile->present(compose, true); }, "ComposeScreen", start + 4},
      {"dismissal", [&] { profile->dismiss(true); }, "ProfileScreen", start + 3},
      // Two panes side by side: the pane that appeared last is the screen.
      {"side-by-side children",
       [&] {
         split->addChildViewController(list);
         split->view()->addSubview(list->view());
         list->didMoveToParentViewController(split.get());
         split->addChildViewController(map);
         split->view()->addSubview(map->view());
         map->didMoveToParentViewController(split.get());
         window->setRootViewController(split);
       },
       nullptr, 0},
  };
  int64_t previous = start;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    if (std::string(step.what) == "modal") {
      // Nothing while the presentation runs.
      runFor(ViewController::kPresentationDuration / 2);
      EXPECT_TRUE(take().empty());
    }
    // Animated transitions end after their 0.3 s.
    runFor(ViewController::kPresentationDuration);
    std::vector<LoggedEvent> events = take();
    ASSERT_FALSE(events.empty());
    for (const LoggedEvent& event : events) {
      EXPECT_EQ(event.name, "_vs");
      EXPECT_EQ(event.integer("_pi"), previous) << "each screen view names the one before";
      previous = event.integer("_si");
    }
    if (step.screenClass != nullptr) {
      ASSERT_EQ(events.size(), 1u);
      EXPECT_EQ(events[0].text("_sc"), step.screenClass);
      EXPECT_EQ(events[0].integer("_si"), step.instanceID);
    } else {
      // The split container and its panes are new screens, issued in turn.
      std::optional<std::string> className;
      reporter_->getScreenName(nullptr, &className);
      EXPECT_TRUE(className == "ListPane" || className == "MapPane") << className.value_or("none");
      EXPECT_EQ(events.back().integer("_si"), start + 4 + static_cast<int64_t>(events.size()));
    }
  }
}

TEST_F(ScreenViewReporterTest, WhichControllerIsTheScreen) {
  // Private and unregistered classes are never screens; a tab bar resolves
  // to its selected tab since the other tabs are hidden.
  auto settings = std::make_shared<SettingsScreen>();
  auto hidden = std::make_shared<_PrivateScreen>();
  auto tabs = std::make_shared<TabBarController>();
  tabs->setViewControllers({settings, hidden});
  show(tabs);
  activate();
  EXPECT_EQ(screenView().text("_sc"), "SettingsScreen");
  tabs->userSelectTab(1);
  EXPECT_TRUE(take().empty()) << "a private controller is not tracked";
  EXPECT_TRUE(APMScreenViewReporter::isTrackable(*settings) == false) << "off screen";

  auto foreign = std::make_shared<ViewController>();
  window->setRootViewController(foreign);
  EXPECT_TRUE(take().empty());
  EXPECT_FALSE(APMScreenViewReporter::isTrackable(*foreign));

  // Module prefixes are dropped.
  EXPECT_EQ(APMScreenViewReporter::classNameWithoutModule("Facility.HomeScreen"), "HomeScreen");
  EXPECT_EQ(APMScreenViewReporter::classNameWithoutModule("Facility."), "Facility.");
  EXPECT_EQ(APMScreenViewReporter::classNameWithoutModule("HomeScreen"), "HomeScreen");
}

TEST_F(ScreenViewReporterTest, RepeatedManualScreenIsLoggedOnce) {
  show(NavigationController::withRoot(std::make_shared<HomeScreen>()));
  activate();
  const int64_t home = screenView().integer("_si");

  reporter_->setScreenName(std::string("Inbox"), std::nullopt);
  LoggedEvent manual = screenView();
  EXPECT_EQ(manual.text("_sn"), "Inbox");
  EXPECT_EQ(manual.text("_sc"), "HomeScreen") << "the class defaults to the top controller's";
  EXPECT_EQ(manual.integer("_si"), home + 1);
  EXPECT_EQ(manual.integer("_pi"), home);

  reporter_->setScreenName(std::string("Inbox"), std::nullopt);
  EXPECT_TRUE(take().empty());
  EXPECT_TRUE(logged(31004));

  // Another name is a new screen again.
  reporter_->setScreenName(std::string("Archive"), std::string("HomeScreen"));
  EXPECT_EQ(screenView().integer("_si"), home + 2);
  // A manual screen stays the screen while its controller is shown.
  std::optional<std::string> name;
  reporter_->getScreenName(&name, nullptr);
  EXPECT_EQ(name, "Archive");
}

TEST_F(ScreenViewReporterTest, ManualScreenBeforeAnyAppearanceIsRefused) {
  reporter_->setScreenName(std::string("Inbox"), std::nullopt);
  EXPECT_TRUE(logged(31003));
  reporter_->setScreenName(std::string(""), std::nullopt);
  EXPECT_TRUE(logged(31001));
  EXPECT_TRUE(take().empty());
}

TEST_F(ScreenViewReporterTest, AppScreenViewInTheBackgroundIsRefused) {
  show(std::make_shared<HomeScreen>());
  activate();
  LoggedEvent tracked = screenView();
  const int64_t home = tracked.integer("_si");
  EXPECT_FALSE(tracked.timestamp) << "a tracked screen is stamped when handed on";

  // Logged at its own time, even when it is handed on later.
  const double stamp = platform::Clock::nowSeconds();
  clock->advance(7);
  reporter_->trackScreenWithParameters(
      {{"screen_name", Value("Checkout")}, {"screen_class", Value("CartScreen")}, {"step", Value(int64_t{2})}},
      stamp);
  LoggedEvent event = screenView();
  EXPECT_EQ(event.timestamp, stamp);
  EXPECT_EQ(event.origin, "app");
  EXPECT_EQ(event.text("_sn"), "Checkout");
  EXPECT_EQ(event.text("_sc"), "CartScreen");
  EXPECT_EQ(event.integer("_pi"), home);
  EXPECT_EQ(event.integer("step"), 2) << "other parameters travel with the screen view";
  EXPECT_FALSE(event.has("screen_name"));
  EXPECT_FALSE(event.has("screen_class"));

  background();
  take();
  reporter_->trackScreenWithParameters({{"screen_name", Value("Late")}}, platform::Clock::nowSeconds());
  EXPECT_TRUE(take().empty());
  EXPECT_TRUE(logged(31026));
  EXPECT_TRUE(reporter_->screenParameters().empty()) << "inactive after having been active";

  // Back in the foreground the same call is taken.
  uikit::Application::shared().enterForeground();
  activate();
  take();
  reporter_->trackScreenWithParameters({{"screen_name", Value("Again")}}, platform::Clock::nowSeconds());
  LoggedEvent again = screenView();
  EXPECT_EQ(again.text("_sn"), "Again");
  EXPECT_EQ(again.text("_sc"), "HomeScreen") << "on the main thread the key window's root names the class";
}

TEST_F(ScreenViewReporterTest, ScreenParametersFollowTheCurrentScreen) {
  EXPECT_TRUE(reporter_->screenParameters().empty());
  show(std::make_shared<HomeScreen>());
  activate();
  const int64_t home = screenView().integer("_si");
  APMEvent::Parameters parameters = reporter_->screenParameters();
  EXPECT_EQ(parameters.at("_si").int64Value(), home);
  EXPECT_EQ(parameters.at("_sc").stringValue(), "HomeScreen");
  EXPECT_EQ(parameters.count("_sn"), 0u);
  reporter_->setAllowScreenParameters(false);
  EXPECT_TRUE(reporter_->screenParameters().empty());
}

TEST_F(ScreenViewReporterTest, ChangeWhileInactiveIsLoggedOnActivation) {
  show(std::make_shared<HomeScreen>());
  activate();
  const int64_t home = screenView().integer("_si");
  background();
  window->setRootViewController(std::make_shared<DetailScreen>());
  EXPECT_TRUE(take().empty()) << "not while in the background";
  uikit::Application::shared().enterForeground();
  activate();
  LoggedEvent event = screenView();
  EXPECT_EQ(event.text("_sc"), "DetailScreen");
  EXPECT_EQ(event.integer("_pi"), home);
  EXPECT_EQ(event.integer("_si"), home + 1);
}

TEST_F(ScreenViewReporterTest, InstanceIDsWrapAtTheEndOfTheRange) {
  // Starting anywhere in the range, the run never overflows.
  auto reporter = APMScreenViewReporter::create(true);
  int64_t first = reporter->incrementScreenInstanceID();
  int64_t second = reporter->incrementScreenInstanceID();
  EXPECT_EQ(static_cast<uint64_t>(second), static_cast<uint64_t>(first) + 1);
}

TEST_F(ScreenViewReporterTest, UnknownAssociatedObjectsAreClearedAndLogged) {
  HomeScreen home;
  home.setAssociatedObject(APMScreenViewReporter::kScreenKey, std::string("not a screen"));
  EXPECT_EQ(APMScreenViewReporter::apmScreen(home), nullptr);
  EXPECT_EQ(home.associatedObject(APMScreenViewReporter::kScreenKey), nullptr);
  auto other = std::make_shared<uikit::Window>();
  other->setAssociatedObject(APMScreenViewReporter::kStackKey, 5);
  EXPECT_EQ(APMScreenViewReporter::apmStack(*other), nullptr);
  EXPECT_EQ(other->associatedObject(APMScreenViewReporter::kStackKey), nullptr);
  EXPECT_TRUE(logged(36000));
  EXPECT_TRUE(logged(38000));
}

TEST_F(ScreenViewReporterTest, WithoutAutomaticReportingOnlyTheAppsScreenViewsCount) {
  auto manualOnly = APMScreenViewReporter::create(false);
  APMScreenViewReporter::setSharedInstanceForTesting(manualOnly);
  show(std::make_shared<HomeScreen>());
  activate();
  EXPECT_TRUE(take().empty());
  manualOnly->setScreenName(std::string("Inbox"), std::nullopt);
  EXPECT_TRUE(logged(31000));
  manualOnly->trackScreenWithParameters({{"screen_name", Value("Inbox")}}, platform::Clock::nowSeconds());
  LoggedEvent event = screenView();
  EXPECT_EQ(event.integer("_mst"), 1);
  EXPECT_EQ(event.text("_sn"), "Inbox");
}

}  // namespace
