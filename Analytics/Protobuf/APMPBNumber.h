// A boxed number that remembers how it was made (bool, 32/64-bit, signed or
// not, float or double) and converts like the platform's number objects.
#pragma once

#include <cstdint>

class APMPBNumber {
 public:
  enum class Kind { kBool, kInt, kUnsignedInt, kLongLong, kUnsignedLongLong, kFloat, kDouble };

  static APMPBNumber numberWithBool(bool value);
  static APMPBNumber numberWithInt(int32_t value);
  static APMPBNumber numberWithUnsignedInt(uint32_t value);
  static APMPBNumber numberWithLongLong(int64_t value);
  static APMPBNumber numberWithUnsignedLongLong(uint64_t value);
  static APMPBNumber numberWithFloat(float value);
  static APMPBNumber numberWithDouble(double value);

  Kind kind() const { return kind_; }
  bool isFloatType() const { return kind_ == Kind::kFloat || kind_ == Kind::kDouble; }

  bool boolValue() const;
  int32_t intValue() const;
  uint32_t unsignedIntValue() const;
  int64_t longLongValue() const;
  uint64_t unsignedLongLongValue() const;
  float floatValue() const;
  double doubleValue() const;

  friend bool operator==(const APMPBNumber& a, const APMPBNumber& b);

 private:
  APMPBNumber(Kind kind, int64_t i, uint64_t u, double d) : kind_(kind), i_(i), u_(u), d_(d) {}
  Kind kind_;
  int64_t i_;   // signed kinds and bool
  uint64_t u_;  // unsigned kinds
  double d_;    // float and double
};
