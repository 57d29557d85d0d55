// Text and byte helpers shared by the screens.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

namespace StringHelpers {
inline constexpr const char* kInvitationIV = "3917264058172639";
// The invitation code's plaintext; "" when it cannot be decrypted.
std::string decryptedInvitationCode(const std::string& code);
// Only "+" and decimal digits; "" is valid.
bool isValidPhoneCharacters(std::string_view text);
// The whole text is an e-mail address: name characters, "@", a domain and a
// dot followed by two or more letters (an ICU regular expression).
bool isValidEmail(std::string_view text);
platform::Bytes sha256Digest(std::span<const std::uint8_t> data);
std::string hexString(std::span<const std::uint8_t> data);
}  // namespace StringHelpers
