// The fixed lists that keep the vendor's other libraries away from the
// engine's own events, parameters and user properties, and the checks the
// interop connector makes with them. Every list is built once on first use
// and never changes; all calls are safe from any thread.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Analytics/Engine/APMEvent.h"

class QRVConnectorUtils {
 public:
  using Names = std::set<std::string, std::less<>>;

  static const Names& allowedListenerOrigins();
  static const Names& blocklistedOrigins();
  static const Names& blocklistedEventNames();
  static const Names& blocklistedParameters();
  static const Names& blocklistedUserProperties();
  // Regular expressions searched anywhere in a user-property name.
  static const std::vector<std::string>& blocklistedUserPropertyPatterns();
  static const Names& hiddenEventNames();

  static bool isOriginAllowed(std::string_view origin);
  // "app" and any origin starting with "app+".
  static bool isAppOrigin(std::string_view origin);
  static bool isListenerOriginAllowed(std::string_view origin);
  static bool isEventNameAllowedForListeners(std::string_view name);
  static bool shouldLogEventWithName(std::string_view name, const APMParameterObjects& parameters);
  static bool isUserPropertyAllowed(std::string_view name, std::string_view origin);
  static bool isUserPropertyAllowedForQuery(std::string_view name);
};
