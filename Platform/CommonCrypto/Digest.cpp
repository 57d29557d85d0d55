#include "Platform/CommonCrypto/Digest.h"

#include <openssl/evp.h>

#include <cstdlib>

namespace platform {
namespace {

Digest::Bytes Run(const EVP_MD* md, const void* data, std::size_t size) {
  Digest::Bytes out(static_cast<std::size_t>(EVP_MD_get_size(md)));
  unsigned int len = 0;
  static const std::uint8_t kEmpty = 0;
  // A digest over memory cannot fail short of allocation failure; carrying on
  // with a wrong digest would be worse than stopping.
  if (EVP_Digest(size ? data : &kEmpty, size, out.data(), &len, md, nullptr) != 1) std::abort();
  out.resize(len);
  return out;
}

}  // namespace

Digest::Bytes Digest::sha256(std::span<const std::uint8_t> data) {
  return Run(EVP_sha256(), data.data(), data.size());
}
Digest::Bytes Digest::sha256(std::string_view text) { return Run(EVP_sha256(), text.data(), text.size()); }

Digest::Bytes Digest::md5(std::span<const std::uint8_t> data) { return Run(EVP_md5(), data.data(), data.size()); }
Digest::Bytes Digest::md5(std::string_view text) { return Run(EVP_md5(), text.data(), text.size()); }

}  // namespace platform
