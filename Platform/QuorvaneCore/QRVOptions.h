// What the core library hands the analytics library at start: the app ID read
// from the service configuration file and the two collection switches.
#pragma once

#include <string>

namespace platform {

struct QRVOptions {
  std::string trivandelAppID;
  bool isAnalyticsCollectionEnabled = true;
  bool isAnalyticsCollectionDeactivated = false;
};

}  // namespace platform
