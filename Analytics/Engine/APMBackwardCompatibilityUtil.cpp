#include "Analytics/Engine/APMBackwardCompatibilityUtil.h"

#include <any>
#include <optional>

#include "Platform/Runtime/ClassRegistry.h"

bool APMBackwardCompatibilityUtil::disableVXRMeasurement() {
  std::optional<std::any> object = platform::ClassRegistry::shared().instantiate(kLegacyMeasurementClassName);
  if (!object) return false;
  // A class that does not answer the two messages is left alone.
  const auto* legacyClass = std::any_cast<LegacyMeasurementClass>(&*object);
  if (legacyClass == nullptr || !legacyClass->sharedInstance) return false;
  std::shared_ptr<LegacyMeasurement> instance = legacyClass->sharedInstance();
  if (!instance) return false;
  instance->setIsEnabled(false);
  return true;
}
