// Text values kept in the keychain, one generic-password item per value:
// service = the app ID, generic and account attributes = the identifier,
// value = the text's UTF-8 bytes, accessible always, this device only.
// Items written by earlier releases may hold the generic and account
// attributes as bytes; the first read of the process rewrites them as text.
#pragma once

#include <optional>
#include <string>

#include "Platform/Foundation/Value.h"

class APMKeychainWrapper {
 public:
  // The item's query (class, service, generic, account); none when either
  // text is empty.
  static std::optional<platform::Value::Dictionary> searchDirectoryForIdentifier(const std::string& identifier,
                                                                                 const std::string& appID);
  // The item's value bytes; none on any failure.
  static std::optional<platform::Bytes> keychainDataWithIdentifier(const std::string& identifier,
                                                                   const std::string& appID);
  // The value as text; none when missing, empty or not UTF-8. The first call
  // of the process migrates its own item first.
  static std::optional<std::string> keychainValueWithIdentifier(const std::string& identifier,
                                                                const std::string& appID);
  // Updates the existing value or adds one; false for an empty value or when
  // the keychain refuses.
  static bool upsertKeychainValue(const std::string& value, const std::string& identifier, const std::string& appID);
  static void deleteKeychainValueWithIdentifier(const std::string& identifier, const std::string& appID);

  // An item matches and its account attribute is not text, or its account
  // is text and its generic attribute is not.
  static bool isMigrationNeededForIdentifier(const std::string& identifier, const std::string& appID);
  // Rewrites the generic and account attributes as text when migration is
  // needed and the item holds a value.
  static void migrateKeychainDataToStringWithIdentifier(const std::string& identifier, const std::string& appID);
};
