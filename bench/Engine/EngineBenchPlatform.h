// The platform stand-ins an engine needs to start in a benchmark: the main
// bundle, the device, tracking and advertising with their defaults, the
// identity support add-on, consent and engine hooks at their launch state.
#pragma once

#include <any>
#include <memory>
#include <optional>
#include <string>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/APMPlatformIdentitySupport.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMConsentSettingsUtil.h"
#include "Platform/AdSupport/ASIdentifierManager.h"
#include "Platform/AppTrackingTransparency/ATTrackingManager.h"
#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/UIKit/Device.h"

namespace engine_bench {

inline void InstallPlatformStandIns(const std::string& bundleIdentifier) {
  platform::Bundle::main().setInfoDictionaryOverride(platform::Value::Dictionary{
      {"CFBundleIdentifier", platform::Value(bundleIdentifier)},
      {"CFBundleShortVersionString", platform::Value("4.2")},
  });
  APMEngineHooks::reset();
  APMConsentSettingsUtil::resetForTesting();
  uikit::Device::setCurrent(uikit::DeviceProfile::phone390x844());
  apptrackingtransparency::RegisterAppTrackingTransparency();
  adsupport::RegisterAdSupport();
  platform::ClassRegistry::shared().registerClass(APMPlatformIdentitySupport::kClassName, [] {
    return std::any(std::shared_ptr<APMIdentitySupport>(std::make_shared<APMPlatformIdentitySupport>()));
  });
  APMAnalytics::setLoadTimestamp(platform::Clock::nowSeconds());
}

inline void RemovePlatformStandIns() {
  APMEngineHooks::reset();
  platform::Bundle::main().setInfoDictionaryOverride(std::nullopt);
}

// The benchmarks' event parameters: 3 strings of 10 to 20 characters, an
// int64 and a double.
inline APMParameterObjects EventParameters(int i) {
  APMParameterObjects parameters;
  for (int k = 0; k < 3; ++k) {
    parameters.emplace("text" + std::to_string(k), platform::Value(std::string(10 + (i + 3 * k) % 11, 'a' + k)));
  }
  parameters.emplace("count", platform::Value(int64_t{i} * 7));
  parameters.emplace("amount", platform::Value(i * 0.5));
  return parameters;
}

}  // namespace engine_bench
