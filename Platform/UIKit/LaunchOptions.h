// Why the application was launched: a URL to open and/or a user activity to
// continue. Handed to the delegate's did-finish-launching and carried as the
// user info of the did-finish-launching notification.
#pragma once

#include <optional>
#include <string>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserActivity.h"

namespace uikit {

// User-info keys of the did-finish-launching notification. The activity entry
// is a dictionary holding the activity's type and the activity itself (a
// dictionary of kUserActivityTypeKey and, when there is one, kUserActivityWebpageURLKey).
inline constexpr const char* kLaunchOptionsURLKey = "UIApplicationLaunchOptionsURLKey";
inline constexpr const char* kLaunchOptionsUserActivityDictionaryKey = "UIApplicationLaunchOptionsUserActivityDictionaryKey";
inline constexpr const char* kLaunchOptionsUserActivityTypeKey = "UIApplicationLaunchOptionsUserActivityTypeKey";
inline constexpr const char* kLaunchOptionsUserActivityKey = "UIApplicationLaunchOptionsUserActivityKey";
inline constexpr const char* kUserActivityTypeKey = "activityType";
inline constexpr const char* kUserActivityWebpageURLKey = "webpageURL";

struct LaunchOptions {
  std::optional<std::string> url;
  std::optional<platform::UserActivity> userActivity;

  bool empty() const { return !url && !userActivity; }
  // The notification's user info; empty for a plain launch.
  platform::NotificationUserInfo userInfo() const;
  // The activity stored under kLaunchOptionsUserActivityKey, read back; none
  // when the entry is missing or has no type.
  static std::optional<platform::UserActivity> userActivityFromUserInfo(const platform::NotificationUserInfo& info);
};

}  // namespace uikit
