#include "Platform/QuorvaneMessaging/QRVConfigure.h"

#include <atomic>

#include "Platform/QuorvaneCore/QRVApp.h"

namespace platform {

namespace {
std::atomic<int> gConfigures{0};
}

void QRVConfigure() {
  ++gConfigures;
  if (QRVApp::isDefaultAppConfigured()) return;
  QRVApp::setDefaultAppConfigured(true);
  for (const auto& library : QRVApp::registeredLibraries()) {
    if (library.componentsToRegister) library.componentsToRegister();
  }
}

int QRVConfigureCount() { return gConfigures.load(); }

}  // namespace platform
