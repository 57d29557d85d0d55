#include "Platform/TrivandelUtilities/TVUAppDelegateSwizzler.h"

#include <algorithm>
#include <atomic>

#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/ApplicationDelegateProxy.h"

namespace platform {
namespace {

struct Registry {
  std::mutex mu;
  std::vector<std::weak_ptr<TVUAppDelegateInterceptor>> interceptors;
  std::atomic<bool> enabled{true};
};

Registry& Shared() {
  static Registry* registry = new Registry;
  return *registry;
}

// The application's calls, handed to the registered interceptors.
class Forwarder final : public uikit::ApplicationDelegateProxy {
 public:
  bool openURL(const std::string& url, const std::map<std::string, std::string>& options) override {
    return TVUAppDelegateSwizzler::forwardOpenURL(url, options);
  }
  bool continueUserActivity(const UserActivity& activity) override {
    return TVUAppDelegateSwizzler::forwardContinueUserActivity(activity);
  }
  void handleEventsForBackgroundURLSession(const std::string& identifier,
                                           const std::function<void()>& completion) override {
    TVUAppDelegateSwizzler::forwardHandleEventsForBackgroundURLSession(identifier, completion);
  }
};

}  // namespace

bool TVUAppDelegateSwizzler::isAppDelegateProxyEnabled() { return Shared().enabled.load(); }

void TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(bool enabled) { Shared().enabled = enabled; }

void TVUAppDelegateSwizzler::proxyOriginalDelegate() {
  if (!isAppDelegateProxyEnabled()) return;
  static const std::shared_ptr<uikit::ApplicationDelegateProxy> forwarder = std::make_shared<Forwarder>();
  uikit::Application::setDelegateProxy(forwarder);
}

void TVUAppDelegateSwizzler::registerAppDelegateInterceptor(
    const std::shared_ptr<TVUAppDelegateInterceptor>& interceptor) {
  if (!interceptor) return;
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().interceptors.push_back(interceptor);
}

void TVUAppDelegateSwizzler::unregisterAppDelegateInterceptor(
    const std::shared_ptr<TVUAppDelegateInterceptor>& interceptor) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  auto& list = Shared().interceptors;
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const std::weak_ptr<TVUAppDelegateInterceptor>& weak) {
                              auto strong = weak.lock();
                              return !strong || strong == interceptor;
                            }),
             list.end());
}

std::vector<std::shared_ptr<TVUAppDelegateInterceptor>> TVUAppDelegateSwizzler::interceptors() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  std::vector<std::shared_ptr<TVUAppDelegateInterceptor>> out;
  for (const auto& weak : Shared().interceptors) {
    if (auto strong = weak.lock()) out.push_back(strong);
  }
  return out;
}

bool TVUAppDelegateSwizzler::forwardOpenURL(const std::string& url,
                                            const std::map<std::string, std::string>& options) {
  if (!isAppDelegateProxyEnabled()) return false;
  bool handled = false;
  for (const auto& interceptor : interceptors()) handled = interceptor->applicationOpenURL(url, options) || handled;
  return handled;
}

bool TVUAppDelegateSwizzler::forwardContinueUserActivity(const UserActivity& activity) {
  if (!isAppDelegateProxyEnabled()) return false;
  bool handled = false;
  for (const auto& interceptor : interceptors()) {
    handled = interceptor->applicationContinueUserActivity(activity) || handled;
  }
  return handled;
}

void TVUAppDelegateSwizzler::forwardHandleEventsForBackgroundURLSession(const std::string& identifier,
                                                                       const std::function<void()>& completion) {
  if (!isAppDelegateProxyEnabled()) return;
  for (const auto& interceptor : interceptors()) {
    interceptor->applicationHandleEventsForBackgroundURLSession(identifier, completion);
  }
}

void TVUAppDelegateSwizzler::forwardSceneOpenURLContexts(const std::vector<std::string>& urls) {
  if (!isAppDelegateProxyEnabled()) return;
  for (const auto& interceptor : interceptors()) interceptor->sceneOpenURLContexts(urls);
}

}  // namespace platform
