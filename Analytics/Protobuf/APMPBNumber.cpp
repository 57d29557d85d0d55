#include "Analytics/Protobuf/APMPBNumber.h"

#include "Platform/Foundation/SaturatingCast.h"

using platform::SaturatingCast;

APMPBNumber APMPBNumber::numberWithBool(bool value) { return {Kind::kBool, value ? 1 : 0, value ? 1u : 0u, value ? 1.0 : 0.0}; }
APMPBNumber APMPBNumber::numberWithInt(int32_t value) {
  return {Kind::kInt, value, static_cast<uint64_t>(static_cast<int64_t>(value)), static_cast<double>(value)};
}
APMPBNumber APMPBNumber::numberWithUnsignedInt(uint32_t value) {
  return {Kind::kUnsignedInt, value, value, static_cast<double>(value)};
}
APMPBNumber APMPBNumber::numberWithLongLong(int64_t value) {
  return {Kind::kLongLong, value, static_cast<uint64_t>(value), static_cast<double>(value)};
}
APMPBNumber APMPBNumber::numberWithUnsignedLongLong(uint64_t value) {
  return {Kind::kUnsignedLongLong, static_cast<int64_t>(value), value, static_cast<double>(value)};
}
APMPBNumber APMPBNumber::numberWithFloat(float value) {
  return {Kind::kFloat, SaturatingCast::toInt64(value), SaturatingCast::toUInt64(value), static_cast<double>(value)};
}
APMPBNumber APMPBNumber::numberWithDouble(double value) {
  return {Kind::kDouble, SaturatingCast::toInt64(value), SaturatingCast::toUInt64(value), value};
}

bool APMPBNumber::boolValue() const { return isFloatType() ? d_ != 0.0 : i_ != 0; }
int32_t APMPBNumber::intValue() const { return static_cast<int32_t>(longLongValue()); }
uint32_t APMPBNumber::unsignedIntValue() const { return static_cast<uint32_t>(unsignedLongLongValue()); }
int64_t APMPBNumber::longLongValue() const { return i_; }
uint64_t APMPBNumber::unsignedLongLongValue() const { return u_; }
float APMPBNumber::floatValue() const { return static_cast<float>(d_); }
double APMPBNumber::doubleValue() const { return d_; }

bool operator==(const APMPBNumber& a, const APMPBNumber& b) {
  if (a.isFloatType() || b.isFloatType()) return a.d_ == b.d_;
  return a.i_ == b.i_ && a.u_ == b.u_;
}
