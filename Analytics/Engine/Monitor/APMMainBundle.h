// What the engine reads of the main bundle: Info.plist values and its path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

class APMMainBundle {
 public:
  static std::optional<platform::Value> infoValue(std::string_view key);
  static std::string bundlePath();
  static std::string bundleIdentifier();
};
