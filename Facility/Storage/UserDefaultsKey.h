// Typed keys of the standard user defaults, and the typed reads and writes
// every screen and service uses on them. A read gives a value only when the
// stored object has the key's type: "12" stored as text is no integer, and
// the text "true" is no Boolean.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Value.h"

enum class UserDefaultsValueType { kText, kInteger, kBoolean };

struct UserDefaultsKey {
  std::string value;
  UserDefaultsValueType returnType;

  static platform::UserDefaults& defaults();

  static const UserDefaultsKey emailId;
  static const UserDefaultsKey username;
  static const UserDefaultsKey isUserInvited;
  static const UserDefaultsKey isPasswordSet;
  static const UserDefaultsKey isUserLogin;
  static const UserDefaultsKey tenantId;
  static const UserDefaultsKey forgotPasswordId;
  static const UserDefaultsKey empId;
  static const UserDefaultsKey serverUrl;
  static const UserDefaultsKey accessToken;
  static const UserDefaultsKey sensitivity;
};

// Keys kept outside the typed set.
inline constexpr const char* kMyCurrentUserKey = "com.facility.myCurrentUser";
inline constexpr const char* kMessagingTokenKey = "mxoToken";

// The user-default helpers (reads of the wrong type give none).
namespace UserDefaultsAccess {
std::optional<std::string> getString(const UserDefaultsKey& key);
std::optional<std::int64_t> getInt(const UserDefaultsKey& key);
std::optional<bool> getBool(const UserDefaultsKey& key);
// True only when a Boolean true is stored.
bool isSet(const UserDefaultsKey& key);
// "serverurl" as text, "" when absent or not text.
std::string storedServerUrl();
// Stores the value, then synchronises.
void setValue(const platform::Value& value, const UserDefaultsKey& key);
// Removes the key, then synchronises.
void remove(const std::string& key);
}  // namespace UserDefaultsAccess
