// One user property as stored and uploaded.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Analytics/Protobuf/APMPBMessage.h"

#include "Analytics/Storage/APMValue.h"

class APMUserAttribute {
 public:
  // None when the name or value fails the internal user-property checks (logged there).
  static std::optional<APMUserAttribute> initWithOrigin(std::string origin, std::string name, APMValue value,
                                                        double lastSetTimestamp);

  const std::string& origin() const { return origin_; }
  const std::string& name() const { return name_; }
  const APMValue& value() const { return value_; }
  double lastSetTimestamp() const { return lastSetTimestamp_; }
  // A non-empty name that does not start with "_".
  bool isPublic() const { return !name_.empty() && name_[0] != '_'; }
  // Set time in milliseconds, as uploaded.
  int64_t lastSetTimestampMillis() const;
  // The upload form: set time (ms), name, and the string, int64 or double value.
  std::shared_ptr<APMPBUserAttribute> protoUserAttribute() const;

 private:
  APMUserAttribute(std::string origin, std::string name, APMValue value, double lastSetTimestamp)
      : origin_(std::move(origin)), name_(std::move(name)), value_(std::move(value)), lastSetTimestamp_(lastSetTimestamp) {}

  std::string origin_;
  std::string name_;
  APMValue value_;
  double lastSetTimestamp_;
};
