// Keychain stand-in: generic-password items kept in one property-list file,
// <root>/Library/Keychains/keychain.plist, mode 0600, rewritten atomically
// under a file lock on every change.
//
// NOT hardware-backed and NOT encrypted: the items are only as safe as the
// file's permissions. It keeps the platform's call shapes and status numbers
// so callers handle the same outcomes.
//
// Calls take attribute dictionaries keyed by the constants below:
//   class       kSecClassGenericPassword (the only class; optional in queries)
//   service, account, generic, accessible: text or bytes, stored exactly as
//               written; matching compares their bytes, so a text attribute
//               finds an item whose attribute was written as the same bytes
//   value data  bytes (text is taken as its UTF-8 bytes)
//   copy only:  return data, return attributes (bools), match limit (one;
//               any other limit is errSecUnimplemented)
// Any other key, or a wrong value kind, is errSecParam. Thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/Foundation/PropertyListFile.h"
#include "Platform/Foundation/Value.h"

namespace platform {

using OSStatus = std::int32_t;

constexpr OSStatus errSecSuccess = 0;
constexpr OSStatus errSecUnimplemented = -4;
constexpr OSStatus errSecIO = -36;
constexpr OSStatus errSecParam = -50;
constexpr OSStatus errSecDuplicateItem = -25299;
constexpr OSStatus errSecItemNotFound = -25300;
constexpr OSStatus errSecDecode = -26275;

// Dictionary keys and values.
inline constexpr const char* kSecClass = "class";
inline constexpr const char* kSecClassGenericPassword = "genericPassword";
inline constexpr const char* kSecAttrService = "service";
inline constexpr const char* kSecAttrAccount = "account";
inline constexpr const char* kSecAttrGeneric = "generic";
inline constexpr const char* kSecAttrAccessible = "accessible";
inline constexpr const char* kSecAttrAccessGroup = "accessGroup";  // unsupported: errSecParam
inline constexpr const char* kSecValueData = "valueData";
inline constexpr const char* kSecReturnData = "returnData";
inline constexpr const char* kSecReturnAttributes = "returnAttributes";
inline constexpr const char* kSecReturnPersistentRef = "returnPersistentRef";  // unsupported
inline constexpr const char* kSecMatchLimit = "matchLimit";
inline constexpr const char* kSecMatchLimitOne = "matchLimitOne";
inline constexpr const char* kSecMatchLimitAll = "matchLimitAll";  // unsupported
inline constexpr const char* kSecAttrAccessibleAlwaysThisDeviceOnly = "accessibleAlwaysThisDeviceOnly";
inline constexpr const char* kSecAttrAccessibleWhenUnlocked = "accessibleWhenUnlocked";
inline constexpr const char* kSecAttrAccessibleAfterFirstUnlock = "accessibleAfterFirstUnlock";

class Keychain {
 public:
  // The keychain of the current data root. Lives as long as the process.
  static Keychain& shared();
  // A keychain in the given file (tests, tools).
  explicit Keychain(std::string filePath);
  Keychain(const Keychain&) = delete;
  Keychain& operator=(const Keychain&) = delete;

  // Adds an item from the attributes and value data. errSecDuplicateItem
  // when an item with the same service and account exists.
  OSStatus add(const Value::Dictionary& attributes);
  // The first matching item (match limit one). With return data alone the
  // result is the bytes; with return attributes it is a dictionary of the
  // item's attributes (plus kSecValueData when data is asked too); with
  // neither, null. errSecItemNotFound when nothing matches.
  OSStatus copyMatching(const Value::Dictionary& query, Value* result);
  // Applies the attribute and value-data changes to every matching item.
  // errSecDuplicateItem when the change would make two items share service
  // and account (nothing is changed then).
  OSStatus update(const Value::Dictionary& query, const Value::Dictionary& changes);
  // Deletes every matching item.
  OSStatus remove(const Value::Dictionary& query);

  // Path of the backing file (the current data root's for shared()).
  std::string filePath() const;

 private:
  Keychain() = default;  // follows the data root

  // Runs a locked read-modify-write of the item list; edit returns the
  // status and sets changed when the list must be written back.
  OSStatus modify(const std::function<OSStatus(Value::Array& items, bool& changed)>& edit);

  const std::string fixedPath_;  // empty: the data root's keychain
  std::mutex mu_;
  PropertyListFile file_{0600};
};

}  // namespace platform
