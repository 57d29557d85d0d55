#include "Facility/BLE+MainMethods/DeviceParameter.h"

std::optional<DeviceParameter> DeviceParameterFromRawValue(int raw) {
  using P = DeviceParameter;
  for (P p : {P::DORVA_RSSI, P::OTHER_RSSI, P::DORVA_TAP_LOW, P::DORVA_TAP_MED, P::DORVA_TAP_HIGH, P::OTHER_TAP_LOW,
              P::OTHER_TAP_MED, P::OTHER_TAP_HIGH, P::DORVA_SHAKE_LOW, P::DORVA_SHAKE_HIGH, P::OTHER_SHAKE_LOW,
              P::OTHER_SHAKE_HIGH}) {
    if (static_cast<int>(p) == raw) return p;
  }
  return std::nullopt;
}
