#include "Facility/Support/CustomObject.h"

#include "Platform/CommonCrypto/AES.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/Foundation/Utf8.h"


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
  if (!plain) return std::nullopt;
  std::string text(plain->begin(), plain->end());
  if (!platform::Utf8::isValid(text)) return std::nullopt;
  return text;
}
