#include "Platform/CommonCrypto/AES.h"

#include <openssl/evp.h>

#include <memory>
#include <string>

namespace platform {
namespace {

struct CtxDeleter {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

Result<AES::Bytes> RunCBC(bool encrypt, AES::ByteSpan key, AES::ByteSpan iv, AES::ByteSpan input,
                          AES::Padding padding) {
  const EVP_CIPHER* cipher = nullptr;
  if (key.size() == AES::kKeySize128) {
    cipher = EVP_aes_128_cbc();
  } else if (key.size() == AES::kKeySize256) {
    cipher = EVP_aes_256_cbc();
  } else {
    return Status::InvalidArgument("AES key must be 16 or 32 bytes, got " + std::to_string(key.size()));
  }
  if (iv.size() != AES::kBlockSize) {
    return Status::InvalidArgument("AES IV must be 16 bytes, got " + std::to_string(iv.size()));
  }
  const bool pkcs7 = padding == AES::Padding::kPKCS7;
  if ((!pkcs7 || !encrypt) && input.size() % AES::kBlockSize != 0) {
    return Status::InvalidArgument("AES input of " + std::to_string(input.size()) +
                                   " bytes is not a whole number of blocks");
  }
  if (pkcs7 && !encrypt && input.empty()) {
    return Status::InvalidArgument("AES padded ciphertext is empty");
  }
  // EVP works on int lengths.
  if (input.size() > static_cast<std::size_t>(INT32_MAX) - 2 * AES::kBlockSize) {
    return Status::InvalidArgument("AES input too large");
  }

  std::unique_ptr<EVP_CIPHER_CTX, CtxDeleter> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return Status::Internal("AES: cannot allocate cipher context");
  if (EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key.data(), iv.data(), encrypt ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), pkcs7 ? 1 : 0) != 1) {
    return Status::Internal("AES: cannot initialise cipher");
  }

  AES::Bytes out(input.size() + AES::kBlockSize);
  int written = 0;
  if (!input.empty() &&
      EVP_CipherUpdate(ctx.get(), out.data(), &written, input.data(), static_cast<int>(input.size())) != 1) {
    return Status::Internal("AES: cipher update failed");
  }
  int tail = 0;
  if (EVP_CipherFinal_ex(ctx.get(), out.data() + written, &tail) != 1) {
    if (!encrypt && pkcs7) return Status::Corruption("AES: bad PKCS#7 padding");
    return Status::Internal("AES: cipher final failed");
  }
  out.resize(static_cast<std::size_t>(written + tail));
  return out;
}

}  // namespace

Result<AES::Bytes> AES::encryptCBC(ByteSpan key, ByteSpan iv, ByteSpan input, Padding padding) {
  return RunCBC(true, key, iv, input, padding);
}

Result<AES::Bytes> AES::decryptCBC(ByteSpan key, ByteSpan iv, ByteSpan input, Padding padding) {
  return RunCBC(false, key, iv, input, padding);
}

}  // namespace platform
