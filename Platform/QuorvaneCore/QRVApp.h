// The vendor core library's application object, as far as the measurement
// engine uses it: whether the default app is configured, the registry of
// internal libraries and the core's version.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Platform/QuorvaneCore/QRVOptions.h"

namespace platform {

// Logger service name for analytics; the monitor's log tag.
inline constexpr const char* kQRVLoggerAnalytics = "<VurAvizivozora>";

struct QRVRegisteredLibrary {
  std::string name;
  std::string version;
  // Makes the library's components (the analytics connector among them).
  std::function<void()> componentsToRegister;
};

class QRVApp {
 public:
  static bool isDefaultAppConfigured();
  static void setDefaultAppConfigured(bool configured);
  static void registerInternalLibrary(std::string name, std::string version,
                                      std::function<void()> componentsToRegister = {});
  static std::vector<QRVRegisteredLibrary> registeredLibraries();

  // The analytics library's start, registered at load (the last registration
  // wins; empty removes it). configure calls it once with the options.
  using AnalyticsStart = std::function<void(const QRVOptions& options)>;
  static void registerAnalyticsStart(AnalyticsStart start);
  // False when no start is registered.
  static bool startAnalytics(const QRVOptions& options);
};

// The core library's version string.
std::string QRVQuorvaneVersion();

}  // namespace platform
