#pragma once
#include <optional>

// Named signal thresholds in dBm; the raw value is the threshold.
enum class DeviceParameter : int {
  DORVA_RSSI = -61,
  OTHER_RSSI = -52,
  DORVA_TAP_LOW = -55,
  DORVA_TAP_MED = -60,
  DORVA_TAP_HIGH = -65,
  OTHER_TAP_LOW = -45,
  OTHER_TAP_MED = -51,
  OTHER_TAP_HIGH = -56,
  DORVA_SHAKE_LOW = -73,
  DORVA_SHAKE_HIGH = -100,
  OTHER_SHAKE_LOW = -57,
  OTHER_SHAKE_HIGH = -90,
};

inline int DeviceParameterRawValue(DeviceParameter p) { return static_cast<int>(p); }
std::optional<DeviceParameter> DeviceParameterFromRawValue(int raw);
