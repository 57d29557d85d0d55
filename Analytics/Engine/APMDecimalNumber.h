// A decimal number of up to 38 significant digits (mantissa and a base-ten
// exponent), parsed strictly from decimal text, and the numeric filter-value
// parsing built on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class APMDecimalNumber {
 public:
  static constexpr int kMaxDigits = 38;

  // Parses decimal text ("-1.50", "+.5", "007"); digits beyond the 38th are
  // dropped, as the decimal type cannot hold them. None for other text.
  static std::optional<APMDecimalNumber> fromString(std::string_view text);

  bool isNegative() const { return negative_ && !isZero(); }
  bool isZero() const { return digits_.empty(); }
  // Canonical text: no leading or trailing zeros ("7", "1.5", "0.05", "-2").
  std::string stringValue() const;
  // The value with its sign flipped.
  APMDecimalNumber negated() const;
  double doubleValue() const;
  // The value x factor x 10^powerOfTen, computed exactly and truncated toward
  // zero once; none when the result lies outside int64 (money in micros:
  // "2.01" x 1 x 10^6 is 2010000, where a double gives 2009999).
  std::optional<int64_t> truncatedInt64Product(int64_t factor, int powerOfTen) const;

  friend bool operator==(const APMDecimalNumber&, const APMDecimalNumber&) = default;
  // Numeric order: negative, zero (either sign) or positive as a is below,
  // equal to or above b.
  static int compare(const APMDecimalNumber& a, const APMDecimalNumber& b);

 private:
  bool negative_ = false;
  std::string digits_;  // significant digits, no leading or trailing zeros
  int64_t exponent_ = 0;  // value = digits x 10^exponent
};

// True for non-empty text matching ^[+-]?(([0-9]+\.?)|([0-9]*\.[0-9]+))$.
bool APMIsDecimalNumberString(std::string_view text);
// The number, or none (logged) when the text is no decimal number or would lose precision.
std::optional<APMDecimalNumber> APMDecimalNumberFromString(std::string_view text);
