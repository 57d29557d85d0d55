// Random numbers for identifiers.
#pragma once

#include <cstdint>

class APMNumericUtil {
 public:
  // 8 bytes of the secure random source; 0 (logged) when the source fails.
  static int64_t randomInt64();
};
