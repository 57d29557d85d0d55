#include "Platform/QuorvaneCore/QRVApp.h"

#include <atomic>
#include <mutex>

namespace platform {
namespace {

struct Core {
  std::atomic<bool> configured{false};
  std::mutex mu;
  std::vector<QRVRegisteredLibrary> libraries;
  QRVApp::AnalyticsStart analyticsStart;
};

Core& Shared() {
  static Core* core = new Core;
  return *core;
}

}  // namespace

bool QRVApp::isDefaultAppConfigured() { return Shared().configured.load(); }

void QRVApp::setDefaultAppConfigured(bool configured) { Shared().configured = configured; }

void QRVApp::registerInternalLibrary(std::string name, std::string version,
                                     std::function<void()> componentsToRegister) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  for (auto& library : Shared().libraries) {
    if (library.name == name) {
      library.version = std::move(version);
      library.componentsToRegister = std::move(componentsToRegister);
      return;
    }
  }
  Shared().libraries.push_back({std::move(name), std::move(version), std::move(componentsToRegister)});
}

std::vector<QRVRegisteredLibrary> QRVApp::registeredLibraries() {
  std::lock_guard<std::mutex> lock(Shared().mu);
  return Shared().libraries;
}

void QRVApp::registerAnalyticsStart(AnalyticsStart start) {
  std::lock_guard<std::mutex> lock(Shared().mu);
  Shared().analyticsStart = std::move(start);
}

bool QRVApp::startAnalytics(const QRVOptions& options) {
  AnalyticsStart start;
  {
    std::lock_guard<std::mutex> lock(Shared().mu);
    start = Shared().analyticsStart;
  }
  if (!start) return false;
  start(options);  // outside the lock: the start may register libraries
  return true;
}

std::string QRVQuorvaneVersion() { return "10.17.0"; }

}  // namespace platform
