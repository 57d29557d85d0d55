// The registry of application-delegate and scene-delegate interceptors: the
// application forwards its delegate callbacks here and every registered
// interceptor that is still alive gets them, in registration order.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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
  // A continued user activity carrying a web page URL.
  virtual bool applicationContinueUserActivity(const std::string& webpageURL) {
    (void)webpageURL;
    return false;
  }
  // A scene opened URL contexts.
  virtual void sceneOpenURLContexts(const std::vector<std::string>& urls) { (void)urls; }
};

class TVUAppDelegateSwizzler {
 public:
  static bool isAppDelegateProxyEnabled();
  static void setAppDelegateProxyEnabled(bool enabled);
  static void registerAppDelegateInterceptor(const std::shared_ptr<TVUAppDelegateInterceptor>& interceptor);
  static void unregisterAppDelegateInterceptor(const std::shared_ptr<TVUAppDelegateInterceptor>& interceptor);
  static std::vector<std::shared_ptr<TVUAppDelegateInterceptor>> interceptors();

  // Forwarding entry points for the application's delegates; true when an
  // interceptor handled the call.
  static bool forwardOpenURL(const std::string& url, const std::map<std::string, std::string>& options);
  static bool forwardContinueUserActivity(const std::string& webpageURL);
  static void forwardSceneOpenURLContexts(const std::vector<std::string>& urls);
};

}  // namespace platform
