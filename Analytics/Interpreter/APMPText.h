// Text helpers of the interpreter: number <-> text, UTF-8 <-> UTF-16, the
// white-space set, plain comparison and canonical-equivalent search.
#pragma once

#include <string>
#include <string_view>

// Number text: "NaN", "Infinity", "0" for zeros, decimal for
// 1e-6 <= |x| < 1e21 with at most 17 significant digits, else "1.5e+21".
std::u16string APMPNumberToText(double value);
// String number: trimmed; "" -> 0, "NaN", "Infinity", "-Infinity", else a
// decimal floating-point literal covering the whole text, else NaN.
double APMPTextToNumber(std::u16string_view text);

bool APMPIsWhitespaceOrNewline(char16_t c);
std::u16string_view APMPTrim(std::u16string_view text);

std::u16string APMPUtf16(std::string_view utf8);
std::string APMPUtf8(std::u16string_view utf16);

// Plain, case-sensitive, non-localised order (canonically equivalent texts
// are equal): -1, 0 or 1.
int APMPCompareText(std::u16string_view a, std::u16string_view b);

// Position (UTF-16 units of `text`) of the first occurrence of `needle`
// starting at or after `from`, matching canonically equivalent sequences.
// -1 when absent or when the needle is empty. `matchLength` receives the
// length of the match in `text`.
long APMPFindText(std::u16string_view text, std::u16string_view needle, size_t from, size_t* matchLength);
// The last occurrence lying entirely within [0, limit).
long APMPFindLastText(std::u16string_view text, std::u16string_view needle, size_t limit, size_t* matchLength);
