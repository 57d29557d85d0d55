// AES in CBC mode, one shot, with or without PKCS#7 padding. Key and IV
// lengths are checked up front: a wrong length is an InvalidArgument error,
// never a read past the end of a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Platform/Foundation/Status.h"

namespace platform {

class AES {
 public:
  using Bytes = std::vector<std::uint8_t>;
  using ByteSpan = std::span<const std::uint8_t>;

  enum class Padding { kNone, kPKCS7 };

  static constexpr std::size_t kBlockSize = 16;
  static constexpr std::size_t kKeySize128 = 16;
  static constexpr std::size_t kKeySize256 = 32;

  // key: 16 bytes (AES-128) or 32 bytes (AES-256); iv: 16 bytes.
  // Without padding the input must be a whole number of blocks (an empty
  // input gives an empty output). With PKCS#7 the output is always 1 to 16
  // bytes longer than the input.
  static Result<Bytes> encryptCBC(ByteSpan key, ByteSpan iv, ByteSpan input, Padding padding);

  // The reverse. With PKCS#7 a ciphertext whose padding does not check out
  // is a Corruption error (typically the wrong key).
  static Result<Bytes> decryptCBC(ByteSpan key, ByteSpan iv, ByteSpan input, Padding padding);
};

}  // namespace platform
