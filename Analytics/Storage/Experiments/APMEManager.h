// Entry of the experiments module; here only its shared logging object.
#pragma once

class APMEMonitor;

class APMEManager {
 public:
  // Created once on first use around the engine's monitor; never fails.
  static APMEMonitor& monitor();
};
