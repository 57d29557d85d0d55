// Text items in the keychain: generic passwords of the app's own service,
// one per account name.
#pragma once
#include <optional>
#include <string>

class KeychainHelper {
 public:
  static KeychainHelper& shared();

  // Stores the text under the account, updating an item that already exists.
  void save(const std::string& value, const std::string& key);
  // True when an existing item was updated.
  bool update(const std::string& value, const std::string& key);
  // The stored text (invalid UTF-8 replaced by U+FFFD), or none.
  std::optional<std::string> load(const std::string& key);
  // True when an item was deleted. (`delete` is reserved in C++.)
  bool deleteItem(const std::string& key);

  static constexpr const char* kService = "tarnelokeychainwrapper";

  // Attribute names as the keychain knows them.
  const std::string SecGenericPassword;
  const std::string SecMatchLimit;
  const std::string SecReturnData;
  const std::string SecReturnPersistentRef;
  const std::string SecValueData;
  const std::string SecAttrAccessible;
  const std::string SecClass;
  const std::string SecAttrService;
  const std::string SecAttrGeneric;
  const std::string SecAttrAccount;
  const std::string SecAttrAccessGroup;
  const std::string SecReturnAttributes;

 private:
  KeychainHelper();
};
