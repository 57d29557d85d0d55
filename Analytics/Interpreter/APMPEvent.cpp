#include "Analytics/Interpreter/APMPEvent.h"

#include <cmath>

#include "Analytics/Interpreter/APMPEvaluator.h"
#include "Analytics/Interpreter/APMPText.h"

const APMPPlatformObject* APMPEvent::parameterForName(const std::string& name) const {
  auto it = parameters_.find(name);
  return it == parameters_.end() ? nullptr : &it->second;
}

APMPPlatformObject APMPEvent::adjustedNumber(const APMPPlatformObject& value, const std::string& name,
                                             const APMPPlatformObject* current) {
  double d = value.doubleValue();
  if (name == "_syn" || name == "_err" || name == "_el") return APMPPlatformObject::integer(APMPToInt64(d));
  if (!current) return value;
  switch (current->type()) {
    case APMPPlatformObject::Type::kDouble:
      return value;
    case APMPPlatformObject::Type::kInteger:
      if (!name.empty() && name[0] == '_') return *current;
      return APMPPlatformObject::integer(APMPToInt64(d));
    case APMPPlatformObject::Type::kString:
      if (value.type() == APMPPlatformObject::Type::kInteger) {
        return APMPPlatformObject::string(std::to_string(value.integerValue()));
      }
      return APMPPlatformObject::string(APMPUtf8(APMPNumberToText(d)));
    default:
      return value;
  }
}

void APMPEvent::setParameter(const APMPPlatformObject& value, const std::string& name) {
  if (value.isNil()) {
    parameters_.erase(name);
    return;
  }
  if (!value.isNumber()) {
    parameters_[name] = value;
    return;
  }
  parameters_[name] = adjustedNumber(value, name, parameterForName(name));
}

namespace {

bool sameParameters(const APMPPlatformObject::Dictionary& a, const APMPPlatformObject::Dictionary& b) {
  for (const auto& [k, v] : a) {
    auto it = b.find(k);
    if (it == b.end() || !v.isEqual(it->second)) return false;
    if (v.isNumber() && it->second.isNumber() && v.type() != it->second.type()) return false;
  }
  return true;
}

}  // namespace

bool APMPEvent::isEqualToEvent(const APMPEvent& other) const {
  if (this == &other) return true;
  // Equal timestamps (NaN included) are equal: an unparsable time is no edit.
  bool sameTime = timestamp_ == other.timestamp_ || (std::isnan(timestamp_) && std::isnan(other.timestamp_)) ||
                  std::fabs(timestamp_ - other.timestamp_) <= 2.220446049250313e-16;
  if (!sameTime) return false;
  if (name_ != other.name_) return false;
  // Both ways: a parameter removed by a callback is an edit too.
  return sameParameters(parameters_, other.parameters_) && sameParameters(other.parameters_, parameters_);
}
