#include "Analytics/Engine/APMStringAdditions.h"

#include <cstdio>
#include <cstring>

#include "Platform/CommonCrypto/Digest.h"
#include "Platform/Runtime/CharacterSet.h"

std::optional<std::string> apm_MD5String(std::string_view text) {
  if (!platform::CharacterSet::isValidUtf8(text)) return std::nullopt;
  auto digest = platform::Digest::md5(text);
  std::string out;
  char hex[3];
  for (uint8_t byte : digest) {
    std::snprintf(hex, sizeof hex, "%02x", byte);
    out += hex;
  }
  return out;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> apm_stringByUnescapingFromURLArgument(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      int high = HexValue(text[i + 1]);
      int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  if (!platform::CharacterSet::isValidUtf8(out)) return std::nullopt;
  return out;
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
