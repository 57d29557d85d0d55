#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Analytics/Engine/APMKeychainWrapper.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Security/Keychain.h"
#include "tests/support/TestChildProcess.h"

namespace {

using platform::Value;

constexpr const char* kAppID = "1:123:ios:abc";

// An item as an earlier release wrote it: attributes as bytes, not text.
void AddItem(const std::string& identifier, const std::string& value, bool accountAsBytes, bool genericAsBytes) {
  auto attribute = [](const std::string& text, bool asBytes) { return asBytes ? Value::bytes(text) : Value(text); };
  Value::Dictionary item{
      {platform::kSecClass, Value(platform::kSecClassGenericPassword)},
      {platform::kSecAttrService, Value(kAppID)},
      {platform::kSecAttrAccount, attribute(identifier, accountAsBytes)},
      {platform::kSecAttrGeneric, attribute(identifier, genericAsBytes)},
      {platform::kSecAttrAccessible, Value(platform::kSecAttrAccessibleAlwaysThisDeviceOnly)},
      {platform::kSecValueData, Value::bytes(value)},
  };
  ASSERT_EQ(platform::Keychain::shared().add(item), platform::errSecSuccess);
}

Value StoredItem(const std::string& identifier) {
  Value::Dictionary query{
      {platform::kSecAttrService, Value(kAppID)},
      {platform::kSecAttrAccount, Value(identifier)},
      {platform::kSecReturnAttributes, Value(true)},
      {platform::kSecReturnData, Value(true)},
      {platform::kSecMatchLimit, Value(platform::kSecMatchLimitOne)},
  };
  Value item;
  EXPECT_EQ(platform::Keychain::shared().copyMatching(query, &item), platform::errSecSuccess);
  return item;
}

class KeychainWrapperTest : public ::testing::Test {
 protected:
  platform::TemporaryDataRoot root_;
};

TEST_F(KeychainWrapperTest, MigrationIsNeededOnlyForByteAttributes) {
  struct Case {
    const char* identifier;
    bool accountAsBytes;
    bool genericAsBytes;
    bool needed;
  };
  const Case cases[] = {
      {"text", false, false, false},
      {"account-bytes", true, false, true},
      {"generic-bytes", false, true, true},
      {"both-bytes", true, true, true},
  };
  for (const auto& c : cases) {
    AddItem(c.identifier, "v", c.accountAsBytes, c.genericAsBytes);
    EXPECT_EQ(APMKeychainWrapper::isMigrationNeededForIdentifier(c.identifier, kAppID), c.needed) << c.identifier;
  }
  EXPECT_FALSE(APMKeychainWrapper::isMigrationNeededForIdentifier("missing", kAppID));
  EXPECT_FALSE(APMKeychainWrapper::isMigrationNeededForIdentifier("", kAppID));
  EXPECT_FALSE(APMKeychainWrapper::isMigrationNeededForIdentifier("text", ""));
  EXPECT_FALSE(APMKeychainWrapper::searchDirectoryForIdentifier("", kAppID));
}

TEST_F(KeychainWrapperTest, UpsertAddsThenUpdatesAndRefusesEmptyValues) {
  EXPECT_FALSE(APMKeychainWrapper::upsertKeychainValue("", "_pfo", kAppID));
  EXPECT_FALSE(APMKeychainWrapper::keychainDataWithIdentifier("_pfo", kAppID)) << "nothing written";
  EXPECT_FALSE(APMKeychainWrapper::upsertKeychainValue("1", "", kAppID));

  EXPECT_TRUE(APMKeychainWrapper::upsertKeychainValue("3", "_pfo", kAppID));
  EXPECT_TRUE(APMKeychainWrapper::upsertKeychainValue("4", "_pfo", kAppID));
  EXPECT_EQ(APMKeychainWrapper::keychainValueWithIdentifier("_pfo", kAppID), "4");
  Value item = StoredItem("_pfo");
  ASSERT_TRUE(item.isDictionary());
  EXPECT_EQ(*item.find(platform::kSecAttrAccessible), Value(platform::kSecAttrAccessibleAlwaysThisDeviceOnly));
  EXPECT_EQ(*item.find(platform::kSecAttrGeneric), Value("_pfo"));
  EXPECT_EQ(*item.find(platform::kSecAttrService), Value(kAppID));

  EXPECT_FALSE(APMKeychainWrapper::keychainValueWithIdentifier("_pfo", "other-app")) << "one item per app ID";
  APMKeychainWrapper::deleteKeychainValueWithIdentifier("_pfo", kAppID);
  EXPECT_FALSE(APMKeychainWrapper::keychainValueWithIdentifier("_pfo", kAppID));
}

// Run as a separate process by the test below: its first read migrates.
TEST(KeychainWrapperChild, FirstReadOfTheProcess) {
  const char* out = std::getenv("APM_KEYCHAIN_CHILD_OUT");
  if (out == nullptr) GTEST_SKIP();
  std::ofstream file(out);
  file << APMKeychainWrapper::keychainValueWithIdentifier("_pfo", kAppID).value_or("none") << "\n"
       << APMKeychainWrapper::isMigrationNeededForIdentifier("other", kAppID);
}

TEST_F(KeychainWrapperTest, FirstReadOfAProcessRewritesByteAttributesAsText) {
  AddItem("_pfo", "17", true, true);
  AddItem("other", "5", true, true);  // not the first read's item: stays as it is

  const std::string outPath = root_.path() + "/child.txt";
  ASSERT_EQ(test_support::RunTestsInChildProcess("KeychainWrapperChild.*", root_.path(),
                                                 {"APM_KEYCHAIN_CHILD_OUT=" + outPath}),
            0);

  std::ifstream file(outPath);
  std::string value, otherNeedsMigration;
  std::getline(file, value);
  std::getline(file, otherNeedsMigration);
  EXPECT_EQ(value, "17");
  EXPECT_EQ(otherNeedsMigration, "1");

  Value item = StoredItem("_pfo");
  ASSERT_TRUE(item.isDictionary());
  EXPECT_EQ(*item.find(platform::kSecAttrAccount), Value("_pfo"));
  EXPECT_EQ(*item.find(platform::kSecAttrGeneric), Value("_pfo"));
  EXPECT_EQ(*item.find(platform::kSecValueData), Value::bytes("17"));
  EXPECT_FALSE(APMKeychainWrapper::isMigrationNeededForIdentifier("_pfo", kAppID));
  EXPECT_TRUE(APMKeychainWrapper::isMigrationNeededForIdentifier("other", kAppID));
}

}  // namespace
