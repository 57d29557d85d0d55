// The typed key-value interface shared by the analytics user defaults and the
// persistent dictionary. A null value stands for nil: writing it removes the key.
// A write the store refuses (a value a property list cannot hold, an empty
// key) is logged by the store and answered with an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

class APMKeyValueStore {
 public:
  virtual ~APMKeyValueStore() = default;

  virtual std::optional<platform::Value> objectForKey(std::string_view key) const = 0;
  virtual platform::Status setObject(const platform::Value& value, std::string_view key) = 0;
  virtual void removeObjectForKey(std::string_view key) = 0;
  virtual void clearAllData() = 0;
  virtual bool synchronize() = 0;

  // A number's value, else 0 / NO.
  int64_t integerForKey(std::string_view key) const;
  float floatForKey(std::string_view key) const;
  double doubleForKey(std::string_view key) const;
  bool boolForKey(std::string_view key) const;
  // The object when it is of that kind, else none.
  std::optional<std::string> stringForKey(std::string_view key) const;
  std::optional<platform::Value::Array> arrayForKey(std::string_view key) const;
  std::optional<platform::Value::Dictionary> dictionaryForKey(std::string_view key) const;

  void setInteger(int64_t value, std::string_view key) { setObject(platform::Value(value), key); }
  void setFloat(float value, std::string_view key) { setObject(platform::Value(value), key); }
  void setDouble(double value, std::string_view key) { setObject(platform::Value(value), key); }
  void setBool(bool value, std::string_view key) { setObject(platform::Value(value), key); }
};
