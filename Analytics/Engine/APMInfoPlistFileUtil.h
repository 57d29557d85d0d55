// Finds and reads the service-configuration property list
// "TrivandelService-Info.plist": first in the main bundle, then in the bundle
// of the engine's own resources (none unless one is set).
#pragma once

#include <optional>
#include <string>

#include "Platform/Foundation/Value.h"

class APMInfoPlistFileUtil {
 public:
  static constexpr const char* kResourceName = "TrivandelService-Info";
  static constexpr const char* kResourceType = "plist";

  // Path of the list in the first bundle that holds it; none when neither does.
  static std::optional<std::string> trivandelServiceInfoPlistPath();
  // The list's dictionary; none when no bundle holds it or it is no
  // dictionary (a damaged list is logged).
  static std::optional<platform::Value::Dictionary> dictionaryFromTrivandelServiceInfoPlist();

  // The folder of the engine's own resources; none removes it.
  static void setEngineResourcesBundlePath(std::optional<std::string> path);
  static std::optional<std::string> engineResourcesBundlePath();
};
