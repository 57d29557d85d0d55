#include "Analytics/Storage/APMUserAttribute.h"

#include <cmath>
#include <limits>

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"

std::optional<APMUserAttribute> APMUserAttribute::initWithOrigin(std::string origin, std::string name,
                                                                 APMValue value, double lastSetTimestamp) {
  if (!APMDataTypeValidator::isValidInternalUserAttributeName(name, nullptr)) return std::nullopt;
  if (!APMDataTypeValidator::isValidInternalUserAttributeValue(&value, name, nullptr)) return std::nullopt;
  return APMUserAttribute(std::move(origin), std::move(name), std::move(value), lastSetTimestamp);
}

int64_t APMUserAttribute::lastSetTimestampMillis() const {
  double millis = lastSetTimestamp_ * 1000;
  // Out-of-range times saturate instead of converting with undefined behaviour.
  if (std::isnan(millis)) return 0;
  if (millis >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (millis <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(millis);
}

std::shared_ptr<APMPBUserAttribute> APMUserAttribute::protoUserAttribute() const {
  auto message = std::make_shared<APMPBUserAttribute>();
  APMPBSetInt64(message.get(), 0, lastSetTimestampMillis());
  APMPBSetString(message.get(), 1, name_);
  if (const std::string* text = value_.stringPointer()) {
    APMPBSetString(message.get(), 2, *text);
  } else if (value_.isInt64()) {
    APMPBSetInt64(message.get(), 3, value_.int64Value());
  } else if (value_.isDouble()) {
    APMPBSetDouble(message.get(), 5, value_.doubleValue());
  }
  return message;
}
