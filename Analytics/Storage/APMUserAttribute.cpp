#include "Analytics/Storage/APMUserAttribute.h"

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Platform/Foundation/SaturatingCast.h"

std::optional<APMUserAttribute> APMUserAttribute::initWithOrigin(std::string origin, std::string name,
                                                                 APMValue value, double lastSetTimestamp) {
  if (!APMDataTypeValidator::isValidInternalUserAttributeName(name, nullptr)) return std::nullopt;
  if (!APMDataTypeValidator::isValidInternalUserAttributeValue(&value, name, nullptr)) return std::nullopt;
  return APMUserAttribute(std::move(origin), std::move(name), std::move(value), lastSetTimestamp);
}

int64_t APMUserAttribute::lastSetTimestampMillis() const {
  return platform::SaturatingCast::toInt64(lastSetTimestamp_ * 1000);
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
