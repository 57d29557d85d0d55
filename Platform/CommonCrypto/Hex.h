// Hexadecimal text of bytes: written lowercase, read in either case.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Hex {
 public:
  // Two lowercase digits per byte, in buffer order, no separator; an empty
  // buffer gives the empty text.
  static std::string encode(std::span<const std::uint8_t> data);
  // The bytes of an even number of hex digits of either case; nothing for
  // an odd length or any other character. The empty text gives no bytes.
  static std::optional<std::vector<std::uint8_t>> decode(std::string_view text);
};

}  // namespace platform
