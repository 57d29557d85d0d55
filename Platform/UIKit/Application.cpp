#include "Platform/UIKit/Application.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Runtime/LoadHookRegistry.h"
#include "Platform/UIKit/Window.h"

namespace uikit {

SceneConfiguration ApplicationDelegate::applicationConfigurationForConnectingSceneSessionOptions(
    Application& app, SceneSession& session, const SceneConnectionOptions& options) {
  (void)app, (void)options;
  return SceneConfiguration("Default Configuration", session.role());
}

namespace {
// Reached from any thread (the engine asks for the key window from its
// queues), so made and swapped under a lock.
struct SharedSlot {
  std::mutex mu;
  std::shared_ptr<Application> app;
};

SharedSlot& sharedSlot() {
  static SharedSlot* slot = new SharedSlot;
  return *slot;
}

struct ProxySlot {
  std::mutex mu;
  std::shared_ptr<ApplicationDelegateProxy> proxy;
};

ProxySlot& proxySlot() {
  static ProxySlot* slot = new ProxySlot;
  return *slot;
}
}  // namespace

Application& Application::shared() {
  auto& slot = sharedSlot();
  std::lock_guard<std::mutex> lock(slot.mu);
  if (!slot.app) slot.app = std::shared_ptr<Application>(new Application());
  return *slot.app;
}

void Application::resetShared() {
  std::shared_ptr<Application> old;
  {
    std::lock_guard<std::mutex> lock(sharedSlot().mu);
    old = std::move(sharedSlot().app);
    sharedSlot().app = nullptr;
  }
  old.reset();  // outside the lock: what it holds may ask for the application
}

void Application::registerSceneConfiguration(const std::string& name, SceneConfiguration::DelegateFactory factory) {
  manifest_[name] = std::move(factory);
}

bool Application::launch(const LaunchOptions& options) {
  platform::LoadHookRegistry::shared().runPending();
  bool ok = true;
  if (auto d = delegate_) ok = d->applicationDidFinishLaunchingWithOptions(*this, options);
  platform::NotificationCenter::defaultCenter().post(kApplicationDidFinishLaunchingNotification, options.userInfo());
  connectScene();
  return ok;
}

std::shared_ptr<WindowScene> Application::connectScene(const SceneConnectionOptions& options) {
  auto session = std::make_shared<SceneSession>("session-" + std::to_string(nextSession_++),
                                                kWindowSceneSessionRoleApplication);
  SceneConfiguration config("Default Configuration", session->role());
  if (auto d = delegate_) config = d->applicationConfigurationForConnectingSceneSessionOptions(*this, *session, options);
  session->setConfiguration(config);
  auto scene = std::make_shared<WindowScene>(session);
  SceneConfiguration::DelegateFactory factory = config.delegateFactory();
  if (!factory) {
    auto it = manifest_.find(config.name());
    if (it != manifest_.end()) factory = it->second;
  }
  if (factory) scene->setDelegate(factory());
  scenes_.push_back(scene);
  scene->setActivationState(SceneActivationState::kForegroundInactive);
  platform::Notification willConnect{kSceneWillConnectNotification, {}, std::shared_ptr<Scene>(scene)};
  platform::NotificationCenter::defaultCenter().post(willConnect);
  if (auto sd = scene->delegate()) sd->sceneWillConnectToSessionOptions(*scene, *session, options);
  enterForeground();
  becomeActive();
  return scene;
}

void Application::disconnectScene(const std::shared_ptr<Scene>& scene) {
  auto it = std::find(scenes_.begin(), scenes_.end(), scene);
  if (it == scenes_.end()) return;
  auto keep = scene;
  scenes_.erase(it);
  scene->setActivationState(SceneActivationState::kUnattached);
  if (auto sd = scene->delegate()) sd->sceneDidDisconnect(*scene);
}

void Application::forEachSceneDelegate(const std::function<void(SceneDelegate&, Scene&)>& fn) {
  auto scenes = scenes_;
  for (const auto& s : scenes) {
    if (auto d = s->delegate()) fn(*d, *s);
  }
}

void Application::post(const char* name) { platform::NotificationCenter::defaultCenter().post(name); }

void Application::resignActive() {
  if (state_ != ApplicationState::kActive) return;
  state_ = ApplicationState::kInactive;
  for (const auto& s : scenes_) s->setActivationState(SceneActivationState::kForegroundInactive);
  forEachSceneDelegate([](SceneDelegate& d, Scene& s) { d.sceneWillResignActive(s); });
  post(kApplicationWillResignActiveNotification);
}

void Application::enterBackground() {
  resignActive();
  if (state_ == ApplicationState::kBackground) return;
  state_ = ApplicationState::kBackground;
  for (const auto& s : scenes_) s->setActivationState(SceneActivationState::kBackground);
  forEachSceneDelegate([](SceneDelegate& d, Scene& s) { d.sceneDidEnterBackground(s); });
  post(kApplicationDidEnterBackgroundNotification);
}

void Application::enterForeground() {
  if (state_ == ApplicationState::kActive) return;
  bool fromBackground = state_ == ApplicationState::kBackground;
  state_ = ApplicationState::kInactive;
  for (const auto& s : scenes_) s->setActivationState(SceneActivationState::kForegroundInactive);
  forEachSceneDelegate([](SceneDelegate& d, Scene& s) { d.sceneWillEnterForeground(s); });
  if (fromBackground) post(kApplicationWillEnterForegroundNotification);
}

void Application::becomeActive() {
  if (state_ == ApplicationState::kActive) return;
  if (state_ == ApplicationState::kBackground) enterForeground();
  state_ = ApplicationState::kActive;
  for (const auto& s : scenes_) s->setActivationState(SceneActivationState::kForegroundActive);
  forEachSceneDelegate([](SceneDelegate& d, Scene& s) { d.sceneDidBecomeActive(s); });
  post(kApplicationDidBecomeActiveNotification);
}

std::vector<std::shared_ptr<Window>> Application::windows() const {
  std::vector<std::shared_ptr<Window>> out;
  for (const auto& w : windows_) {
    if (auto s = w.lock()) out.push_back(s);
  }
  return out;
}

void Application::registerWindow(const std::shared_ptr<Window>& window) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [](const auto& w) { return w.expired(); }),
                 windows_.end());
  for (const auto& w : windows_) {
    if (w.lock() == window) return;
  }
  windows_.push_back(window);
}

void Application::registerForRemoteNotifications() {
  ++remoteRegistrations_;
  if (!hasRemoteResult_) return;
  auto token = remoteToken_;
  auto error = remoteError_;
  platform::RunLoop::main().async([token, error] {
    auto& app = Application::shared();
    auto d = app.delegate();
    if (token) {
      app.registeredForRemote_ = true;
      if (d) d->applicationDidRegisterForRemoteNotificationsWithDeviceToken(app, *token);
    } else if (d) {
      d->applicationDidFailToRegisterForRemoteNotificationsWithError(app, error);
    }
  });
}

void Application::setRemoteNotificationRegistrationResult(std::optional<std::vector<std::uint8_t>> token,
                                                          std::string error) {
  remoteToken_ = std::move(token);
  remoteError_ = std::move(error);
  hasRemoteResult_ = true;
}

void Application::deliverRemoteNotification(const RemoteNotification& userInfo) {
  if (auto d = delegate_) d->applicationDidReceiveRemoteNotification(*this, userInfo);
}

void Application::openURL(const std::string& url, const std::map<std::string, std::string>& options,
                          std::function<void(bool)> completion) {
  (void)options;
  openedURLs_.push_back(url);
  bool ok = canOpenURL(url);
  if (completion) {
    platform::RunLoop::main().async([completion, ok] { completion(ok); });
  }
}

void Application::setDelegateProxy(std::shared_ptr<ApplicationDelegateProxy> proxy) {
  std::lock_guard<std::mutex> lock(proxySlot().mu);
  proxySlot().proxy = std::move(proxy);
}

std::shared_ptr<ApplicationDelegateProxy> Application::delegateProxy() {
  std::lock_guard<std::mutex> lock(proxySlot().mu);
  return proxySlot().proxy;
}

bool Application::deliverOpenURL(const std::string& url, const std::map<std::string, std::string>& options) {
  bool handled = false;
  if (auto proxy = delegateProxy()) handled = proxy->openURL(url, options);
  if (auto d = delegate_) handled = d->applicationOpenURLOptions(*this, url, options) || handled;
  return handled;
}

bool Application::deliverContinueUserActivity(const platform::UserActivity& activity) {
  bool handled = false;
  if (auto proxy = delegateProxy()) handled = proxy->continueUserActivity(activity);
  if (auto d = delegate_) handled = d->applicationContinueUserActivity(*this, activity) || handled;
  return handled;
}

void Application::deliverBackgroundURLSessionEvents(const std::string& identifier, std::function<void()> completion) {
  // The system's handler must run once; both the proxy and the delegate may call it.
  auto called = std::make_shared<std::atomic<bool>>(false);
  std::function<void()> once = [called, completion = std::move(completion)] {
    if (!called->exchange(true) && completion) completion();
  };
  if (auto proxy = delegateProxy()) proxy->handleEventsForBackgroundURLSession(identifier, once);
  if (auto d = delegate_) d->applicationHandleEventsForBackgroundURLSession(*this, identifier, once);
}

BackgroundTaskIdentifier Application::beginBackgroundTask(std::string name, std::function<void()> expiryHandler) {
  return backgroundTasks_.begin(std::move(name), std::move(expiryHandler));
}

bool Application::endBackgroundTask(BackgroundTaskIdentifier identifier) { return backgroundTasks_.end(identifier); }

bool Application::canOpenURL(const std::string& url) const {
  if (canOpen_) return canOpen_(url);
  return !url.empty();
}

}  // namespace uikit
