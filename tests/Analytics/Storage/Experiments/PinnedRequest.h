// The fetch body of the SDK "app_measurement" with diversion key "k",
// version 7 and the custom properties channel=beta and tier=silver, its
// delegate adding tier=gold and extra=x; the app "com.facility.experiments"
// with preferred languages en-US, fr-FR. Written out by field, so it shows
// when the encoding changes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Storage/Experiments/APMESDKProperty.h"
#include "Analytics/Storage/Experiments/APMESDKPropertyProviderDelegate.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Locale.h"

namespace experimentstest {

class PinnedProperties : public APMESDKPropertyProviderDelegate {
 public:
  std::optional<std::map<std::string, std::string>> dynamicCustomPropertiesForSDKProperty(
      const APMESDKProperty&) override {
    return std::map<std::string, std::string>{{"tier", "gold"}, {"extra", "x"}};
  }
};

inline std::shared_ptr<APMESDKProperty> PinnedProperty(const std::shared_ptr<PinnedProperties>& provider) {
  auto property = APMESDKProperty::initWithName(std::string("app_measurement"));
  property->setDiversionKey(std::string("k"));
  property->setVersion(7);
  property->setCustomProperties({{"channel", "beta"}, {"tier", "silver"}});
  property->setDelegate(provider);
  return property;
}

// The app as the pinned body names it.
inline void UsePinnedApp(bool use) {
  if (use) {
    platform::Bundle::main().setInfoDictionaryOverride(
        platform::Value::Dictionary{{"CFBundleIdentifier", platform::Value("com.facility.experiments")}});
    platform::Locale::setPreferredLanguagesOverride(std::vector<std::string>{"en-US", "fr-FR"});
  } else {
    platform::Locale::setPreferredLanguagesOverride(std::nullopt);
    platform::Bundle::main().setInfoDictionaryOverride(std::nullopt);
  }
}

inline const std::vector<uint8_t> kPinnedRequest{
      0x0a, 0x29, 0x0a, 0x03, 'i', 'o', 's', 0x22, 0x05, 'e', 'n', '-', 'u', 's', 0x2a, 0x18, 'c', 'o', 'm', '.',
      'f', 'a', 'c', 'i', 'l', 'i', 't', 'y', '.', 'e', 'x', 'p', 'e', 'r', 'i', 'm', 'e', 'n', 't', 's', 0x38, 0x90,
      0x4e,
      // client property
      0x12, 0x51, 0x0a, 0x0f, 'a', 'p', 'p', '_', 'm', 'e', 'a', 's', 'u', 'r', 'e', 'm', 'e', 'n', 't', 0x12, 0x11,
      'k', '-', 'a', 'p', 'p', '_', 'm', 'e', 'a', 's', 'u', 'r', 'e', 'm', 'e', 'n', 't', 0x18, 0x07,
      // custom properties in key order
      0x2a, 0x0f, 0x0a, 0x07, 'c', 'h', 'a', 'n', 'n', 'e', 'l', 0x12, 0x04, 'b', 'e', 't', 'a',  //
      0x2a, 0x0a, 0x0a, 0x05, 'e', 'x', 't', 'r', 'a', 0x12, 0x01, 'x',                          //
      0x2a, 0x0c, 0x0a, 0x04, 't', 'i', 'e', 'r', 0x12, 0x04, 'g', 'o', 'l', 'd'};

}  // namespace experimentstest
