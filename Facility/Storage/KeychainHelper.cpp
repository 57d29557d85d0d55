#include "Facility/Storage/KeychainHelper.h"

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Utf8.h"
#include "Platform/Security/Keychain.h"

namespace {

platform::Bytes ToBytes(const std::string& text) { return platform::Bytes(text.begin(), text.end()); }

}  // namespace

KeychainHelper& KeychainHelper::shared() {
  static KeychainHelper* helper = new KeychainHelper();
  return *helper;
}

KeychainHelper::KeychainHelper()
    : SecGenericPassword(platform::kSecClassGenericPassword),
      SecMatchLimit(platform::kSecMatchLimit),
      SecReturnData(platform::kSecReturnData),
      SecReturnPersistentRef(platform::kSecReturnPersistentRef),
      SecValueData(platform::kSecValueData),
      SecAttrAccessible(platform::kSecAttrAccessible),
      SecClass(platform::kSecClass),
      SecAttrService(platform::kSecAttrService),
      SecAttrGeneric(platform::kSecAttrGeneric),
      SecAttrAccount(platform::kSecAttrAccount),
      SecAttrAccessGroup(platform::kSecAttrAccessGroup),
      SecReturnAttributes(platform::kSecReturnAttributes) {}

void KeychainHelper::save(const std::string& value, const std::string& key) {
  platform::Value::Dictionary item{{SecValueData, platform::Value(ToBytes(value))},
                                   {SecClass, SecGenericPassword},
                                   {SecAttrService, kService},
                                   {SecAttrAccount, key}};
  platform::OSStatus status = platform::Keychain::shared().add(item);
  if (status == platform::errSecDuplicateItem) {
    update(value, key);
  } else if (status == platform::errSecSuccess) {
    platform::LogInfo("Saved successfully");
  }
}

bool KeychainHelper::update(const std::string& value, const std::string& key) {
  platform::Value::Dictionary query{{SecClass, SecGenericPassword}, {SecAttrService, kService}, {SecAttrAccount, key}};
  platform::Value::Dictionary changes{{SecValueData, platform::Value(ToBytes(value))}};
  return platform::Keychain::shared().update(query, changes) == platform::errSecSuccess;
}

std::optional<std::string> KeychainHelper::load(const std::string& key) {
  platform::Value::Dictionary query{{SecClass, SecGenericPassword},
                                    {SecAttrService, kService},
                                    {SecAttrAccount, key},
                                    {SecReturnData, true},
                                    {SecMatchLimit, platform::kSecMatchLimitOne}};
  platform::Value result;
  if (platform::Keychain::shared().copyMatching(query, &result) != platform::errSecSuccess) return std::nullopt;
  const platform::Bytes* data = result.getBytes();
  if (!data) return std::nullopt;
  return platform::Utf8::sanitize(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

bool KeychainHelper::deleteItem(const std::string& key) {
  platform::Value::Dictionary query{{SecAttrService, kService}, {SecAttrAccount, key}, {SecClass, SecGenericPassword}};
  return platform::Keychain::shared().remove(query) == platform::errSecSuccess;
}
