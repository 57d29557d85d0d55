// One-shot message digests.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

class Digest {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // 32-byte SHA-256 digest (FIPS 180-4).
  static Bytes sha256(std::span<const std::uint8_t> data);
  static Bytes sha256(std::string_view text);

  // 16-byte MD5 digest (RFC 1321). Used for fingerprints, not for security.
  static Bytes md5(std::span<const std::uint8_t> data);
  static Bytes md5(std::string_view text);
};

}  // namespace platform
