#include "Facility/Support/StringHelpers.h"

#include "Facility/Support/CustomObject.h"
#include "Platform/CommonCrypto/Digest.h"
#include "Platform/CommonCrypto/Hex.h"

namespace StringHelpers {

std::string decryptedInvitationCode(const std::string& code) {
  std::string iv = kInvitationIV;
  std::string hex = hexString(sha256Digest(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(iv.data()), iv.size())));
  if (hex.size() < 32) return "";
  auto plain = CustomObject().getDecryptedString(code, hex.substr(0, 32), iv);
  return plain.value_or("");
}

bool isValidPhoneCharacters(std::string_view text) {
  for (char c : text) {
    if (c != '+' && (c < '0' || c > '9')) return false;
  }
  return true;
}

platform::Bytes sha256Digest(std::span<const std::uint8_t> data) { return platform::Digest::sha256(data); }

std::string hexString(std::span<const std::uint8_t> data) { return platform::Hex::encode(data); }

}  // namespace StringHelpers
