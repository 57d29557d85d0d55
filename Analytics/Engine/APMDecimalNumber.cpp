#include "Analytics/Engine/APMDecimalNumber.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool APMIsDecimalNumberString(std::string_view text) {
  if (text.empty()) return false;
  size_t i = 0;
  if (text[0] == '+' || text[0] == '-') i = 1;
  size_t intStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  size_t intDigits = i - intStart;
  if (i == text.size()) return intDigits > 0;
  if (text[i] != '.') return false;
  ++i;
  size_t fracStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  if (i != text.size()) return false;
  size_t fracDigits = i - fracStart;
  // "5." or ".5" / "5.5"; a lone point is no number.
  return intDigits > 0 || fracDigits > 0;
}

std::optional<APMDecimalNumber> APMDecimalNumber::fromString(std::string_view text) {
  if (!APMIsDecimalNumberString(text)) return std::nullopt;
  APMDecimalNumber number;
  size_t i = 0;
  if (text[0] == '+' || text[0] == '-') {
    number.negative_ = text[0] == '-';
    i = 1;
  }
  std::string all;
  int64_t pointPosition = -1;
  for (; i < text.size(); ++i) {
    if (text[i] == '.') {
      pointPosition = static_cast<int64_t>(all.size());
    } else {
      all.push_back(text[i]);
    }
  }
  int64_t fractionDigits = pointPosition < 0 ? 0 : static_cast<int64_t>(all.size()) - pointPosition;
  size_t first = all.find_first_not_of('0');
  if (first == std::string::npos) return number;  // zero
  all.erase(0, first);
  int64_t exponent = -fractionDigits;
  while (!all.empty() && all.back() == '0') {
    all.pop_back();
    ++exponent;
  }
  if (all.size() > static_cast<size_t>(kMaxDigits)) {
    exponent += static_cast<int64_t>(all.size()) - kMaxDigits;
    all.resize(kMaxDigits);
    while (!all.empty() && all.back() == '0') {
      all.pop_back();
      ++exponent;
    }
  }
  number.digits_ = all;
  number.exponent_ = exponent;
  return number;
}

int APMDecimalNumber::compare(const APMDecimalNumber& a, const APMDecimalNumber& b) {
  const int signA = a.isZero() ? 0 : (a.negative_ ? -1 : 1);
  const int signB = b.isZero() ? 0 : (b.negative_ ? -1 : 1);
  if (signA != signB) return signA < signB ? -1 : 1;
  if (signA == 0) return 0;
  // Magnitudes: first by the place of the leading digit, then digit by digit.
  int magnitude = 0;
  const int64_t leadA = static_cast<int64_t>(a.digits_.size()) + a.exponent_;
  const int64_t leadB = static_cast<int64_t>(b.digits_.size()) + b.exponent_;
  if (leadA != leadB) {
    magnitude = leadA < leadB ? -1 : 1;
  } else {
    const size_t length = std::max(a.digits_.size(), b.digits_.size());
    for (size_t i = 0; i < length && magnitude == 0; ++i) {
      const char da = i < a.digits_.size() ? a.digits_[i] : '0';
      const char db = i < b.digits_.size() ? b.digits_[i] : '0';
      if (da != db) magnitude = da < db ? -1 : 1;
    }
  }
  return signA < 0 ? -magnitude : magnitude;
}

std::string APMDecimalNumber::stringValue() const {
  if (isZero()) return "0";
  std::string out = negative_ ? "-" : "";
  int64_t count = static_cast<int64_t>(digits_.size());
  if (exponent_ >= 0) {
    out += digits_;
    out.append(static_cast<size_t>(exponent_), '0');
  } else if (-exponent_ >= count) {
    out += "0.";
    out.append(static_cast<size_t>(-exponent_ - count), '0');
    out += digits_;
  } else {
    size_t integerDigits = static_cast<size_t>(count + exponent_);
    out += digits_.substr(0, integerDigits) + "." + digits_.substr(integerDigits);
  }
  return out;
}

APMDecimalNumber APMDecimalNumber::negated() const {
  APMDecimalNumber copy = *this;
  if (!isZero()) copy.negative_ = !negative_;
  return copy;
}

std::optional<int64_t> APMDecimalNumber::truncatedInt64Product(int64_t factor, int powerOfTen) const {
  if (isZero() || factor == 0) return 0;
  const bool negative = negative_ != (factor < 0);
  const uint64_t magnitude = factor < 0 ? 0 - static_cast<uint64_t>(factor) : static_cast<uint64_t>(factor);
  // Schoolbook product of the digits (most significant first) and the factor,
  // kept as little-endian base-10 digits: up to 38 + 20 of them.
  std::vector<uint32_t> product;
  for (auto it = digits_.rbegin(); it != digits_.rend(); ++it) product.push_back(static_cast<uint32_t>(*it - '0'));
  std::vector<uint32_t> result(product.size() + 21, 0);
  uint64_t factorDigits[20];
  int factorCount = 0;
  for (uint64_t rest = magnitude; rest != 0; rest /= 10) factorDigits[factorCount++] = rest % 10;
  for (size_t i = 0; i < product.size(); ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < factorCount || carry != 0; ++j) {
      uint64_t sum = result[i + static_cast<size_t>(j)] + carry +
                     (j < factorCount ? product[i] * factorDigits[j] : 0);
      result[i + static_cast<size_t>(j)] = static_cast<uint32_t>(sum % 10);
      carry = sum / 10;
    }
  }
  // Digit k of `result` weighs 10^(k + exponent + powerOfTen); the digits
  // below 10^0 are dropped (truncation toward zero).
  const int64_t shift = exponent_ + powerOfTen;
  uint64_t integer = 0;
  constexpr uint64_t kLimit = static_cast<uint64_t>(INT64_MAX) + 1;  // |INT64_MIN|
  for (int64_t k = static_cast<int64_t>(result.size()) - 1; k >= 0; --k) {
    const int64_t weight = k + shift;
    if (weight < 0) break;
    const uint32_t digit = result[static_cast<size_t>(k)];
    if (digit == 0 && integer == 0) continue;
    if (weight > 18) return std::nullopt;  // at least 10^19
    // integer = integer * 10 + digit, then times 10 for every zero place
    // between this digit and the next stored one.
    if (integer > (kLimit - digit) / 10) return std::nullopt;
    integer = integer * 10 + digit;
    if (k == 0) {
      for (int64_t z = 0; z < weight; ++z) {
        if (integer > kLimit / 10) return std::nullopt;
        integer *= 10;
      }
    }
  }
  if (integer > kLimit || (!negative && integer == kLimit)) return std::nullopt;
  if (negative) return integer == kLimit ? INT64_MIN : -static_cast<int64_t>(integer);
  return static_cast<int64_t>(integer);
}

double APMDecimalNumber::doubleValue() const { return std::strtod(stringValue().c_str(), nullptr); }

std::optional<APMDecimalNumber> APMDecimalNumberFromString(std::string_view text) {
  APMMonitor& monitor = APMMeasurementMonitor();
  if (!APMIsDecimalNumberString(text)) {
    monitor.logWithLevel(2, 26001, "String value does not represent a numeric value. Value", std::string(text));
    return std::nullopt;
  }
  auto number = APMDecimalNumber::fromString(text);
  if (!number) {
    monitor.logWithLevel(2, 26002, "Unable to create a NSDecimalNumber from string value. Value",
                         std::string(text));
    return std::nullopt;
  }
  std::string check(text);
  if (check.rfind("+.", 0) == 0 || check.rfind("-.", 0) == 0 || check.rfind(".", 0) == 0) {
    std::string replaced;
    for (char c : check) {
      if (c == '.') {
        replaced += "0.";
      } else {
        replaced.push_back(c);
      }
    }
    check = replaced;
  }
  std::string canonical = number->isNegative() ? number->negated().stringValue() : number->stringValue();
  if (check.find(canonical) == std::string::npos) {
    monitor.logWithLevel(2, 26003, "Unable to create a NSDecimalNumber from string value: loss of precision. Value",
                         check);
    return std::nullopt;
  }
  return number;
}
