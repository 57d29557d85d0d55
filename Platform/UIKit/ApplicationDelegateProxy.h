// What the application passes to a delegate proxy before its own delegate:
// the hook through which a library outside the toolkit (the utilities' app
// delegate registry) hears the delegate calls without the toolkit linking it.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "Platform/Foundation/UserActivity.h"

namespace uikit {

class ApplicationDelegateProxy {
 public:
  virtual ~ApplicationDelegateProxy() = default;
  // Each answers whether the proxy handled the call.
  virtual bool openURL(const std::string& url, const std::map<std::string, std::string>& options) = 0;
  virtual bool continueUserActivity(const platform::UserActivity& activity) = 0;
  // completion is the system's handler; calling it more than once is harmless.
  virtual void handleEventsForBackgroundURLSession(const std::string& identifier,
                                                   const std::function<void()>& completion) = 0;
};

}  // namespace uikit
