#include "Analytics/Engine/APMScreenViewReporter.h"

#include <algorithm>
#include <utility>

#include "Analytics/Engine/APMAdExposureReporter.h"
#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/APMNumericUtil.h"
#include "Analytics/Engine/APMSessionReporter.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Utf8.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/TrivandelUtilities/TVULogger.h"
#include "Platform/TrivandelUtilities/TVUSwizzler.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/MainBundleClasses.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PageViewController.h"
#include "Platform/UIKit/TabBarController.h"
#include "Platform/UIKit/ViewController.h"
#include "Platform/UIKit/ViewControllerAppearanceHooks.h"
#include "Platform/UIKit/Window.h"

namespace {

struct ReporterSlot {
  std::mutex mu;
  std::shared_ptr<APMScreenViewReporter> reporter;
};

ReporterSlot& SharedSlot() {
  static ReporterSlot* shared = new ReporterSlot;
  return *shared;
}

// The app's own screen view keeps the time it was logged at; a tracked one
// is stamped by the facade.
void LogInternalEvent(const std::string& origin, const std::string& name, const APMEvent::Parameters& parameters,
                      std::optional<double> timestamp) {
  if (timestamp) {
    APMEngineHooks::logInternalEvent(origin, name, *timestamp, parameters);
  } else {
    APMEngineHooks::logInternalEvent(origin, name, parameters);
  }
}

std::shared_ptr<APMSessionReporter> EngineSessionReporter() {
  if (!APMEngineHooks::engineHasInitializedComponents() || !APMMeasurement::hasSharedInstance()) return nullptr;
  std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
  return engine ? engine->sessionReporter() : nullptr;
}

bool IsValidScreenText(const std::string& text) {
  platform::Value value(text);
  int64_t failureCode = 0;
  return APMDataTypeValidator::isValidScreenParameterValue(&value, &failureCode);
}

// A text parameter of the app's screen view: none when absent; invalid
// (false) when present and not a valid screen text.
bool ScreenText(const APMParameterObjects& parameters, const std::string& key, std::optional<std::string>* out) {
  auto it = parameters.find(key);
  if (it == parameters.end()) return true;
  std::optional<std::string> text;
  if (const auto* value = std::get_if<platform::Value>(&it->second)) {
    if (const std::string* s = value->getString()) text = *s;
  } else if (const auto* typed = std::get_if<APMValue>(&it->second)) {
    if (typed->isString()) text = typed->stringValue();
  }
  if (!text || !IsValidScreenText(*text)) return false;
  *out = std::move(text);
  return true;
}

// The first maxLength code points.
std::string CutToCodePoints(const std::string& text, int64_t maxLength) {
  std::size_t pos = 0;
  for (int64_t count = 0; pos < text.size() && count < maxLength; ++count) {
    std::size_t length = platform::Utf8::sequenceLength(text, pos);
    pos += length == 0 ? 1 : length;
  }
  return text.substr(0, pos);
}

bool IsShown(const uikit::ViewController& controller) {
  auto view = controller.viewIfLoaded();
  return view && view->window();
}

void Compact(APMScreenViewReporter::Stack& stack) {
  std::erase_if(stack, [](const std::weak_ptr<uikit::ViewController>& entry) { return entry.expired(); });
}

bool IsContainer(const uikit::ViewController& controller) {
  return dynamic_cast<const uikit::NavigationController*>(&controller) != nullptr ||
         dynamic_cast<const uikit::TabBarController*>(&controller) != nullptr ||
         dynamic_cast<const uikit::PageViewController*>(&controller) != nullptr;
}

// What a container shows; a plain controller what it presents, else itself.
std::shared_ptr<uikit::ViewController> Resolve(std::shared_ptr<uikit::ViewController> controller) {
  while (controller) {
    if (auto* navigation = dynamic_cast<uikit::NavigationController*>(controller.get())) {
      controller = navigation->visibleViewController();
    } else if (auto* tabs = dynamic_cast<uikit::TabBarController*>(controller.get())) {
      controller = tabs->selectedViewController();
    } else if (auto* pages = dynamic_cast<uikit::PageViewController*>(controller.get())) {
      controller = pages->viewControllers().empty() ? nullptr : pages->viewControllers().front();
    } else if (controller->isBeingPresented()) {
      return controller;
    } else {
      auto presented = controller->presentedViewController();
      return presented ? presented : controller;
    }
    if (controller && !IsContainer(*controller)) return controller;
  }
  return nullptr;
}

// An app screen-view value of a bundle switch: a number gives its truth.
std::optional<bool> BundleSwitch(const char* key) {
  std::optional<platform::Value> value = platform::Bundle::main().objectForInfoDictionaryKey(key);
  if (!value) return std::nullopt;
  if (std::optional<bool> flag = value->getBool()) return *flag;
  if (std::optional<std::int64_t> number = value->getInt()) return *number != 0;
  if (std::optional<double> number = value->getDouble()) return *number != 0;
  return true;
}

}  // namespace

// ---- Shared instance ----

std::shared_ptr<APMScreenViewReporter> APMScreenViewReporter::sharedInstance() {
  ReporterSlot& slot = SharedSlot();
  std::lock_guard<std::mutex> lock(slot.mu);
  if (!slot.reporter) {
    slot.reporter = create(isAutomaticScreenReportingEnabledInInfoPlist());
    APMEngineHooks::setAutomaticScreenReportingEnabled(slot.reporter->automaticScreenReportingEnabled());
    APMAdExposureReporter::setScreenParametersProvider([] { return sharedInstance()->screenParameters(); });
  }
  return slot.reporter;
}

void APMScreenViewReporter::setSharedInstanceForTesting(std::shared_ptr<APMScreenViewReporter> reporter) {
  ReporterSlot& slot = SharedSlot();
  std::shared_ptr<APMScreenViewReporter> old;
  {
    std::lock_guard<std::mutex> lock(slot.mu);
    old = std::move(slot.reporter);
    slot.reporter = std::move(reporter);
    if (slot.reporter) {
      APMEngineHooks::setAutomaticScreenReportingEnabled(slot.reporter->automaticScreenReportingEnabled());
      APMAdExposureReporter::setScreenParametersProvider([] { return sharedInstance()->screenParameters(); });
    }
  }
}

std::shared_ptr<APMScreenViewReporter> APMScreenViewReporter::create(bool automaticScreenReportingEnabled) {
  auto reporter = std::make_shared<APMScreenViewReporter>(automaticScreenReportingEnabled);
  reporter->startObserving();
  return reporter;
}

APMScreenViewReporter::APMScreenViewReporter(bool automaticScreenReportingEnabled)
    : automaticScreenReporting_(automaticScreenReportingEnabled),
      queue_(platform::DispatchQueue::create(kQueueLabel)),
      currentScreenInstanceID_(APMNumericUtil::randomInt64()) {}

APMScreenViewReporter::~APMScreenViewReporter() {
  for (platform::NotificationCenter::Token token : observers_) {
    platform::NotificationCenter::defaultCenter().removeObserver(token);
  }
}

void APMScreenViewReporter::startObserving() {
  std::weak_ptr<APMScreenViewReporter> weakSelf = weak_from_this();
  auto& center = platform::NotificationCenter::defaultCenter();
  observers_.push_back(center.addObserver(uikit::kWindowDidResignKeyNotification,
                                          [weakSelf](const platform::Notification& notification) {
                                            auto self = weakSelf.lock();
                                            const auto* window =
                                                std::any_cast<std::shared_ptr<uikit::Window>>(&notification.object);
                                            if (self && window && *window) self->handleWindowDidResign(*window);
                                          }));
  observers_.push_back(center.addObserver(uikit::kApplicationDidBecomeActiveNotification,
                                          [weakSelf](const platform::Notification&) {
                                            if (auto self = weakSelf.lock()) self->handleApplicationDidBecomeActive();
                                          }));
  observers_.push_back(center.addObserver(uikit::kApplicationWillResignActiveNotification,
                                          [weakSelf](const platform::Notification&) {
                                            if (auto self = weakSelf.lock()) self->handleApplicationWillResignActive();
                                          }));
  observers_.push_back(center.addObserver(uikit::kApplicationDidEnterBackgroundNotification,
                                          [weakSelf](const platform::Notification&) {
                                            if (auto self = weakSelf.lock()) {
                                              self->handleApplicationDidEnterBackground();
                                            }
                                          }));
}

bool APMScreenViewReporter::isAutomaticScreenReportingEnabledInInfoPlist() {
  if (std::optional<bool> value = BundleSwitch(kScreenReportingEnabledKey)) return *value;
  return BundleSwitch(kAutomaticScreenReportingEnabledKey).value_or(true);
}

// ---- Hooks ----

void APMScreenViewReporter::registerViewControllerHooks() {
  const std::string service = kAPMDefaultLogTag;
  if (!isAutomaticScreenReportingEnabledInInfoPlist()) {
    platform::TVULogInfo(service, false, "I-ACS036001",
                         "Analytics screen reporting is disabled. UIViewController transitions will not be logged.");
    return;
  }
  if (platform::ClassRegistry::shared().classExists(kOlderMeasurementLibraryClass)) {
    platform::TVULogWarning(service, false, "I-ACS036005",
                            "Detected an older version of Trivandel Analytics for Quorvane framework. Please "
                            "upgrade to the latest version of Trivandel Analytics for Quorvane.");
    return;
  }
  const std::string base = uikit::ViewControllerAppearanceHooks::kBaseClassName;
  auto didAppear = platform::TVUSwizzler::currentImplementationForClass(base, "viewDidAppear:", false);
  if (!didAppear) {
    platform::TVULogWarning(service, false, "I-ACS036003",
                            "Failed to get old implementation of -[UIViewController viewDidAppear:]. "
                            "UIViewController transitions will not be logged.");
    return;
  }
  auto didDisappear = platform::TVUSwizzler::currentImplementationForClass(base, "viewDidDisappear:", false);
  if (!didDisappear) {
    platform::TVULogWarning(service, false, "I-ACS036004",
                            "Failed to get old implementation of -[UIViewController viewDidDisappear:]. "
                            "UIViewController transitions will not be logged.");
    return;
  }
  platform::TVUSwizzler::swizzleClass(
      base, "viewDidAppear:", false, [old = *didAppear](uikit::ViewController& controller, bool animated) {
        old(controller, animated);
        sharedInstance()->viewControllerDidAppear(controller);
      });
  platform::TVUSwizzler::swizzleClass(
      base, "viewDidDisappear:", false, [old = *didDisappear](uikit::ViewController& controller, bool animated) {
        old(controller, animated);
        sharedInstance()->viewControllerDidDisappear(controller);
      });
}

// ---- Associated objects ----

APMScreenViewReporter::ScreenPtr APMScreenViewReporter::apmScreen(uikit::ViewController& controller) {
  const std::any* value = controller.associatedObject(kScreenKey);
  if (value == nullptr) return nullptr;
  if (const auto* screen = std::any_cast<ScreenPtr>(value)) return *screen;
  Monitor().logWithLevel(4, 36000, "Found unknown associated object", APMLogContext(value->type().name()));
  controller.setAssociatedObject(kScreenKey, std::any());
  return nullptr;
}

void APMScreenViewReporter::setApmScreen(uikit::ViewController& controller, ScreenPtr screen) {
  controller.setAssociatedObject(kScreenKey, screen ? std::any(std::move(screen)) : std::any());
}

APMScreenViewReporter::StackPtr APMScreenViewReporter::apmStack(uikit::Window& window) {
  const std::any* value = window.associatedObject(kStackKey);
  if (value == nullptr) return nullptr;
  if (const auto* stack = std::any_cast<StackPtr>(value)) return *stack;
  Monitor().logWithLevel(4, 38000, "Found unknown associated object", APMLogContext(value->type().name()));
  window.setAssociatedObject(kStackKey, std::any());
  return nullptr;
}

void APMScreenViewReporter::setApmStack(uikit::Window& window, StackPtr stack) {
  window.setAssociatedObject(kStackKey, stack ? std::any(std::move(stack)) : std::any());
}

// ---- Helpers ----

std::string APMScreenViewReporter::classNameWithoutModule(const std::string& className) {
  std::size_t dot = className.rfind('.');
  if (dot == std::string::npos || dot + 1 == className.size()) return className;
  return className.substr(dot + 1);
}

bool APMScreenViewReporter::isTrackable(const uikit::ViewController& controller) {
  const std::string name = classNameWithoutModule(controller.className());
  // System controllers: not the program's own, or private by name.
  if (!uikit::MainBundleClasses::isFromMainBundle(controller) || name.empty() || name[0] == '_') return false;
  std::shared_ptr<uikit::View> view = controller.viewIfLoaded();
  std::shared_ptr<uikit::Window> keyWindow = uikit::Application::shared().keyWindow();
  return view && keyWindow && view->isDescendantOfView(*keyWindow);
}

std::shared_ptr<uikit::ViewController> APMScreenViewReporter::visibleViewControllerOfStack(Stack& stack) {
  // A manual screen on a shown controller wins first.
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    std::shared_ptr<uikit::ViewController> entry = it->lock();
    if (!entry || !IsShown(*entry)) continue;
    ScreenPtr screen = apmScreen(*entry);
    if (screen && screen->isManuallySet()) return entry;
  }
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    std::shared_ptr<uikit::ViewController> entry = it->lock();
    if (!entry || !IsShown(*entry)) continue;
    if (apmScreen(*entry)) return entry;
    std::shared_ptr<uikit::ViewController> candidate = entry;
    if (std::shared_ptr<uikit::ViewController> parent = entry->parentViewController();
        parent && parent->childViewControllers().size() > 1) {
      // Siblings hidden: the parent is a container showing one child at a time.
      bool siblingHidden = std::any_of(parent->childViewControllers().begin(), parent->childViewControllers().end(),
                                       [&](const uikit::ViewControllerPtr& child) {
                                         return child && child != entry && !IsShown(*child);
                                       });
      if (siblingHidden) {
        if (apmScreen(*parent)) return parent;
        candidate = parent;
      }
    }
    std::shared_ptr<uikit::ViewController> resolved = Resolve(candidate);
    if (resolved && IsShown(*resolved)) return resolved;
  }
  if (!stack.empty()) {
    Compact(stack);
    if (!stack.empty()) return stack.front().lock();
  }
  Monitor().logWithLevel(5, 31011, "Root view controller not found");
  return nullptr;
}

// ---- Appearance ----

void APMScreenViewReporter::viewControllerDidAppear(uikit::ViewController& controller) {
  std::shared_ptr<uikit::Window> keyWindow = uikit::Application::shared().keyWindow();
  const bool trackable = isTrackable(controller);
  if (keyWindow) {
    StackPtr stack = apmStack(*keyWindow);
    if (!stack) {
      stack = std::make_shared<Stack>();
      setApmStack(*keyWindow, stack);
    }
    // A new root starts the window's history afresh.
    if (keyWindow->rootViewController().get() == &controller && !stack->empty() &&
        stack->front().lock().get() != &controller) {
      stack = std::make_shared<Stack>();
      setApmStack(*keyWindow, stack);
    }
    std::erase_if(*stack, [&](const std::weak_ptr<uikit::ViewController>& entry) {
      return entry.lock().get() == &controller;
    });
    if (trackable) {
      if (auto shared = controller.sharedAs<uikit::ViewController>()) stack->push_back(shared);
    }
    Compact(*stack);
    trackVisibleViewControllerOfStack(*stack);
  }
  if (auto delegate = quorvanePerfDelegate()) delegate->viewControllerDidAppear(controller, trackable);
}

void APMScreenViewReporter::viewControllerDidDisappear(uikit::ViewController& controller) {
  std::shared_ptr<uikit::Window> keyWindow = uikit::Application::shared().keyWindow();
  if (keyWindow) {
    if (StackPtr stack = apmStack(*keyWindow)) {
      for (auto it = stack->begin(); it != stack->end(); ++it) {
        if (it != stack->begin() && it->lock().get() == &controller) {
          stack->erase(it);
          break;
        }
      }
      Compact(*stack);
      trackVisibleViewControllerOfStack(*stack);
    }
  }
  if (auto delegate = quorvanePerfDelegate()) delegate->viewControllerDidDisappear(controller);
}

void APMScreenViewReporter::trackVisibleViewControllerOfStack(Stack& stack) {
  std::shared_ptr<uikit::ViewController> visible = visibleViewControllerOfStack(stack);
  if (visible && isTrackable(*visible)) setCurrentViewController(visible);
}

void APMScreenViewReporter::handleWindowDidResign(const std::shared_ptr<uikit::Window>& window) {
  StackPtr stack = apmStack(*window);
  if (stack && !stack->empty()) trackVisibleViewControllerOfStack(*stack);
}

void APMScreenViewReporter::setQuorvanePerfDelegate(const std::shared_ptr<APMScreenViewReporterDelegate>& delegate) {
  std::lock_guard<std::mutex> lock(mu_);
  if (delegate && quorvanePerfDelegate_.lock()) {
    Monitor().logWithLevel(3, 31016, "Tried to override screen reporter delegate");
    return;
  }
  quorvanePerfDelegate_ = delegate;
}

std::shared_ptr<APMScreenViewReporterDelegate> APMScreenViewReporter::quorvanePerfDelegate() const {
  std::lock_guard<std::mutex> lock(mu_);
  return quorvanePerfDelegate_.lock();
}

// ---- Screens ----

int64_t APMScreenViewReporter::incrementScreenInstanceID() {
  std::lock_guard<std::mutex> lock(mu_);
  currentScreenInstanceID_ = static_cast<int64_t>(static_cast<uint64_t>(currentScreenInstanceID_) + 1);
  return currentScreenInstanceID_;
}

void APMScreenViewReporter::setCurrentViewController(const std::shared_ptr<uikit::ViewController>& controller) {
  if (!controller) {
    Monitor().logWithLevel(3, 31005, "Received nil view controller");
    return;
  }
  const bool engineEnabled = APMEngineHooks::engineIsEnabled();
  const std::string fullName = classNameWithoutModule(controller->className());
  const int64_t maxLength = APMEngineHooks::remoteConfig()->maxPublicEventParameterValueLength();
  std::string className = CutToCodePoints(fullName, maxLength);
  if (className != fullName) {
    Monitor().logWithLevel(7, 31007,
                           "Trimmed name of default screen class. Original screen class, trimmed screen class",
                           APMLogContext(fullName), APMLogContext(className));
  }
  if (!IsValidScreenText(className)) {
    Monitor().logWithLevel(3, 31008, "Received invalid default screen class", APMLogContext(className));
    return;
  }
  ScreenPtr previous;
  ScreenPtr screen;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (engineEnabled && currentViewController_.lock() == controller) {
      Monitor().logWithLevel(7, 31006, "View controller already tracked. Class, ID", APMLogContext(className),
                             APMLogContext(currentScreen_ ? currentScreen_->instanceID() : 0));
      return;
    }
    screen = apmScreen(*controller);
    if (!screen) {
      currentScreenInstanceID_ = static_cast<int64_t>(static_cast<uint64_t>(currentScreenInstanceID_) + 1);
      screen = std::make_shared<APMScreen>(std::nullopt, className, currentScreenInstanceID_);
      setApmScreen(*controller, screen);
    }
    currentViewController_ = controller;
    if (screen == currentScreen_) return;
    if (engineEnabled) {
      Monitor().logWithLevel(7, 31010, "Tracking view controller. Class, ID", APMLogContext(className),
                             APMLogContext(screen->instanceID()));
    }
    if (currentScreen_) previous = std::make_shared<APMScreen>(currentScreen_->copy());
    currentScreen_ = screen;
  }
  postScreenDidChangeNotificationWithPreviousScreen(previous, screen);
  if (automaticScreenReporting_) logViewScreenEventWithPreviousScreen(previous, screen, {});
}

void APMScreenViewReporter::setScreenName(const std::optional<std::string>& screenName,
                                          const std::optional<std::string>& screenClass) {
  if (!automaticScreenReporting_) {
    Monitor().logWithLevel(3, 31000, "Ignoring call to setScreenName:screenClass:. Screen reporting is disabled.");
    return;
  }
  if (screenName && !IsValidScreenText(*screenName)) {
    Monitor().logWithLevel(3, 31001, "Received invalid screen name", APMLogContext(*screenName));
    return;
  }
  if (screenClass && !IsValidScreenText(*screenClass)) {
    Monitor().logWithLevel(3, 31002, "Received invalid screen class", APMLogContext(*screenClass));
    return;
  }
  std::shared_ptr<uikit::ViewController> top;
  if (std::shared_ptr<uikit::Window> keyWindow = uikit::Application::shared().keyWindow()) {
    if (StackPtr stack = apmStack(*keyWindow)) {
      Compact(*stack);
      if (!stack->empty()) top = stack->back().lock();
    }
  }
  if (!top) {
    Monitor().logWithLevel(3, 31003, "setScreenName:screenClass: must be called after a view controller has appeared");
    return;
  }
  const std::optional<std::string> className =
      screenClass ? screenClass : std::optional<std::string>(classNameWithoutModule(top->className()));
  ScreenPtr previous;
  ScreenPtr screen;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (currentScreen_ && currentScreen_->name() == screenName && currentScreen_->className() == className) {
      Monitor().logWithLevel(7, 31004, "Ignoring duplicate screen name and screen class");
      return;
    }
    currentScreenInstanceID_ = static_cast<int64_t>(static_cast<uint64_t>(currentScreenInstanceID_) + 1);
    screen = std::make_shared<APMScreen>(screenName, className, currentScreenInstanceID_);
    screen->setIsManuallySet(true);
    setApmScreen(*top, screen);
    currentViewController_ = top;
    Monitor().logWithLevel(7, 31009, "Set screen name and screen class", APMLogContext(screenName.value_or("")),
                           APMLogContext(className.value_or("")));
    if (currentScreen_) previous = std::make_shared<APMScreen>(currentScreen_->copy());
    currentScreen_ = screen;
  }
  postScreenDidChangeNotificationWithPreviousScreen(previous, screen);
  if (automaticScreenReporting_) logViewScreenEventWithPreviousScreen(previous, screen, {});
}

void APMScreenViewReporter::trackScreenWithParameters(const APMParameterObjects& parameters, double timestamp) {
  if (!isAppActive_.load() && appHasBeenInitialized_.load()) {
    Monitor().logWithLevel(3, 31026, "Cannot log screen view event when the app is not active");
    return;
  }
  std::optional<std::string> screenName;
  std::optional<std::string> screenClass;
  if (!ScreenText(parameters, "screen_name", &screenName)) {
    Monitor().logWithLevel(3, 31027, "Received invalid name for screen");
    return;
  }
  if (!ScreenText(parameters, "screen_class", &screenClass)) {
    Monitor().logWithLevel(3, 31028, "Received invalid class for screen");
    return;
  }
  if (!screenClass) {
    if (!platform::RunLoop::isMainThread()) {
      if (automaticScreenReporting_) {
        std::lock_guard<std::mutex> lock(mu_);
        if (currentScreen_) screenClass = currentScreen_->className();
      }
    } else {
      for (const std::shared_ptr<uikit::Window>& window : uikit::Application::shared().windows()) {
        if (!window || !window->isKeyWindow()) continue;
        if (auto root = window->rootViewController()) screenClass = classNameWithoutModule(root->className());
        break;
      }
    }
  }
  ScreenPtr previous;
  ScreenPtr screen;
  {
    std::lock_guard<std::mutex> lock(mu_);
    currentScreenInstanceID_ = static_cast<int64_t>(static_cast<uint64_t>(currentScreenInstanceID_) + 1);
    screen = std::make_shared<APMScreen>(screenName, screenClass, currentScreenInstanceID_);
    screen->setIsManuallyTracked(true);
    screen->setEventTimestamp(timestamp);
    previous = currentScreen_;
    currentScreen_ = screen;
  }
  Monitor().logWithLevel(7, 31029, "Logging screen view with screen name and screen class",
                         APMLogContext(screenName.value_or("")), APMLogContext(screenClass.value_or("")));
  std::weak_ptr<APMScreenViewReporter> weakSelf = weak_from_this();
  queue_->async([weakSelf, previous, screen, parameters] {
    auto self = weakSelf.lock();
    if (!self) return;
    self->postScreenDidChangeNotificationWithPreviousScreen(previous, screen);
    APMEvent::Parameters extras =
        APMSanitizeEventParameters(parameters, std::string("screen_view"), true, false).value_or(APMEvent::Parameters{});
    extras.erase("screen_name");
    extras.erase("screen_class");
    self->logViewScreenEventWithPreviousScreen(previous, screen, std::move(extras));
  });
}

APMEvent::Parameters APMScreenViewReporter::screenParameters() {
  std::lock_guard<std::mutex> lock(mu_);
  return screenParametersLocked();
}

APMEvent::Parameters APMScreenViewReporter::screenParametersLocked() const {
  if (!allowScreenParameters_.load()) return {};
  if (!isAppActive_.load() && appHasBeenInitialized_.load()) return {};
  if (!currentScreen_) return {};
  APMEvent::Parameters parameters{{"_si", APMValue(currentScreen_->instanceID())}};
  if (const auto& className = currentScreen_->className(); className && !className->empty()) {
    parameters.emplace("_sc", APMValue(*className));
  }
  if (const auto& name = currentScreen_->name(); name && !name->empty()) parameters.emplace("_sn", APMValue(*name));
  return parameters;
}

void APMScreenViewReporter::getScreenName(std::optional<std::string>* screenName,
                                          std::optional<std::string>* screenClass) {
  if (screenName == nullptr && screenClass == nullptr) return;
  std::lock_guard<std::mutex> lock(mu_);
  if (screenName != nullptr) *screenName = currentScreen_ ? currentScreen_->name() : std::nullopt;
  if (screenClass != nullptr) *screenClass = currentScreen_ ? currentScreen_->className() : std::nullopt;
}

void APMScreenViewReporter::postScreenDidChangeNotificationWithPreviousScreen(const ScreenPtr& previousScreen,
                                                                              const ScreenPtr& newScreen) {
  if (!isAppActive_.load()) return;
  if (previousScreen) {
    if (std::shared_ptr<APMSessionReporter> session = EngineSessionReporter()) {
      session->handleScreenDidChangeFromScreen(previousScreen.get(), newScreen.get());
    }
  }
  std::optional<APMEvent::Parameters> left;
  if (previousScreen) left = previousScreen->currentScreenParameters();
  APMAdExposureReporter::sharedInstance()->handleScreenDidChangeFromScreen(left);
}

void APMScreenViewReporter::logViewScreenEventWithPreviousScreen(const ScreenPtr& previousScreen,
                                                                 const ScreenPtr& newScreen,
                                                                 APMEvent::Parameters parameters) {
  if (!newScreen) return;
  if (!isAppActive_.load() && appHasBeenInitialized_.load()) {
    Monitor().logWithLevel(7, 31013, "Screen view event not logged. App is not active.");
    return;
  }
  for (auto& [key, value] : newScreen->currentScreenParameters()) parameters.insert_or_assign(key, value);
  if (previousScreen) {
    for (auto& [key, value] : previousScreen->previousScreenParameters()) parameters.insert_or_assign(key, value);
    if (APMEngineHooks::remoteConfig()->efficientEngagementReportingEnabled()) {
      if (std::shared_ptr<APMSessionReporter> session = EngineSessionReporter()) {
        int64_t millis = session->cutFreerideEngagementTimeMillis();
        if (millis >= 1) parameters.insert_or_assign("_et", APMValue(millis));
      }
    }
  }
  if (!automaticScreenReporting_) parameters.insert_or_assign("_mst", APMValue(int64_t{1}));
  if (!APMHasScreenParameters(parameters)) {
    Monitor().logWithLevel(1, 31012, "Screen view event not logged. Screen parameters were empty");
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mu_);
    previousScreen_ = newScreen;
  }
  if (newScreen->isManuallyTracked()) {
    LogInternalEvent("app", "_vs", parameters, newScreen->eventTimestamp());
  } else {
    LogInternalEvent("auto", "_vs", parameters, std::nullopt);
  }
}

// ---- Activity ----

void APMScreenViewReporter::handleApplicationDidBecomeActive() {
  isAppActive_ = true;
  appHasBeenInitialized_ = true;
  if (std::shared_ptr<APMSessionReporter> session = EngineSessionReporter()) session->handleAppDidBecomeActive();
  APMAdExposureReporter::sharedInstance()->handleAppDidBecomeActive();
  if (!automaticScreenReporting_) return;
  // A change made while inactive is logged now.
  std::weak_ptr<APMScreenViewReporter> weakSelf = weak_from_this();
  queue_->async([weakSelf] {
    auto self = weakSelf.lock();
    if (!self) return;
    ScreenPtr previous;
    ScreenPtr current;
    {
      std::lock_guard<std::mutex> lock(self->mu_);
      previous = self->previousScreen_;
      current = self->currentScreen_;
    }
    if (current && previous != current) self->logViewScreenEventWithPreviousScreen(previous, current, {});
  });
}

void APMScreenViewReporter::handleApplicationWillResignActive() {
  if (!automaticScreenReporting_ || !isAppActive_.load()) return;
  ScreenPtr screen;
  if (allowScreenParameters_.load()) {
    std::lock_guard<std::mutex> lock(mu_);
    screen = currentScreen_;
  }
  if (std::shared_ptr<APMSessionReporter> session = EngineSessionReporter()) {
    session->handleAppWillResignActiveWithScreen(screen.get());
  }
  std::optional<APMEvent::Parameters> parameters;
  if (screen) parameters = screen->currentScreenParameters();
  APMAdExposureReporter::sharedInstance()->handleAppWillResignActiveWithScreen(parameters);
}

void APMScreenViewReporter::handleApplicationDidEnterBackground() { isAppActive_ = false; }
