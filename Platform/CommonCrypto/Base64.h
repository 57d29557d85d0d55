// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).
// Decoding is strict: any character outside the alphabet (white space
// included), a length that is not a multiple of 4, or misplaced padding makes
// the whole input invalid. Unused low bits of the last group are ignored
// ("QR==" reads as "A", like "QQ==").
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

class Base64 {
 public:
  static std::string encode(std::span<const std::uint8_t> data);
  static std::string encode(std::string_view text);

  // The decoded bytes, or InvalidArgument. The empty text decodes to no bytes.
  static Result<std::vector<std::uint8_t>> decode(std::string_view text);
};

}  // namespace platform
