#include "Facility/Support/StringHelpers.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <memory>

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

bool isValidEmail(std::string_view text) {
  // Compiled once; each call uses its own matcher.
  static const std::unique_ptr<icu::RegexPattern> pattern = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
        icu::UnicodeString::fromUTF8("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,}"), 0, status));
    return U_SUCCESS(status) ? std::move(compiled) : nullptr;
  }();
  if (!pattern || text.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  UErrorCode status = U_ZERO_ERROR;
  const icu::UnicodeString input = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(input, status));
  if (U_FAILURE(status) || !matcher) return false;
  const bool whole = matcher->matches(status);
  return U_SUCCESS(status) && whole;
}

platform::Bytes sha256Digest(std::span<const std::uint8_t> data) { return platform::Digest::sha256(data); }

std::string hexString(std::span<const std::uint8_t> data) { return platform::Hex::encode(data); }

}  // namespace StringHelpers
