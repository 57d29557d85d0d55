// The parsed operands of one number filter, and the number-filter tests that
// use them. A test answers true, false, or none when the filter or the value
// cannot be evaluated (a none leaves the audience's stored result alone).
#pragma once

#include <optional>

#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Protobuf/APMPBMessage.h"

class APMAudienceComparisonValues {
 public:
  // Comparison types of a number filter.
  enum ComparisonType { kUnknown = 0, kLessThan = 1, kGreaterThan = 2, kEqual = 3, kBetween = 4 };

  // The operands the filter's type needs; not valid (logged) when one is
  // missing or no decimal number.
  static APMAudienceComparisonValues fromNumberFilter(const APMPBNumberFilter& filter);

  const std::optional<APMDecimalNumber>& comparisonValue() const { return comparisonValue_; }
  const std::optional<APMDecimalNumber>& minComparisonValue() const { return minComparisonValue_; }
  const std::optional<APMDecimalNumber>& maxComparisonValue() const { return maxComparisonValue_; }
  bool valid() const { return valid_; }
  void setComparisonValue(std::optional<APMDecimalNumber> value) { comparisonValue_ = std::move(value); }
  void setMinComparisonValue(std::optional<APMDecimalNumber> value) { minComparisonValue_ = std::move(value); }
  void setMaxComparisonValue(std::optional<APMDecimalNumber> value) { maxComparisonValue_ = std::move(value); }
  void setValid(bool valid) { valid_ = valid; }

  // Whether the filter can be evaluated at all (logs each fault).
  static bool isValidNumberFilter(const APMPBNumberFilter& filter);
  // The decimal path: integers and numeric strings.
  static std::optional<bool> evaluateNumberFilter(const APMPBNumberFilter& filter, const APMDecimalNumber& value);
  // The double path: equality tolerates one unit in the last place either side.
  static std::optional<bool> evaluateNumberFilter(const APMPBNumberFilter& filter, double value);

 private:
  std::optional<APMDecimalNumber> comparisonValue_;
  std::optional<APMDecimalNumber> minComparisonValue_;
  std::optional<APMDecimalNumber> maxComparisonValue_;
  bool valid_ = false;
};
