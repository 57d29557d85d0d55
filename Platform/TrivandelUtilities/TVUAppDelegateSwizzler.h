// The registry of application-delegate and scene-delegate interceptors: the
// application forwards its delegate callbacks here and every registered
// interceptor that is still alive gets them, in registration order.
// proxyOriginalDelegate() puts the registry in front of the application's
// delegate (uikit::Application's delegate proxy), so the system's calls reach
// the interceptors before the delegate.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/UserActivity.h"

namespace platform {

class TVUAppDelegateInterceptor {
 public:
  virtual ~TVUAppDelegateInterceptor() = default;
  // An opened URL; answers whether it was handled.
  virtual bool applicationOpenURL(const std::string& url, const std::map<std::string, std::string>& options) {
    (void)url;
    (void)options;
    return false;
  }
  // A continued user activity (its type and, for web pages, the URL).
  virtual bool applicationContinueUserActivity(const UserActivity& activity) {
    (void)activity;
    return false;
  }
  // Events of a background URL session; completion is the system's handler.
  virtual void applicationHandleEventsForBackgroundURLSession(const std::string& identifier,
                                                              const std::function<void()>& completion) {
    (void)identifier;
    (void)completion;
  }
  // A scene opened URL contexts.
  virtual void sceneOpenURLContexts(const std::vector<std::string>& urls) { (void)urls; }
};

class TVUAppDelegateSwizzler {
 public:
  static bool isAppDelegateProxyEnabled();
  static void setAppDelegateProxyEnabled(bool enabled);
  // Installs the registry as the application's delegate proxy (once; nothing
  // while the proxy is disabled).
  static void proxyOriginalDelegate();
  static void registerAppDelegateInterceptor(const std::shared_ptr<TVUAppDelegateInterceptor>& interceptor);
  static void unregisterAppDelegateInterceptor(const std::shared_ptr<TVUAppDelegateInterceptor>& interceptor);
  static std::vector<std::shared_ptr<TVUAppDelegateInterceptor>> interceptors();

  // Forwarding entry points for the application's delegates; true when an
  // interceptor handled the call.
  static bool forwardOpenURL(const std::string& url, const std::map<std::string, std::string>& options);
  static bool forwardContinueUserActivity(const UserActivity& activity);
  static void forwardHandleEventsForBackgroundURLSession(const std::string& identifier,
                                                         const std::function<void()>& completion);
  static void forwardSceneOpenURLContexts(const std::vector<std::string>& urls);
};

}  // namespace platform
