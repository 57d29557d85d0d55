// The application's delegate: the launch sequence, push registration, the
// messaging registration token and notification taps.
#pragma once

#include <memory>

#include "Platform/QuorvaneMessaging/QRVMessaging.h"
#include "Platform/UIKit/ApplicationDelegate.h"
#include "Platform/UserNotifications/UNUserNotificationCenter.h"

class AppDelegate : public uikit::ApplicationDelegate,
                    public platform::UNUserNotificationCenterDelegate,
                    public platform::QRVMessagingDelegate,
                    public std::enable_shared_from_this<AppDelegate> {
 public:
  static constexpr const char* kSceneConfigurationName = "Default Configuration";

  bool applicationDidFinishLaunchingWithOptions(uikit::Application& app, const uikit::LaunchOptions& options) override;
  uikit::SceneConfiguration applicationConfigurationForConnectingSceneSessionOptions(
      uikit::Application& app, uikit::SceneSession& session, const uikit::SceneConnectionOptions& options) override;
  void applicationDidDiscardSceneSessions(uikit::Application& app,
                                          const std::vector<std::shared_ptr<uikit::SceneSession>>& sessions) override;
  void applicationDidRegisterForRemoteNotificationsWithDeviceToken(uikit::Application& app,
                                                                   const std::vector<std::uint8_t>& token) override;
  void applicationDidFailToRegisterForRemoteNotificationsWithError(uikit::Application& app,
                                                                   const std::string& error) override;
  void applicationDidReceiveRemoteNotification(uikit::Application& app,
                                               const uikit::RemoteNotification& userInfo) override;
  void applicationDidReceiveRemoteNotificationFetchCompletionHandler(
      uikit::Application& app, const uikit::RemoteNotification& userInfo,
      std::function<void(uikit::BackgroundFetchResult)> handler) override;

  void messagingDidReceiveRegistrationToken(platform::QRVMessaging& messaging,
                                            const std::optional<std::string>& token) override;
  void userNotificationCenterDidReceiveNotificationResponseWithCompletionHandler(
      platform::UNUserNotificationCenter& center, const platform::UNNotificationResponse& response,
      std::function<void()> completionHandler) override;
};
