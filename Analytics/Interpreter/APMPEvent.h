// An event as programs see it: name, timestamp and parameters.
#pragma once

#include <string>

#include "Analytics/Interpreter/APMPPlatformObject.h"

class APMPEvent {
 public:
  APMPEvent() = default;
  APMPEvent(std::string name, double timestamp, APMPPlatformObject::Dictionary parameters)
      : parameters_(std::move(parameters)), name_(std::move(name)), timestamp_(timestamp) {}

  const APMPPlatformObject* parameterForName(const std::string& name) const;
  // Nil removes; numbers are adjusted by the name and the current value.
  void setParameter(const APMPPlatformObject& value, const std::string& name);
  bool hasParameterName(const std::string& name) const { return parameters_.count(name) != 0; }
  const APMPPlatformObject::Dictionary& parameters() const { return parameters_; }
  // Parameters compared both ways, numbers also by integer/floating kind.
  bool isEqualToEvent(const APMPEvent& other) const;

  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  double timestamp() const { return timestamp_; }
  void setTimestamp(double t) { timestamp_ = t; }

  // The stored form of a number set under `name` over `current` (null when absent).
  static APMPPlatformObject adjustedNumber(const APMPPlatformObject& value, const std::string& name,
                                           const APMPPlatformObject* current);

 private:
  APMPPlatformObject::Dictionary parameters_;
  std::string name_;
  double timestamp_ = 0;
};
