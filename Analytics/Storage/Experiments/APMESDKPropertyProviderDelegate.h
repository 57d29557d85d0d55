// Supplies further custom properties of an SDK each time its property is
// encoded for a fetch request.
#pragma once

#include <map>
#include <optional>
#include <string>

class APMESDKProperty;

class APMESDKPropertyProviderDelegate {
 public:
  virtual ~APMESDKPropertyProviderDelegate() = default;
  // None when there is nothing to add (also the default).
  virtual std::optional<std::map<std::string, std::string>> dynamicCustomPropertiesForSDKProperty(
      const APMESDKProperty& property);
};
