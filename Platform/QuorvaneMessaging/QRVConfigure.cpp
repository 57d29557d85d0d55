#include "Platform/QuorvaneMessaging/QRVConfigure.h"

#include <atomic>
#include <optional>
#include <string>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/QuorvaneCore/QRVApp.h"

namespace platform {

namespace {
std::atomic<int> gConfigures{0};

constexpr const char* kServiceFileName = "TrivandelService-Info";
constexpr const char* kAppIDKey = "TRIVANDEL_APP_ID";

// The app ID of the service file; none when the file is missing or no
// dictionary (a non-text or missing ID gives the empty text, which the
// analytics library reports itself).
std::optional<std::string> ServiceFileAppID() {
  auto path = Bundle::main().pathForResource(kServiceFileName, "plist");
  if (!path) {
    LogWarning(std::string("QRVConfigure: no ") + kServiceFileName + ".plist in the main bundle; analytics not started");
    return std::nullopt;
  }
  auto list = PropertyList::readFile(*path);
  if (!list.ok() || !list->isDictionary()) {
    LogError("QRVConfigure: " + *path + " is not a readable dictionary; analytics not started");
    return std::nullopt;
  }
  const Value* id = list->find(kAppIDKey);
  if (!id || !id->isString()) return std::string();
  return *id->getString();
}
}  // namespace

void QRVConfigure() {
  ++gConfigures;
  if (QRVApp::isDefaultAppConfigured()) return;
  QRVApp::setDefaultAppConfigured(true);
  for (const auto& library : QRVApp::registeredLibraries()) {
    if (library.componentsToRegister) library.componentsToRegister();
  }
  auto appID = ServiceFileAppID();
  if (!appID) return;
  QRVOptions options;
  options.trivandelAppID = std::move(*appID);
  if (!QRVApp::startAnalytics(options)) LogInfo("QRVConfigure: no analytics library linked");
}

int QRVConfigureCount() { return gConfigures.load(); }

}  // namespace platform
