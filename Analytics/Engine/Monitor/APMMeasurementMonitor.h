// The process-wide monitor of the measurement engine, created on first use
// with the library version.
#pragma once

#include <cstdint>

class APMMonitor;

// The measurement library version (its version string without the last
// three digits).
inline constexpr int64_t kAPMMeasurementLibraryVersion = 101700;

APMMonitor& APMMeasurementMonitor();
