#include "Platform/CommonCrypto/SecureRandom.h"

#include <openssl/rand.h>

#include <climits>

namespace platform {

Result<std::vector<std::uint8_t>> SecureRandom::bytes(std::size_t count) {
  if (count > static_cast<std::size_t>(INT_MAX)) return Status::InvalidArgument("random byte count too large");
  std::vector<std::uint8_t> out(count);
  if (count && RAND_bytes(out.data(), static_cast<int>(count)) != 1) {
    return Status::Internal("secure random generator failed");
  }
  return out;
}

}  // namespace platform
