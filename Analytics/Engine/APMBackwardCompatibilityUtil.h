// Switches off the legacy measurement class when an app still links it, so
// that the two never count the same app. The class is looked up by name.
#pragma once

#include <functional>
#include <memory>

class APMBackwardCompatibilityUtil {
 public:
  // Name under which the legacy class registers in platform::ClassRegistry.
  static constexpr const char* kLegacyMeasurementClassName = "FacilityLegacyMeasurement";

  // What an instance of the legacy class answers.
  class LegacyMeasurement {
   public:
    virtual ~LegacyMeasurement() = default;
    virtual void setIsEnabled(bool enabled) = 0;
  };
  // What the registered class answers (its factory yields this): its shared
  // instance, null when it has none.
  struct LegacyMeasurementClass {
    std::function<std::shared_ptr<LegacyMeasurement>()> sharedInstance;
  };

  // Disables the legacy class's shared instance; YES when there was one.
  static bool disableVXRMeasurement();
};
