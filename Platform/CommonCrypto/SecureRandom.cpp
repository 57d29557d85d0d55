#include "Platform/CommonCrypto/SecureRandom.h"

#include <openssl/rand.h>

#include <atomic>
#include <cerrno>
#include <climits>

namespace platform {

namespace {

std::atomic<SecureRandom::Source> source{nullptr};

}  // namespace

void SecureRandom::setSourceForTesting(Source replacement) { source = replacement; }

Result<std::vector<std::uint8_t>> SecureRandom::bytes(std::size_t count) {
  if (count > static_cast<std::size_t>(INT_MAX)) return Status::InvalidArgument("random byte count too large");
  std::vector<std::uint8_t> out(count);
  const Source fill = source.load();
  const int n = static_cast<int>(count);
  if (count && (fill ? fill(out.data(), n) : RAND_bytes(out.data(), n)) != 1) {
    // Callers report the generator's errno: keep it past the error's allocation.
    const int error = errno;
    Status failed = Status::Internal("secure random generator failed");
    errno = error;
    return failed;
  }
  return out;
}

}  // namespace platform
