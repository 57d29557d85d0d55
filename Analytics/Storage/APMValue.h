// The typed value of a user property or event parameter: a double, a 64-bit
// integer, a string or an array (of plain items). Immutable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "Platform/Foundation/Value.h"

class APMValue {
 public:
  enum ValueType : int64_t { kDouble = 0, kInt64 = 1, kString = 2, kArray = 3 };

  // A plain object (none standing for nil) -> value; none (logged) for nil or
  // an unsupported kind. Booleans become int64 values; arrays only when allowed.
  static std::optional<APMValue> valueFromObject(const std::optional<platform::Value>& object,
                                                 bool allowArray = false);
  static std::optional<APMValue> valueFromObject(const platform::Value& object, bool allowArray = false) {
    return valueFromObject(std::optional<platform::Value>(object), allowArray);
  }
  static std::optional<APMValue> valueFromObject(const std::variant<platform::Value, APMValue>& object,
                                                 bool allowArray = false);

  explicit APMValue(double value) : valueType_(kDouble), value_(value) {}
  explicit APMValue(int64_t value) : valueType_(kInt64), value_(value) {}
  explicit APMValue(int value) : APMValue(static_cast<int64_t>(value)) {}
  explicit APMValue(std::string value) : valueType_(kString), value_(std::move(value)) {}
  explicit APMValue(const char* value) : APMValue(std::string(value)) {}
  explicit APMValue(platform::Value::Array value) : valueType_(kArray), value_(std::move(value)) {}

  // Checked forms: none (logged) for nil or an object of another kind.
  static std::optional<APMValue> initWithString(const std::optional<platform::Value>& object);
  static std::optional<APMValue> initWithArray(const std::optional<platform::Value>& object);

  ValueType valueType() const { return valueType_; }
  bool isDouble() const { return valueType_ == kDouble; }
  bool isInt64() const { return valueType_ == kInt64; }
  bool isString() const { return valueType_ == kString; }
  bool isArray() const { return valueType_ == kArray; }
  double doubleValue() const;
  int64_t int64Value() const;
  std::optional<std::string> stringValue() const;
  std::optional<platform::Value::Array> arrayValue() const;
  const std::string* stringPointer() const { return std::get_if<std::string>(&value_); }
  const platform::Value::Array* arrayPointer() const { return std::get_if<platform::Value::Array>(&value_); }

  // The content as a plain value.
  platform::Value plainValue() const;
  std::string description() const;
  size_t hash() const;

  // Kinds must match: the double 1.0 and the int64 1 differ.
  friend bool operator==(const APMValue& a, const APMValue& b) {
    return a.valueType_ == b.valueType_ && a.plainValue() == b.plainValue();
  }

 private:
  ValueType valueType_;
  std::variant<double, int64_t, std::string, platform::Value::Array> value_;
};
