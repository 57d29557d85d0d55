// Knows which screen the user is looking at and logs the internal
// screen-view event "_vs" when it changes. Screens come from view-controller
// appearances (automatic reporting, the default), the manual
// setScreenName, and the app's own "screen_view" event. Every screen gets
// the next instance ID of a run that starts at a random value, so the "_pi"
// of a screen view is the "_si" of the one before. App activity and screen
// changes go on to the engine's session reporter and the ad exposure
// reporter.
//
// Threads: hooks, notifications and view-controller work run on the main
// thread. The screen fields sit behind one lock; the event of an app's own
// "screen_view" is logged from the reporter's serial queue. The activity
// flags are atomics: the engine's intake reads them on its worker queue.
//
// Window stacks: each window keeps, as the associated object "apmStack", its
// tracked controllers (weak) in order of appearance; each tracked controller
// keeps its screen as "apmScreen".
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/APMScreen.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace uikit {
class Object;
class ViewController;
class Window;
}  // namespace uikit

// Told about every appearance (a performance library of the same vendor).
class APMScreenViewReporterDelegate {
 public:
  virtual ~APMScreenViewReporterDelegate() = default;
  virtual void viewControllerDidAppear(uikit::ViewController& controller, bool trackedByAnalytics) = 0;
  virtual void viewControllerDidDisappear(uikit::ViewController& controller) = 0;
};

class APMScreenViewReporter : public std::enable_shared_from_this<APMScreenViewReporter> {
 public:
  using ScreenPtr = std::shared_ptr<APMScreen>;
  using Stack = std::vector<std::weak_ptr<uikit::ViewController>>;
  using StackPtr = std::shared_ptr<Stack>;

  static constexpr const char* kQueueLabel = "APMScreenViewReporter";
  static constexpr const char* kScreenReportingEnabledKey = "QuorvaneScreenReportingEnabled";
  static constexpr const char* kAutomaticScreenReportingEnabledKey = "QuorvaneAutomaticScreenReportingEnabled";
  // An older measurement library of the vendor, looked up by name.
  static constexpr const char* kOlderMeasurementLibraryClass = "FacilityLegacyMeasurement";
  static constexpr const char* kScreenKey = "apmScreen";
  static constexpr const char* kStackKey = "apmStack";

  // Made on first use with the main bundle's switch; it also serves the ad
  // exposure reporter's screen parameters.
  static std::shared_ptr<APMScreenViewReporter> sharedInstance();
  // Tests: a reporter of their own as the shared one; null goes back to
  // making one on next use.
  static void setSharedInstanceForTesting(std::shared_ptr<APMScreenViewReporter> reporter);
  // A reporter observing the application's notifications while alive.
  static std::shared_ptr<APMScreenViewReporter> create(bool automaticScreenReportingEnabled);
  ~APMScreenViewReporter();
  APMScreenViewReporter(const APMScreenViewReporter&) = delete;
  APMScreenViewReporter& operator=(const APMScreenViewReporter&) = delete;

  // The main bundle's "QuorvaneScreenReportingEnabled", else
  // "QuorvaneAutomaticScreenReportingEnabled"; a number gives its truth,
  // anything else (or nothing) means on.
  static bool isAutomaticScreenReportingEnabledInInfoPlist();
  bool automaticScreenReportingEnabled() const { return automaticScreenReporting_; }

  // The load-time hook (run once per process): makes every view controller's
  // did-appear and did-disappear also tell the shared reporter (after the
  // controller's own callback). Nothing is installed while automatic
  // reporting is off or an older measurement library is present.
  static void registerViewControllerHooks();

  // ---- Screens ----
  // The app's "screen_view" event ("screen_name", "screen_class" and extras).
  void trackScreenWithParameters(const APMParameterObjects& parameters, double timestamp);
  // The manual screen of the top tracked controller.
  void setScreenName(const std::optional<std::string>& screenName, const std::optional<std::string>& screenClass);
  // "_si", "_sc", "_sn" of the current screen (see the header comment of APMScreen).
  APMEvent::Parameters screenParameters();
  // Copies of the current screen's name and class name; a null pointer is skipped.
  void getScreenName(std::optional<std::string>* screenName, std::optional<std::string>* screenClass);
  void setCurrentViewController(const std::shared_ptr<uikit::ViewController>& controller);
  bool isAppActive() const { return isAppActive_.load(); }
  // Adds one and answers the new value (wraps at the end of the range).
  int64_t incrementScreenInstanceID();
  void setAllowScreenParameters(bool allow) { allowScreenParameters_ = allow; }

  // ---- Appearance (main thread) ----
  void viewControllerDidAppear(uikit::ViewController& controller);
  void viewControllerDidDisappear(uikit::ViewController& controller);

  // One delegate at a time: a second while one is set is refused (logged); null clears.
  void setQuorvanePerfDelegate(const std::shared_ptr<APMScreenViewReporterDelegate>& delegate);
  std::shared_ptr<APMScreenViewReporterDelegate> quorvanePerfDelegate() const;

  void postScreenDidChangeNotificationWithPreviousScreen(const ScreenPtr& previousScreen, const ScreenPtr& newScreen);
  void logViewScreenEventWithPreviousScreen(const ScreenPtr& previousScreen, const ScreenPtr& newScreen,
                                            APMEvent::Parameters parameters);

  // ---- Notifications ----
  void handleWindowDidResign(const std::shared_ptr<uikit::Window>& window);
  void handleApplicationDidBecomeActive();
  void handleApplicationWillResignActive();
  void handleApplicationDidEnterBackground();

  // ---- Helpers ----
  // The text after the last "." when there is one and it is not the last character.
  static std::string classNameWithoutModule(const std::string& className);
  // A controller of the program's own classes whose loaded view is in the key window.
  static bool isTrackable(const uikit::ViewController& controller);
  static std::shared_ptr<uikit::ViewController> visibleViewControllerOfStack(Stack& stack);
  // Associated objects; a value of another type is logged and cleared.
  static ScreenPtr apmScreen(uikit::ViewController& controller);
  static void setApmScreen(uikit::ViewController& controller, ScreenPtr screen);
  static StackPtr apmStack(uikit::Window& window);
  static void setApmStack(uikit::Window& window, StackPtr stack);

  explicit APMScreenViewReporter(bool automaticScreenReportingEnabled);

 private:
  void startObserving();
  // Step 4 of an appearance: the visible controller, when trackable, becomes current.
  void trackVisibleViewControllerOfStack(Stack& stack);
  APMEvent::Parameters screenParametersLocked() const;

  const bool automaticScreenReporting_;
  platform::DispatchQueuePtr queue_;

  mutable std::mutex mu_;
  // Guarded by mu_.
  std::weak_ptr<uikit::ViewController> currentViewController_;
  std::weak_ptr<APMScreenViewReporterDelegate> quorvanePerfDelegate_;
  ScreenPtr currentScreen_;
  ScreenPtr previousScreen_;
  int64_t currentScreenInstanceID_ = 0;

  std::atomic<bool> allowScreenParameters_{true};
  std::atomic<bool> isAppActive_{false};
  std::atomic<bool> appHasBeenInitialized_{false};
  std::vector<platform::NotificationCenter::Token> observers_;
};
