// Bytes from the system's cryptographically secure generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

class SecureRandom {
 public:
  // count random bytes, or an Internal error when the generator fails.
  static Result<std::vector<std::uint8_t>> bytes(std::size_t count);

  // The generator behind bytes(): fills count bytes and answers 1, else
  // answers anything else with errno set. Tests install a failing one; null
  // restores the system's.
  using Source = int (*)(unsigned char* buffer, int count);
  static void setSourceForTesting(Source source);
};

}  // namespace platform
