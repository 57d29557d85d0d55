// The typed value of a user property or event parameter: a double, a 64-bit
// integer, a string or an array (of plain items). Immutable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
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

  explicit APMValue(double value) : value_(value) {}
  explicit APMValue(int64_t value) : value_(value) {}
  explicit APMValue(int value) : APMValue(static_cast<int64_t>(value)) {}
  explicit APMValue(std::string value) : value_(std::move(value)) {}
  explicit APMValue(const char* value) : APMValue(std::string(value)) {}
  explicit APMValue(platform::Value::Array value) : value_(std::move(value)) {}

  // Checked forms: none (logged) for nil or an object of another kind.
  static std::optional<APMValue> initWithString(const std::optional<platform::Value>& object);
  static std::optional<APMValue> initWithArray(const std::optional<platform::Value>& object);

  ValueType valueType() const { return static_cast<ValueType>(value_.index()); }
  bool isDouble() const { return valueType() == kDouble; }
  bool isInt64() const { return valueType() == kInt64; }
  bool isString() const { return valueType() == kString; }
  bool isArray() const { return valueType() == kArray; }
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
  friend bool operator==(const APMValue& a, const APMValue& b) { return a.value_ == b.value_; }

 private:
  // The alternative's index is the ValueType.
  using Storage = std::variant<double, int64_t, std::string, platform::Value::Array>;
  static_assert(std::is_same_v<std::variant_alternative_t<kDouble, Storage>, double>);
  static_assert(std::is_same_v<std::variant_alternative_t<kInt64, Storage>, int64_t>);
  static_assert(std::is_same_v<std::variant_alternative_t<kString, Storage>, std::string>);
  static_assert(std::is_same_v<std::variant_alternative_t<kArray, Storage>, platform::Value::Array>);

  Storage value_;
};
