// The shared application: its delegate, connected scenes, windows, the key
// window, remote-notification registration and opened URLs.
//
// Tests and the console driver move the application through its life:
// launch() runs the pending load hooks (platform::LoadHookRegistry), the
// delegate's launch, posts did-finish-launching with the launch options as
// user info, and connects one window scene (posting will-connect with the
// scene as object before its delegate hears it); then
// resignActive(), enterBackground(), enterForeground(), becomeActive() and
// disconnectScene() run the scene delegate's callbacks and post the
// application notifications on the default notification centre.
//
// The system's calls into the delegate (an opened URL, a continued user
// activity, background URL session events) go first to the delegate proxy
// when one is installed, then to the delegate.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/ApplicationDelegate.h"
#include "Platform/UIKit/ApplicationDelegateProxy.h"
#include "Platform/UIKit/BackgroundTasks.h"
#include "Platform/UIKit/Object.h"
#include "Platform/UIKit/Responder.h"
#include "Platform/UIKit/SceneConfiguration.h"
#include "Platform/UIKit/WindowScene.h"

namespace uikit {

class Window;

inline constexpr const char* kApplicationDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* kApplicationWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
inline constexpr const char* kApplicationDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* kApplicationWillEnterForegroundNotification = "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* kApplicationDidFinishLaunchingNotification = "UIApplicationDidFinishLaunchingNotification";
// Object: the scene (std::shared_ptr<Scene>).
inline constexpr const char* kSceneWillConnectNotification = "UISceneWillConnectNotification";

enum class ApplicationState { kActive, kInactive, kBackground };

class Application : public Responder {
 public:
  // Any thread (made once under a lock); its members are the main thread's.
  static Application& shared();
  // Drops the shared application and everything it holds (test isolation).
  static void resetShared();

  void setDelegate(std::shared_ptr<ApplicationDelegate> delegate) { delegate_ = std::move(delegate); }
  std::shared_ptr<ApplicationDelegate> delegate() const { return delegate_; }

  // The manifest: scene delegate factory per configuration name.
  void registerSceneConfiguration(const std::string& name, SceneConfiguration::DelegateFactory factory);

  // Runs the launch, then connects a window scene and activates it.
  bool launch(const LaunchOptions& options = {});
  std::shared_ptr<WindowScene> connectScene(const SceneConnectionOptions& options = {});
  void disconnectScene(const std::shared_ptr<Scene>& scene);
  void resignActive();
  void enterBackground();
  void enterForeground();
  void becomeActive();
  ApplicationState applicationState() const { return state_; }

  const std::vector<std::shared_ptr<Scene>>& connectedScenes() const { return scenes_; }
  std::vector<std::shared_ptr<Window>> windows() const;
  std::shared_ptr<Window> keyWindow() const { return keyWindow_.lock(); }
  void registerWindow(const std::shared_ptr<Window>& window);
  void setKeyWindow(const std::shared_ptr<Window>& window) { keyWindow_ = window; }

  // Remote notifications. The registration answers in a later run-loop turn
  // with the token or error set for it (none set: nothing answers).
  void registerForRemoteNotifications();
  bool isRegisteredForRemoteNotifications() const { return registeredForRemote_; }
  int remoteRegistrationCount() const { return remoteRegistrations_; }
  void setRemoteNotificationRegistrationResult(std::optional<std::vector<std::uint8_t>> token,
                                               std::string error = {});
  void deliverRemoteNotification(const RemoteNotification& userInfo);

  // The system hands the app a URL, a user activity or background session
  // events: the proxy first, then the delegate. The first two answer whether
  // either handled it. The session's completion runs at most once, however
  // many of them call it.
  bool deliverOpenURL(const std::string& url, const std::map<std::string, std::string>& options = {});
  bool deliverContinueUserActivity(const platform::UserActivity& activity);
  void deliverBackgroundURLSessionEvents(const std::string& identifier, std::function<void()> completion);
  // Process-wide (survives resetShared, like the library that installs it).
  static void setDelegateProxy(std::shared_ptr<ApplicationDelegateProxy> proxy);
  static std::shared_ptr<ApplicationDelegateProxy> delegateProxy();

  // Background tasks (any thread). Tests expire them through backgroundTasks().
  BackgroundTaskIdentifier beginBackgroundTask(std::string name, std::function<void()> expiryHandler);
  bool endBackgroundTask(BackgroundTaskIdentifier identifier);
  BackgroundTasks& backgroundTasks() { return backgroundTasks_; }

  // URLs: every open is recorded; canOpen answers from the handler (default
  // true for any non-empty text).
  void openURL(const std::string& url, const std::map<std::string, std::string>& options = {},
               std::function<void(bool)> completion = nullptr);
  bool canOpenURL(const std::string& url) const;
  void setCanOpenURLHandler(std::function<bool(const std::string&)> handler) { canOpen_ = std::move(handler); }
  const std::vector<std::string>& openedURLs() const { return openedURLs_; }

  long applicationIconBadgeNumber = 0;

 private:
  Application() = default;
  void forEachSceneDelegate(const std::function<void(SceneDelegate&, Scene&)>& fn);
  void post(const char* name);

  std::shared_ptr<ApplicationDelegate> delegate_;
  std::map<std::string, SceneConfiguration::DelegateFactory> manifest_;
  std::vector<std::shared_ptr<Scene>> scenes_;
  std::vector<std::weak_ptr<Window>> windows_;
  std::weak_ptr<Window> keyWindow_;
  ApplicationState state_ = ApplicationState::kInactive;
  bool registeredForRemote_ = false;
  int remoteRegistrations_ = 0;
  std::optional<std::vector<std::uint8_t>> remoteToken_;
  std::string remoteError_;
  bool hasRemoteResult_ = false;
  std::function<bool(const std::string&)> canOpen_;
  std::vector<std::string> openedURLs_;
  int nextSession_ = 1;
  BackgroundTasks backgroundTasks_;
};

}  // namespace uikit
