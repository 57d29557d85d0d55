// The engine's monitor under the short names its files log through. Only the
// engine's own source files include this header.
#pragma once

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

inline APMMonitor& Monitor() { return APMMeasurementMonitor(); }
inline APMMonitor& Log() { return APMMeasurementMonitor(); }
