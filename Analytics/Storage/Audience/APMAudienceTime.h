// Evaluation times are stored as whole numbers: truncated toward zero,
// saturated at the 64-bit range, NaN as 0.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

inline int64_t APMAudienceTime(double time) {
  if (std::isnan(time)) return 0;
  if (time >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (time <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(time);
}
