#include "Facility/App/RadioReaders.h"

#include "Facility/BLE+MainMethods/BLEEncryption.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Platform/Foundation/UserDefaults.h"

corebluetooth::SimulatedReaders::EngineValues RadioReaders::engineValues() {
  corebluetooth::SimulatedReaders::EngineValues values;
  values.advertisedService = TarneloBLE::kServiceUUID;
  values.framedReader = {TarneloBLE::kDorvaService, {TarneloBLE::kDorvaWrite, TarneloBLE::kDorvaSecond}};
  values.otherReader = {TarneloBLE::kOtherService, {TarneloBLE::kOtherWrite, TarneloBLE::kOtherSecond}};
  values.builtInKey = BLEEncryption::kBuiltInKey;
  // Read at each write: the program stores the key only after its key set-up.
  values.engineKey = [] {
    return platform::UserDefaults::standard().stringObjectForKey(TarneloBLEKeys::encryptionKey).value_or("");
  };
  return values;
}
