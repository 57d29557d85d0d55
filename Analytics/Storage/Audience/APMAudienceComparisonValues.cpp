#include "Analytics/Storage/Audience/APMAudienceComparisonValues.h"

#include <charconv>
#include <cmath>
#include <string>

#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Audience/APMFilterLogContext.h"

namespace {

// NumberFilter
constexpr int32_t kComparisonTypeField = 0;
constexpr int32_t kComparisonValueField = 2;
constexpr int32_t kMinComparisonValueField = 3;
constexpr int32_t kMaxComparisonValueField = 4;

std::optional<std::string> Operand(const APMPBNumberFilter& filter, int32_t field) {
  if (!APMPBHasField(&filter, field)) return std::nullopt;
  return APMPBGetString(&filter, field);
}

bool IsDecimalOperand(const APMPBNumberFilter& filter, int32_t field) {
  auto text = Operand(filter, field);
  return text && APMIsDecimalNumberString(*text);
}

// Locale-free, to the nearest double; none for text that is no decimal
// number or lies beyond the double range.
std::optional<double> DoubleOperand(const APMPBNumberFilter& filter, int32_t field) {
  auto text = Operand(filter, field);
  if (!text || !APMIsDecimalNumberString(*text)) return std::nullopt;
  std::string_view digits = *text;
  if (digits.front() == '+') digits.remove_prefix(1);
  double value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

bool APMAudienceComparisonValues::isValidNumberFilter(const APMPBNumberFilter& filter) {
  if (!APMPBHasField(&filter, kComparisonTypeField)) {
    Monitor().logWithLevel(1, 8006, "Number filter has no comparison type");
    return false;
  }
  const int32_t type = APMPBGetInt32(&filter, kComparisonTypeField);
  if (type == kUnknown) {
    Monitor().logWithLevel(1, 8007, "Number filter has unknown comparison type");
    return false;
  }
  if (type < kUnknown || type > kBetween) {
    Monitor().logWithLevel(1, 8011, "Number filter has a real unknown comparison type");
    return false;
  }
  if (type != kBetween) {
    if (IsDecimalOperand(filter, kComparisonValueField)) return true;
    Monitor().logWithLevel(1, 8008, "Numeric filter does not have a valid comparison value. Filter",
                           APMFilterLogContext("APMPBNumberFilter", filter));
    return false;
  }
  bool valid = true;
  if (!IsDecimalOperand(filter, kMinComparisonValueField)) {
    Monitor().logWithLevel(1, 8009, "Numeric filter does not have a valid min comparison value. Filter",
                           APMFilterLogContext("APMPBNumberFilter", filter));
    valid = false;
  }
  if (!IsDecimalOperand(filter, kMaxComparisonValueField)) {
    Monitor().logWithLevel(1, 8010, "Numeric filter does not have a valid max comparison value. Filter",
                           APMFilterLogContext("APMPBNumberFilter", filter));
    valid = false;
  }
  return valid;
}

APMAudienceComparisonValues APMAudienceComparisonValues::fromNumberFilter(const APMPBNumberFilter& filter) {
  APMAudienceComparisonValues values;
  const int32_t type = APMPBGetInt32(&filter, kComparisonTypeField);
  if (type != kBetween) {
    auto text = Operand(filter, kComparisonValueField);
    if (!text) {
      Monitor().logWithLevel(1, 8001, "Number filter has no comparison value");
      return values;
    }
    values.comparisonValue_ = APMDecimalNumberFromString(*text);
    if (!values.comparisonValue_) {
      Monitor().logWithLevel(1, 8002, "Number filter comparison value is not a number");
      return values;
    }
    values.valid_ = true;
    return values;
  }
  auto minText = Operand(filter, kMinComparisonValueField);
  auto maxText = Operand(filter, kMaxComparisonValueField);
  if (!minText || !maxText) {
    Monitor().logWithLevel(1, 8003, "Number filter does not have both min and max comparison values");
    return values;
  }
  values.minComparisonValue_ = APMDecimalNumberFromString(*minText);
  if (!values.minComparisonValue_) {
    Monitor().logWithLevel(1, 8004, "Number filter min comparison value is not a number");
    return values;
  }
  values.maxComparisonValue_ = APMDecimalNumberFromString(*maxText);
  if (!values.maxComparisonValue_) {
    Monitor().logWithLevel(1, 8005, "Number filter max comparison value is not a number");
    return values;
  }
  values.valid_ = true;
  return values;
}

std::optional<bool> APMAudienceComparisonValues::evaluateNumberFilter(const APMPBNumberFilter& filter,
                                                                      const APMDecimalNumber& value) {
  if (!isValidNumberFilter(filter)) return std::nullopt;
  const auto values = fromNumberFilter(filter);
  if (!values.valid()) {
    Monitor().logWithLevel(1, 8015,
                           "Parsed decimal number comparison values are not valid. Audience filter will not be "
                           "evaluated. Filter",
                           APMFilterLogContext("APMPBNumberFilter", filter));
    return std::nullopt;
  }
  switch (APMPBGetInt32(&filter, kComparisonTypeField)) {
    case kLessThan: return APMDecimalNumber::compare(value, *values.comparisonValue()) < 0;
    case kGreaterThan: return APMDecimalNumber::compare(value, *values.comparisonValue()) > 0;
    case kEqual: return APMDecimalNumber::compare(value, *values.comparisonValue()) == 0;
    case kBetween:
      return APMDecimalNumber::compare(*values.minComparisonValue(), value) <= 0 &&
             APMDecimalNumber::compare(value, *values.maxComparisonValue()) <= 0;
    default: return std::nullopt;  // excluded by the validity check
  }
}

std::optional<bool> APMAudienceComparisonValues::evaluateNumberFilter(const APMPBNumberFilter& filter,
                                                                      double value) {
  if (!isValidNumberFilter(filter)) return std::nullopt;
  const int32_t type = APMPBGetInt32(&filter, kComparisonTypeField);
  const bool between = type == kBetween;
  auto comparison = between ? std::optional<double>(0) : DoubleOperand(filter, kComparisonValueField);
  auto minimum = between ? DoubleOperand(filter, kMinComparisonValueField) : std::optional<double>(0);
  auto maximum = between ? DoubleOperand(filter, kMaxComparisonValueField) : std::optional<double>(0);
  if (!comparison || !minimum || !maximum) {
    Monitor().logWithLevel(1, 8012,
                           "Number filter is invalid, the comparison filter is not valid. Audience filter will not "
                           "be evaluated");
    return std::nullopt;
  }
  switch (type) {
    case kLessThan: return value < *comparison;
    case kGreaterThan: return value > *comparison;
    case kEqual: {
      // Two representable steps either way bound an open interval: one ulp
      // of rounding on either side still counts as equal.
      const double low = std::nextafter(std::nextafter(*comparison, -INFINITY), -INFINITY);
      const double high = std::nextafter(std::nextafter(*comparison, INFINITY), INFINITY);
      return low < value && value < high;
    }
    case kBetween: return *minimum <= value && value <= *maximum;
    default: return std::nullopt;
  }
}
