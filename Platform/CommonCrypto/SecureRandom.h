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
};

}  // namespace platform
