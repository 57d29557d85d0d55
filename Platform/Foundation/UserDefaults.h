// User defaults: named suites of key/value pairs, one property-list file per
// suite at <root>/Library/Preferences/<suite>.plist. The standard suite is
// the application's own preferences domain and is named by
// DataRoot::applicationIdentifier().
//
// Every write is persisted at once (temp file + rename) under a file lock, so
// a write is visible to the next read in this process and in any other
// process on the same data root; reads pick up changes made by others (or by
// moving the file) through the file's identity and time stamp. Thread-safe:
// called from the main loop and from worker queues.
//
// Two read families:
//  - typed object reads with a type check (stringObjectForKey, ...): a value
//    only when the stored kind matches, else none. A text under an integer
//    key is none, a number under a text key is none, the text "true" is no
//    Boolean.
//  - converting accessors (integerForKey, stringForKey, boolForKey,
//    doubleForKey): absent is 0 / none; numeric text converts by its leading
//    digits ("12abc" is 12, "abc" is 0); a Boolean true is 1; a number gives
//    its decimal text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/PropertyListFile.h"
#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

namespace platform {

class UserDefaults {
 public:
  // The application's domain. Lives as long as the process.
  static UserDefaults& standard();
  // The named suite; an empty name (or the application identifier) gives
  // standard(). Same object for the same name; lives as long as the process.
  static UserDefaults& suite(std::string_view name);

  // The domain name (suite name, or the application identifier).
  std::string name() const;
  // Path of the suite's file under the current data root.
  std::string filePath() const;

  std::optional<Value> objectForKey(std::string_view key) const;
  // Stores a copy. A null value removes the key. Returns the persistence
  // error, if any; the value is then not stored.
  Status setObject(const Value& value, std::string_view key);
  Status removeObjectForKey(std::string_view key);
  // Sorted keys of the suite.
  std::vector<std::string> allKeys() const;
  // The whole domain as a dictionary.
  Value::Dictionary dictionaryRepresentation() const;
  // Writes are already durable; kept so callers can flush as on the platform.
  bool synchronize();

  // Typed object reads: a value only when the stored kind matches.
  std::optional<std::string> stringObjectForKey(std::string_view key) const;
  std::optional<std::int64_t> integerObjectForKey(std::string_view key) const;
  std::optional<double> doubleObjectForKey(std::string_view key) const;
  std::optional<bool> boolObjectForKey(std::string_view key) const;
  std::optional<Value::Array> arrayForKey(std::string_view key) const;
  std::optional<Value::Dictionary> dictionaryForKey(std::string_view key) const;
  std::optional<Bytes> dataForKey(std::string_view key) const;

  // Converting accessors.
  std::int64_t integerForKey(std::string_view key) const;
  double doubleForKey(std::string_view key) const;
  // Bool, numbers (non-zero), texts "true"/"yes" (any case) or with a
  // non-zero leading integer are true.
  bool boolForKey(std::string_view key) const;
  // A text as is, a number as its decimal text (true is "1"); none otherwise.
  std::optional<std::string> stringForKey(std::string_view key) const;

  Status setInteger(std::int64_t value, std::string_view key) { return setObject(Value(value), key); }
  Status setDouble(double value, std::string_view key) { return setObject(Value(value), key); }
  Status setBool(bool value, std::string_view key) { return setObject(Value(value), key); }
  Status setString(std::string_view value, std::string_view key) { return setObject(Value(value), key); }

  // Removes the named domain (its file) entirely; the name of the standard
  // suite removes the application domain. Missing is success.
  static Status removePersistentDomainForName(std::string_view name);
  // Replaces the named domain with the dictionary.
  static Status setPersistentDomain(const Value::Dictionary& domain, std::string_view name);
  // The named domain's contents, none when it has no file.
  static std::optional<Value::Dictionary> persistentDomainForName(std::string_view name);

  // Parses a leading integer the way the converting accessors do: optional
  // spaces, an optional sign and digits; clamps on overflow; 0 without digits.
  static std::int64_t leadingInteger(std::string_view text);

  explicit UserDefaults(std::string name);
  UserDefaults(const UserDefaults&) = delete;
  UserDefaults& operator=(const UserDefaults&) = delete;

 private:
  // The stored value under key, nullptr when absent (or the file is
  // unreadable). Valid while mu_ is held.
  const Value* findLocked(std::string_view key) const;
  // contents: null (no file) or the domain's dictionary; returning true
  // writes it back (null removes the file).
  Status mutate(const std::function<bool(Value& contents)>& change);
  static std::string pathForName(const std::string& name);

  const std::string name_;  // empty: the application domain
  mutable std::mutex mu_;
  mutable PropertyListFile file_;
};

}  // namespace platform
