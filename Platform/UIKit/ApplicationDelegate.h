// The application's delegate: launch, scene configuration, remote
// notifications, URLs, user activities and background URL sessions.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/UserActivity.h"
#include "Platform/UIKit/LaunchOptions.h"
#include "Platform/UIKit/SceneConfiguration.h"

namespace uikit {

class Application;
class SceneSession;
struct SceneConnectionOptions;

using RemoteNotification = std::map<std::string, std::string>;

enum class BackgroundFetchResult { kNewData, kNoData, kFailed };

class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual bool applicationDidFinishLaunchingWithOptions(Application& app, const LaunchOptions& options) {
    (void)app, (void)options;
    return true;
  }
  virtual SceneConfiguration applicationConfigurationForConnectingSceneSessionOptions(
      Application& app, SceneSession& session, const SceneConnectionOptions& options);
  virtual void applicationDidDiscardSceneSessions(Application& app,
                                                  const std::vector<std::shared_ptr<SceneSession>>& sessions) {
    (void)app, (void)sessions;
  }
  virtual void applicationDidRegisterForRemoteNotificationsWithDeviceToken(Application& app,
                                                                          const std::vector<std::uint8_t>& token) {
    (void)app, (void)token;
  }
  virtual void applicationDidFailToRegisterForRemoteNotificationsWithError(Application& app, const std::string& error) {
    (void)app, (void)error;
  }
  virtual void applicationDidReceiveRemoteNotification(Application& app, const RemoteNotification& userInfo) {
    (void)app, (void)userInfo;
  }
  virtual void applicationDidReceiveRemoteNotificationFetchCompletionHandler(
      Application& app, const RemoteNotification& userInfo, std::function<void(BackgroundFetchResult)> handler) {
    (void)app, (void)userInfo;
    if (handler) handler(BackgroundFetchResult::kNoData);
  }
  virtual bool applicationOpenURLOptions(Application& app, const std::string& url,
                                         const std::map<std::string, std::string>& options) {
    (void)app, (void)url, (void)options;
    return false;
  }
  // Whether this delegate takes opened URLs itself (the platform asks before
  // calling applicationOpenURLOptions directly); a delegate that overrides
  // that callback answers YES here too.
  virtual bool implementsApplicationOpenURLOptions() const { return false; }
  virtual bool applicationContinueUserActivity(Application& app, const platform::UserActivity& activity) {
    (void)app, (void)activity;
    return false;
  }
  // The default has no background session to finish and says so at once.
  virtual void applicationHandleEventsForBackgroundURLSession(Application& app, const std::string& identifier,
                                                              std::function<void()> completion) {
    (void)app, (void)identifier;
    if (completion) completion();
  }
};

}  // namespace uikit
