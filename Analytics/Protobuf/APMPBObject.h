// A dynamically typed value handed to and from the array and flag helpers:
// nil, a number, a string, bytes, a message object, or some other object known
// only by its class name (which the helpers refuse).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "Analytics/Protobuf/APMPBNumber.h"

class NANOMessageBase;

using APMPBData = std::vector<uint8_t>;

class APMPBObject {
 public:
  struct Foreign {
    std::string className;
  };

  APMPBObject() = default;  // nil
  APMPBObject(APMPBNumber number) : value_(number) {}                          // NOLINT
  APMPBObject(std::string string) : value_(std::move(string)) {}              // NOLINT
  APMPBObject(const char* string) : value_(std::string(string)) {}             // NOLINT
  APMPBObject(APMPBData data) : value_(std::move(data)) {}                    // NOLINT
  APMPBObject(std::shared_ptr<NANOMessageBase> message);                      // NOLINT
  static APMPBObject foreign(std::string className) { return APMPBObject(Foreign{std::move(className)}); }

  bool isNil() const { return std::holds_alternative<std::monostate>(value_); }
  bool isNumber() const { return std::holds_alternative<APMPBNumber>(value_); }
  bool isString() const { return std::holds_alternative<std::string>(value_); }
  bool isData() const { return std::holds_alternative<APMPBData>(value_); }
  bool isMessage() const;

  const APMPBNumber* number() const { return std::get_if<APMPBNumber>(&value_); }
  const std::string* string() const { return std::get_if<std::string>(&value_); }
  const APMPBData* data() const { return std::get_if<APMPBData>(&value_); }
  const std::shared_ptr<NANOMessageBase>& message() const;

  // The class name shown in log lines.
  std::string className() const;

 private:
  explicit APMPBObject(Foreign foreign) : value_(std::move(foreign)) {}
  std::variant<std::monostate, APMPBNumber, std::string, APMPBData,
               std::shared_ptr<NANOMessageBase>, Foreign>
      value_;
};
