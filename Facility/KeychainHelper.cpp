#include "Facility/KeychainHelper.h"

#include "Platform/Foundation/Log.h"
#include "Platform/Security/Keychain.h"

namespace {

platform::Bytes Utf8(const std::string& text) { return platform::Bytes(text.begin(), text.end()); }

// Decodes UTF-8, replacing every invalid sequence with U+FFFD.
std::string SanitizeUtf8(const platform::Bytes& b) {
  static const std::string kReplacement = "\xEF\xBF\xBD";
  std::string out;
  std::size_t i = 0;
  while (i < b.size()) {
    unsigned char c = b[i];
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    bool ok = len > 0 && i + len <= b.size();
    for (std::size_t k = 1; ok && k < len; ++k) ok = (b[i + k] & 0xC0) == 0x80;
    if (ok && len == 2) ok = c >= 0xC2;
    if (ok && len == 3) {
      unsigned cp = ((c & 0x0F) << 12) | ((b[i + 1] & 0x3F) << 6) | (b[i + 2] & 0x3F);
      ok = cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF);
    }
    if (ok && len == 4) {
      unsigned cp = ((c & 0x07) << 18) | ((b[i + 1] & 0x3F) << 12) | ((b[i + 2] & 0x3F) << 6) | (b[i + 3] & 0x3F);
      ok = cp >= 0x10000 && cp <= 0x10FFFF;
    }
    if (!ok) {
      out += kReplacement;
      ++i;
      continue;
    }
    out.append(reinterpret_cast<const char*>(&b[i]), len);
    i += len;
  }
  return out;
}

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
  platform::Value::Dictionary item{{SecValueData, platform::Value(Utf8(value))},
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
  platform::Value::Dictionary changes{{SecValueData, platform::Value(Utf8(value))}};
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
  return SanitizeUtf8(*data);
}

bool KeychainHelper::deleteItem(const std::string& key) {
  platform::Value::Dictionary query{{SecAttrService, kService}, {SecAttrAccount, key}, {SecClass, SecGenericPassword}};
  return platform::Keychain::shared().remove(query) == platform::errSecSuccess;
}
