// Float to integer conversion without undefined behaviour: NaN gives 0 and a
// value beyond the target's range gives the nearest limit; anything else is
// truncated toward zero as a plain cast would.
#pragma once

#include <cstdint>

namespace platform {

class SaturatingCast {
 public:
  static int64_t toInt64(double value);
  static uint64_t toUInt64(double value);
};

}  // namespace platform
