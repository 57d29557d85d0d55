// The access engine's values the simulated readers need (service and
// characteristic identifiers, built-in key, the stored engine key), for the
// program's --radio option and the tools that load radio scenarios.
#pragma once

#include "Platform/CoreBluetooth/Simulation/SimulatedReaders.h"

class RadioReaders {
 public:
  static corebluetooth::SimulatedReaders::EngineValues engineValues();
};
