#include "Platform/UIKit/LaunchOptions.h"

namespace uikit {

platform::NotificationUserInfo LaunchOptions::userInfo() const {
  platform::NotificationUserInfo info;
  if (url) info[kLaunchOptionsURLKey] = *url;
  if (userActivity) {
    platform::Value::Dictionary activity{{kUserActivityTypeKey, userActivity->activityType}};
    if (userActivity->webpageURL) activity[kUserActivityWebpageURLKey] = *userActivity->webpageURL;
    info[kLaunchOptionsUserActivityDictionaryKey] = platform::Value::Dictionary{
        {kLaunchOptionsUserActivityTypeKey, userActivity->activityType},
        {kLaunchOptionsUserActivityKey, std::move(activity)},
    };
  }
  return info;
}

std::optional<platform::UserActivity> LaunchOptions::userActivityFromUserInfo(
    const platform::NotificationUserInfo& info) {
  auto entry = info.find(kLaunchOptionsUserActivityDictionaryKey);
  if (entry == info.end()) return std::nullopt;
  const platform::Value* activity = entry->second.find(kLaunchOptionsUserActivityKey);
  if (!activity) return std::nullopt;
  const platform::Value* type = activity->find(kUserActivityTypeKey);
  if (!type || !type->getString()) return std::nullopt;
  platform::UserActivity out{*type->getString(), std::nullopt};
  if (const platform::Value* page = activity->find(kUserActivityWebpageURLKey); page && page->getString()) {
    out.webpageURL = *page->getString();
  }
  return out;
}

}  // namespace uikit
