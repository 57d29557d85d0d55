#include "Analytics/Engine/APMStringAdditions.h"

#include <cstdio>
#include <cstring>

#include "Platform/CommonCrypto/Digest.h"
#include "Platform/CommonCrypto/Hex.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Runtime/CharacterSet.h"

std::optional<std::string> apm_MD5String(std::string_view text) {
  if (!platform::CharacterSet::isValidUtf8(text)) return std::nullopt;
  return platform::Hex::encode(platform::Digest::md5(text));
}

std::optional<std::string> apm_stringByUnescapingFromURLArgument(std::string_view text) {
  // '+' is a space in form arguments; an escaped "%2B" stays a plus.
  std::string spaced(text);
  for (char& c : spaced) {
    if (c == '+') c = ' ';
  }
  return platform::URL::removingPercentEncoding(spaced);
}

size_t apm_UTF32Length(std::string_view text) { return platform::CharacterSet::codePointCount(text); }

bool apm_getUTF32Bytes(std::string_view text, uint8_t* buffer, size_t maxBytes) {
  if (!platform::CharacterSet::isValidUtf8(text) || buffer == nullptr) return false;
  size_t offset = 0;
  for (char32_t cp : platform::CharacterSet::codePoints(text)) {
    if (offset + 4 > maxBytes) break;
    uint32_t value = static_cast<uint32_t>(cp);
    for (int k = 0; k < 4; ++k) buffer[offset + static_cast<size_t>(k)] = static_cast<uint8_t>(value >> (8 * k));
    offset += 4;
  }
  return true;
}

std::string APMPercentEncodeQueryComponent(std::string_view text) {
  static const char* kAllowed = "-._~!$'()*,;:@/?";
  std::string out;
  for (unsigned char c : text) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 (c != 0 && std::strchr(kAllowed, c) != nullptr);
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      out += escaped;
    }
  }
  return out;
}
