#include "Analytics/Engine/Interface/APMAppDelegateInterceptor.h"

#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"

const std::shared_ptr<APMAppDelegateInterceptor>& APMAppDelegateInterceptor::sharedInstance() {
  static const auto* shared = new std::shared_ptr<APMAppDelegateInterceptor>(std::make_shared<APMAppDelegateInterceptor>());
  return *shared;
}

bool APMAppDelegateInterceptor::applicationOpenURL(const std::string& url,
                                                   const std::map<std::string, std::string>& options) {
  (void)options;
  APMAnalytics::handleOpenURL(url);
  return false;
}

bool APMAppDelegateInterceptor::applicationContinueUserActivity(const platform::UserActivity& activity) {
  std::optional<std::string> url = APMMeasurement::deepLinkFromUserActivity(activity);
  if (url && !url->empty()) APMAnalytics::handleOpenURL(*url);
  return false;
}

void APMAppDelegateInterceptor::applicationHandleEventsForBackgroundURLSession(
    const std::string& identifier, const std::function<void()>& completion) {
  platform::TVUNetwork::handleEventsForBackgroundURLSessionID(identifier, completion);
}
