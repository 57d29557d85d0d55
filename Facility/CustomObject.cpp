#include "Facility/CustomObject.h"

#include "Platform/CommonCrypto/AES.h"
#include "Platform/CommonCrypto/Base64.h"

namespace {
bool validUtf8(const platform::Bytes& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = s[i];
    std::size_t n;
    if (c < 0x80) n = 0;
    else if ((c >> 5) == 0x6) n = 1;
    else if ((c >> 4) == 0xE) n = 2;
    else if ((c >> 3) == 0x1E) n = 3;
    else return false;
    if (n > 0 && i + n >= s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k) {
      if ((s[i + k] >> 6) != 0x2) return false;
    }
    i += n + 1;
  }
  return true;
}
}  // namespace

std::optional<platform::Bytes> CustomObject::decrypt(const platform::Bytes& data, const std::string& key,
                                                     const std::string& iv) const {
  if (key.size() < platform::AES::kKeySize256 || iv.size() < platform::AES::kBlockSize) return std::nullopt;
  platform::Bytes k(key.begin(), key.begin() + platform::AES::kKeySize256);
  platform::Bytes v(iv.begin(), iv.begin() + platform::AES::kBlockSize);
  auto plain = platform::AES::decryptCBC(k, v, data, platform::AES::Padding::kPKCS7);
  if (!plain.ok()) return std::nullopt;
  return std::move(plain).value();
}

std::optional<std::string> CustomObject::getDecryptedString(const std::string& base64, const std::string& strKey,
                                                            const std::string& Civ) const {
  auto data = platform::Base64::decode(base64);
  if (!data.ok()) return std::nullopt;
  auto plain = decrypt(data.value(), strKey, Civ);
  if (!plain || !validUtf8(*plain)) return std::nullopt;
  return std::string(plain->begin(), plain->end());
}
