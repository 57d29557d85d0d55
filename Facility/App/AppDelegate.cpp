#include "Facility/App/AppDelegate.h"

#include <cctype>

#include "Facility/App/AppServices.h"
#include "Facility/App/SceneDelegate.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Window.h"
#include "Platform/Foundation/Utf8.h"

bool AppDelegate::applicationDidFinishLaunchingWithOptions(uikit::Application& app,
                                                           const uikit::LaunchOptions& options) {
  (void)app, (void)options;
  auto services = AppServices::current();
  services->configureMessagingCore();
  services->setMessagingDelegate(std::static_pointer_cast<platform::QRVMessagingDelegate>(shared_from_this()));
  services->setNotificationCenterDelegate(
      std::static_pointer_cast<platform::UNUserNotificationCenterDelegate>(shared_from_this()));
  services->requestNotificationAuthorization(
      platform::kUNAuthorizationBadge | platform::kUNAuthorizationSound | platform::kUNAuthorizationAlert,
      [services](bool granted, std::optional<std::string> error) {
        // Answered on the centre's own thread: register on the main one.
        if (!granted || error) return;
        platform::RunLoop::main().async([services] { services->registerForRemoteNotifications(); });
      });
  services->enableTapAndGo();
  services->requestAlwaysLocationAuthorization();
  services->startReachability();
  services->enableKeyboardAvoidance();
  services->styleNavigationBars();
  services->startBleScan();
  return true;
}

uikit::SceneConfiguration AppDelegate::applicationConfigurationForConnectingSceneSessionOptions(
    uikit::Application& app, uikit::SceneSession& session, const uikit::SceneConnectionOptions& options) {
  (void)app, (void)options;
  return uikit::SceneConfiguration(kSceneConfigurationName, session.role());
}

void AppDelegate::applicationDidDiscardSceneSessions(uikit::Application& app,
                                                     const std::vector<std::shared_ptr<uikit::SceneSession>>& sessions) {
  (void)app, (void)sessions;
}

void AppDelegate::applicationDidRegisterForRemoteNotificationsWithDeviceToken(uikit::Application& app,
                                                                              const std::vector<std::uint8_t>& token) {
  (void)app;
  platform::QRVMessaging::messaging().setAPNSToken(token);
}

void AppDelegate::applicationDidFailToRegisterForRemoteNotificationsWithError(uikit::Application& app,
                                                                              const std::string& error) {
  (void)app;
  platform::LogError("Failed to register for remote notifications: " + error);
}

void AppDelegate::applicationDidReceiveRemoteNotification(uikit::Application& app,
                                                          const uikit::RemoteNotification& userInfo) {
  (void)app, (void)userInfo;
}

void AppDelegate::applicationDidReceiveRemoteNotificationFetchCompletionHandler(
    uikit::Application& app, const uikit::RemoteNotification& userInfo,
    std::function<void(uikit::BackgroundFetchResult)> handler) {
  (void)app, (void)userInfo;
  // Nothing is fetched for such deliveries.
  if (handler) handler(uikit::BackgroundFetchResult::kNoData);
}

void AppDelegate::messagingDidReceiveRegistrationToken(platform::QRVMessaging& messaging,
                                                       const std::optional<std::string>& token) {
  (void)messaging;
  platform::LogInfo("Quorvane registration token: " + (token ? "Optional(\"" + *token + "\")" : std::string("nil")));
  if (!token || platform::Utf8::isBlank(*token)) return;
  (void)UserDefaultsKey::defaults().setString(*token, kMessagingTokenKey);
}

void AppDelegate::userNotificationCenterDidReceiveNotificationResponseWithCompletionHandler(
    platform::UNUserNotificationCenter& center, const platform::UNNotificationResponse& response,
    std::function<void()> completionHandler) {
  (void)center;
  std::string info = "[";
  for (const auto& [k, v] : response.userInfo) info += (info.size() > 1 ? ", \"" : "\"") + k + "\": \"" + v + "\"";
  platform::LogInfo(info + "]");
  // Without a signed-in user the list could not load: its request would wait
  // for a token refresh that never comes.
  if (!UserDefaultsAccess::isSet(UserDefaultsKey::isUserLogin)) {
    if (completionHandler) completionHandler();
    return;
  }
  auto list = Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "FacilityAdminNotificationListVC");
  auto window = uikit::Application::shared().keyWindow();
  auto top = window ? LocalStorage::topViewController(window->rootViewController()) : nullptr;
  if (top) {
    platform::LogInfo("Topmost view controller: " + top->description());
    if (auto nav = top->navigationController(); nav && list) nav->pushViewController(list, true);
  } else {
    platform::LogInfo("No topmost view controller found");
  }
  if (completionHandler) completionHandler();
}
