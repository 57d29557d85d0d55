#include "Analytics/Storage/Experiments/APMESDKPropertyProviderDelegate.h"

std::optional<std::map<std::string, std::string>> APMESDKPropertyProviderDelegate::dynamicCustomPropertiesForSDKProperty(
    const APMESDKProperty&) {
  return std::nullopt;
}
