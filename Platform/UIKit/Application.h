// The shared application: its delegate, connected scenes, windows, the key
// window, remote-notification registration and opened URLs.
//
// Tests and the console driver move the application through its life:
// launch() runs the delegate's launch and connects one window scene; then
// resignActive(), enterBackground(), enterForeground(), becomeActive() and
// disconnectScene() run the scene delegate's callbacks and post the
// application notifications on the default notification centre.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UIKit/ApplicationDelegate.h"
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

enum class ApplicationState { kActive, kInactive, kBackground };

class Application : public Responder {
 public:
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
};

}  // namespace uikit
