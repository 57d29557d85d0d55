// The facade's listener on the app delegate: opened URLs and continued web
// activities become campaign URLs, background-session events go to the
// network. It never handles a call for the app (answers NO), so the app's
// delegate still sees every one.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Platform/Foundation/UserActivity.h"
#include "Platform/TrivandelUtilities/TVUAppDelegateSwizzler.h"

class APMAppDelegateInterceptor : public platform::TVUAppDelegateInterceptor {
 public:
  static const std::shared_ptr<APMAppDelegateInterceptor>& sharedInstance();

  bool applicationOpenURL(const std::string& url, const std::map<std::string, std::string>& options) override;
  // The activity's deep link, when it has one, as an opened URL.
  bool applicationContinueUserActivity(const platform::UserActivity& activity) override;
  void applicationHandleEventsForBackgroundURLSession(const std::string& identifier,
                                                      const std::function<void()>& completion) override;
};
