// Lowercase hexadecimal text of bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace platform {

class Hex {
 public:
  // Two lowercase digits per byte, in buffer order, no separator; an empty
  // buffer gives the empty text.
  static std::string encode(std::span<const std::uint8_t> data);
};

}  // namespace platform
