#include "tests/support/InvitationCodeMaker.h"

#include <cstdint>
#include <span>
#include <vector>

#include "Platform/CommonCrypto/AES.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/CommonCrypto/Digest.h"
#include "Platform/CommonCrypto/Hex.h"

namespace testsupport {

namespace {

std::vector<std::uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

std::string InvitationCodeMaker::iv() { return "3917264058172639"; }

std::string InvitationCodeMaker::key() {
  // First 32 lowercase hex digits of the IV's SHA-256.
  return platform::Hex::encode(platform::Digest::sha256(iv())).substr(0, 32);
}

std::string InvitationCodeMaker::encryptWithKey(const std::string& plain, const std::string& key) {
  const auto k = bytes(key.substr(0, platform::AES::kKeySize256));
  const auto v = bytes(iv());
  const auto input = bytes(plain);
  auto sealed = platform::AES::encryptCBC(k, v, input, platform::AES::Padding::kPKCS7);
  if (!sealed.ok()) return "";
  return platform::Base64::encode(std::span<const std::uint8_t>(sealed.value()));
}

std::string InvitationCodeMaker::encrypt(const std::string& plain) { return encryptWithKey(plain, key()); }

std::string InvitationCodeMaker::forServer(const std::string& serverURL, const std::string& tenantId,
                                           const std::string& third) {
  return encrypt(serverURL + "@#$" + tenantId + "@#$" + third);
}

}  // namespace testsupport
