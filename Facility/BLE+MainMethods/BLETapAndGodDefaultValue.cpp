#include "Facility/BLE+MainMethods/BLETapAndGodDefaultValue.h"

#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Platform/Foundation/UserDefaults.h"

BLETapAndGodDefaultValue& BLETapAndGodDefaultValue::shared() {
  static BLETapAndGodDefaultValue* instance = new BLETapAndGodDefaultValue();
  return *instance;
}

void BLETapAndGodDefaultValue::removeTapAndGoValues() {
  auto& defaults = platform::UserDefaults::standard();
  for (const char* key : {TarneloBLEKeys::destinationFloor, TarneloBLEKeys::boardingFloor,
                          TarneloBLEKeys::selectedFloor, TarneloBLEKeys::sensitivity,
                          TarneloBLEKeys::shouldAllowPunch}) {
    defaults.removeObjectForKey(key);
  }
}
