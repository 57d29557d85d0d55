#include "Platform/Foundation/Utf8.h"

namespace platform {

void Utf8::appendCodePoint(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace platform

namespace platform {

std::size_t Utf8::sequenceLength(std::string_view text, std::size_t pos) {
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[pos + k]); };
  unsigned char c = at(0);
  std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (len == 0 || pos + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((at(k) & 0xC0) != 0x80) return 0;
  }
  if (len == 2 && c < 0xC2) return 0;
  if (len == 3) {
    unsigned cp = ((c & 0x0F) << 12) | ((at(1) & 0x3F) << 6) | (at(2) & 0x3F);
    if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  }
  if (len == 4) {
    unsigned cp = ((c & 0x07) << 18) | ((at(1) & 0x3F) << 12) | ((at(2) & 0x3F) << 6) | (at(3) & 0x3F);
    if (cp < 0x10000 || cp > 0x10FFFF) return 0;
  }
  return len;
}

std::size_t Utf8::decode(std::string_view text, std::size_t pos, char32_t* out) {
  const std::size_t len = pos < text.size() ? sequenceLength(text, pos) : 0;
  if (len == 0) {
    *out = U'\uFFFD';
    return 0;
  }
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[pos + k]); };
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t cp = byte(0) & kLeadMask[len];
  for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (byte(k) & 0x3F);
  *out = cp;
  return len;
}

std::u16string Utf8::toUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t len = decode(text, i, &cp);
    i += len == 0 ? 1 : len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf8::fromUtf16(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t cp = units[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    appendCodePoint(out, cp);
  }
  return out;
}

bool Utf8::isValid(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = sequenceLength(text, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

std::string Utf8::sanitize(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = sequenceLength(text, i);
    if (len == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text.substr(i, len));
      i += len;
    }
  }
  return out;
}

}  // namespace platform

namespace platform {

namespace {

bool IsWhiteSpace(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

bool Utf8::isBlank(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    const std::size_t len = decode(text, pos, &cp);
    if (len == 0 || !IsWhiteSpace(cp)) return false;
    pos += len;
  }
  return true;
}

}  // namespace platform
