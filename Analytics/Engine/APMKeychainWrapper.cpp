#include "Analytics/Engine/APMKeychainWrapper.h"

#include <mutex>

#include "Platform/Foundation/Utf8.h"
#include "Platform/Security/Keychain.h"

using platform::Keychain;
using platform::Value;

std::optional<Value::Dictionary> APMKeychainWrapper::searchDirectoryForIdentifier(const std::string& identifier,
                                                                                  const std::string& appID) {
  if (identifier.empty() || appID.empty()) return std::nullopt;
  return Value::Dictionary{
      {platform::kSecClass, Value(platform::kSecClassGenericPassword)},
      {platform::kSecAttrService, Value(appID)},
      {platform::kSecAttrGeneric, Value(identifier)},
      {platform::kSecAttrAccount, Value(identifier)},
  };
}

std::optional<platform::Bytes> APMKeychainWrapper::keychainDataWithIdentifier(const std::string& identifier,
                                                                              const std::string& appID) {
  auto query = searchDirectoryForIdentifier(identifier, appID);
  if (!query) return std::nullopt;
  (*query)[platform::kSecMatchLimit] = Value(platform::kSecMatchLimitOne);
  (*query)[platform::kSecReturnData] = Value(true);
  Value result;
  if (Keychain::shared().copyMatching(*query, &result) != platform::errSecSuccess) return std::nullopt;
  const platform::Bytes* bytes = result.getBytes();
  if (bytes == nullptr) return std::nullopt;
  return *bytes;
}

std::optional<std::string> APMKeychainWrapper::keychainValueWithIdentifier(const std::string& identifier,
                                                                           const std::string& appID) {
  static std::once_flag migrated;
  std::call_once(migrated, [&] { migrateKeychainDataToStringWithIdentifier(identifier, appID); });
  auto data = keychainDataWithIdentifier(identifier, appID);
  if (!data || data->empty()) return std::nullopt;
  std::string text(data->begin(), data->end());
  if (!platform::Utf8::isValid(text)) return std::nullopt;
  return text;
}

bool APMKeychainWrapper::upsertKeychainValue(const std::string& value, const std::string& identifier,
                                             const std::string& appID) {
  if (value.empty()) return false;
  auto query = searchDirectoryForIdentifier(identifier, appID);
  if (!query) return false;
  (*query)[platform::kSecAttrAccessible] = Value(platform::kSecAttrAccessibleAlwaysThisDeviceOnly);
  const Value data = Value::bytes(value);
  if (keychainDataWithIdentifier(identifier, appID)) {
    return Keychain::shared().update(*query, {{platform::kSecValueData, data}}) == platform::errSecSuccess;
  }
  (*query)[platform::kSecValueData] = data;
  return Keychain::shared().add(*query) == platform::errSecSuccess;
}

void APMKeychainWrapper::deleteKeychainValueWithIdentifier(const std::string& identifier, const std::string& appID) {
  auto query = searchDirectoryForIdentifier(identifier, appID);
  if (query) Keychain::shared().remove(*query);
}

bool APMKeychainWrapper::isMigrationNeededForIdentifier(const std::string& identifier, const std::string& appID) {
  auto query = searchDirectoryForIdentifier(identifier, appID);
  if (!query) return false;
  (*query)[platform::kSecMatchLimit] = Value(platform::kSecMatchLimitOne);
  (*query)[platform::kSecReturnData] = Value(true);
  (*query)[platform::kSecReturnAttributes] = Value(true);
  Value item;
  if (Keychain::shared().copyMatching(*query, &item) != platform::errSecSuccess || !item.isDictionary()) return false;
  const Value* account = item.find(platform::kSecAttrAccount);
  const Value* generic = item.find(platform::kSecAttrGeneric);
  if (account == nullptr || !account->isString()) return true;
  return generic == nullptr || !generic->isString();
}

void APMKeychainWrapper::migrateKeychainDataToStringWithIdentifier(const std::string& identifier,
                                                                  const std::string& appID) {
  if (!isMigrationNeededForIdentifier(identifier, appID)) return;
  auto data = keychainDataWithIdentifier(identifier, appID);
  if (!data || data->empty()) return;
  auto query = searchDirectoryForIdentifier(identifier, appID);
  Keychain::shared().update(*query, {{platform::kSecAttrGeneric, Value(identifier)},
                                     {platform::kSecAttrAccount, Value(identifier)}});
}
