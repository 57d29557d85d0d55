// The session-start event "_s" the engine reports itself (first open, an
// event that starts a session in the background).
#pragma once

#include <cstdint>
#include <optional>

#include "Analytics/Engine/APMEvent.h"

class APMSessionStartEvent {
 public:
  // Origin "auto", not public, "_sid" = whole seconds of the timestamp,
  // "_sno" = the session number; in the background "_aib" = 1, else the
  // current screen's parameters.
  static std::optional<APMEvent> eventWithSessionNumber(int64_t sessionNumber, bool appInBackground, double timestamp);
};
