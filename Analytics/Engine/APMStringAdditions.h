// String digests, URL-argument unescaping and UTF-32 measuring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// MD5 of the UTF-8 bytes as 32 lowercase hex digits; none for malformed UTF-8.
std::optional<std::string> apm_MD5String(std::string_view text);
// "+" becomes a blank, then percent-decoding; none for a malformed escape or malformed UTF-8.
std::optional<std::string> apm_stringByUnescapingFromURLArgument(std::string_view text);
// Number of code points.
size_t apm_UTF32Length(std::string_view text);
// Copies the code points as UTF-32 little-endian, at most maxBytes bytes; false for malformed UTF-8.
bool apm_getUTF32Bytes(std::string_view text, uint8_t* buffer, size_t maxBytes);
// Percent-encodes everything outside the URL query set, and also "&", "=", "+" and "#".
std::string APMPercentEncodeQueryComponent(std::string_view text);
