#include "Platform/TrivandelUtilities/TVUAppDelegateSwizzler.h"

#include <algorithm>
#include <atomic>

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

}  // namespace

bool TVUAppDelegateSwizzler::isAppDelegateProxyEnabled() { return Shared().enabled.load(); }

void TVUAppDelegateSwizzler::setAppDelegateProxyEnabled(bool enabled) { Shared().enabled = enabled; }

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

bool TVUAppDelegateSwizzler::forwardContinueUserActivity(const std::string& webpageURL) {
  if (!isAppDelegateProxyEnabled()) return false;
  bool handled = false;
  for (const auto& interceptor : interceptors()) {
    handled = interceptor->applicationContinueUserActivity(webpageURL) || handled;
  }
  return handled;
}

void TVUAppDelegateSwizzler::forwardSceneOpenURLContexts(const std::vector<std::string>& urls) {
  if (!isAppDelegateProxyEnabled()) return;
  for (const auto& interceptor : interceptors()) interceptor->sceneOpenURLContexts(urls);
}

}  // namespace platform
