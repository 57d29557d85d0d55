// Field indexes of the experiment snapshot message, shared by the store and
// the fetch.
#pragma once

#include <cstdint>

inline constexpr int32_t kSnapshotSDKName = 0;
