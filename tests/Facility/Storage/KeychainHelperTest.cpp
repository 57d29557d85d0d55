#include "Facility/Storage/KeychainHelper.h"

#include <gtest/gtest.h>

#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/Security/Keychain.h"

namespace {

class KeychainHelperTest : public ::testing::Test {
 protected:
  platform::TemporaryDataRoot root_;
  KeychainHelper& helper_ = KeychainHelper::shared();
};

TEST_F(KeychainHelperTest, SaveLoadUpdateDelete) {
  EXPECT_EQ(helper_.load("encryptionkey"), std::nullopt);
  helper_.save("first", "encryptionkey");
  EXPECT_EQ(helper_.load("encryptionkey"), "first");
  // Saving again over an existing account replaces the value.
  helper_.save("second", "encryptionkey");
  EXPECT_EQ(helper_.load("encryptionkey"), "second");
  EXPECT_TRUE(helper_.update("third", "encryptionkey"));
  EXPECT_EQ(helper_.load("encryptionkey"), "third");
  EXPECT_FALSE(helper_.update("x", "other"));
  EXPECT_TRUE(helper_.deleteItem("encryptionkey"));
  EXPECT_EQ(helper_.load("encryptionkey"), std::nullopt);
  EXPECT_FALSE(helper_.deleteItem("encryptionkey"));
}

TEST_F(KeychainHelperTest, ItemsLiveUnderTheAppServiceAndAccount) {
  helper_.save("v", "acct");
  platform::Value out;
  platform::Value::Dictionary query{{platform::kSecAttrService, "tarnelokeychainwrapper"},
                                    {platform::kSecAttrAccount, "acct"},
                                    {platform::kSecReturnData, true}};
  ASSERT_EQ(platform::Keychain::shared().copyMatching(query, &out), platform::errSecSuccess);
  EXPECT_EQ(*out.getBytes(), platform::Bytes({'v'}));
  EXPECT_EQ(helper_.load("ACCT"), std::nullopt);
}

TEST_F(KeychainHelperTest, InvalidUtf8IsReplacedOnLoad) {
  platform::Value::Dictionary item{{platform::kSecClass, platform::kSecClassGenericPassword},
                                   {platform::kSecAttrService, "tarnelokeychainwrapper"},
                                   {platform::kSecAttrAccount, "bad"},
                                   {platform::kSecValueData, platform::Value(platform::Bytes{'a', 0xFF, 'b'})}};
  ASSERT_EQ(platform::Keychain::shared().add(item), platform::errSecSuccess);
  EXPECT_EQ(helper_.load("bad"), "a\xEF\xBF\xBD" "b");
}

}  // namespace
