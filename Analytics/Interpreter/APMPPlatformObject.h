// The host-side data that crosses into and out of programs (the event
// parameters and module results): nil, boolean, 64-bit integer, double,
// UTF-8 string, array or dictionary.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

class APMPPlatformObject {
 public:
  using Array = std::vector<APMPPlatformObject>;
  using Dictionary = std::map<std::string, APMPPlatformObject>;
  enum class Type { kNil, kBoolean, kInteger, kDouble, kString, kArray, kDictionary };

  APMPPlatformObject() = default;
  static APMPPlatformObject boolean(bool b) { return APMPPlatformObject(Storage(b)); }
  static APMPPlatformObject integer(int64_t i) { return APMPPlatformObject(Storage(i)); }
  static APMPPlatformObject number(double d) { return APMPPlatformObject(Storage(d)); }
  static APMPPlatformObject string(std::string s) { return APMPPlatformObject(Storage(std::move(s))); }
  static APMPPlatformObject array(Array a) {
    return APMPPlatformObject(Storage(std::make_shared<const Array>(std::move(a))));
  }
  static APMPPlatformObject dictionary(Dictionary d) {
    return APMPPlatformObject(Storage(std::make_shared<const Dictionary>(std::move(d))));
  }

  Type type() const { return static_cast<Type>(storage_.index()); }
  bool isNil() const { return type() == Type::kNil; }
  bool isNumber() const { return type() == Type::kInteger || type() == Type::kDouble; }
  bool isString() const { return type() == Type::kString; }
  bool boolValue() const { return std::get<bool>(storage_); }
  int64_t integerValue() const { return std::get<int64_t>(storage_); }
  double doubleValue() const;  // of a number or boolean
  const std::string& stringValue() const { return std::get<std::string>(storage_); }
  const Array& arrayValue() const { return *std::get<5>(storage_); }
  const Dictionary& dictionaryValue() const { return *std::get<6>(storage_); }

  // Platform equality: numbers and booleans by numeric value, strings by
  // text, collections element by element.
  bool isEqual(const APMPPlatformObject& other) const;
  std::string description() const;

 private:
  using Storage = std::variant<std::monostate, bool, int64_t, double, std::string, std::shared_ptr<const Array>,
                               std::shared_ptr<const Dictionary>>;
  explicit APMPPlatformObject(Storage s) : storage_(std::move(s)) {}
  Storage storage_;
};
