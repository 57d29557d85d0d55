#include "Platform/Security/Keychain.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace platform {
namespace {

using Dict = Value::Dictionary;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

Dict Item(const char* service, const char* account, std::string_view data) {
  return {{kSecClass, kSecClassGenericPassword},
          {kSecAttrService, service},
          {kSecAttrAccount, account},
          {kSecValueData, Value(B(data))}};
}

class KeychainTest : public ::testing::Test {
 protected:
  TemporaryDataRoot root_;
  Keychain& kc_ = Keychain::shared();

  std::optional<Bytes> Load(Dict query) {
    query[kSecReturnData] = true;
    query[kSecMatchLimit] = kSecMatchLimitOne;
    Value out;
    if (kc_.copyMatching(query, &out) != errSecSuccess || !out.isBytes()) return std::nullopt;
    return *out.getBytes();
  }
};

TEST_F(KeychainTest, AddCopyUpdateDeleteStatuses) {
  Dict q = {{kSecClass, kSecClassGenericPassword}, {kSecAttrService, "svc"}, {kSecAttrAccount, "key"}};
  EXPECT_EQ(kc_.copyMatching(q, nullptr), errSecItemNotFound);
  EXPECT_EQ(kc_.update(q, {{kSecValueData, Value(B("x"))}}), errSecItemNotFound);
  EXPECT_EQ(kc_.remove(q), errSecItemNotFound);

  EXPECT_EQ(kc_.add(Item("svc", "key", "v1")), errSecSuccess);
  EXPECT_EQ(kc_.add(Item("svc", "key", "v2")), errSecDuplicateItem);
  EXPECT_EQ(Load(q), B("v1"));
  EXPECT_EQ(kc_.update(q, {{kSecValueData, Value(B("v2"))}}), errSecSuccess);
  EXPECT_EQ(Load(q), B("v2"));
  // Same account under another service is another item.
  EXPECT_EQ(kc_.add(Item("other", "key", "o")), errSecSuccess);
  EXPECT_EQ(kc_.remove(q), errSecSuccess);
  EXPECT_EQ(kc_.copyMatching(q, nullptr), errSecItemNotFound);
  EXPECT_EQ(Load({{kSecAttrAccount, "key"}}), B("o"));
}

TEST_F(KeychainTest, MatchesByAnySubsetOfAttributes) {
  Dict a = Item("app1", "_pfo", "1");
  a[kSecAttrGeneric] = "_pfo";
  a[kSecAttrAccessible] = kSecAttrAccessibleAlwaysThisDeviceOnly;
  ASSERT_EQ(kc_.add(a), errSecSuccess);
  ASSERT_EQ(kc_.add(Item("app2", "_pfo", "2")), errSecSuccess);

  struct Case {
    Dict query;
    std::optional<Bytes> data;
  } cases[] = {
      {{{kSecAttrService, "app1"}}, B("1")},
      {{{kSecAttrGeneric, "_pfo"}}, B("1")},
      {{{kSecAttrAccessible, kSecAttrAccessibleAlwaysThisDeviceOnly}}, B("1")},
      {{{kSecAttrService, "app2"}, {kSecAttrAccount, "_pfo"}}, B("2")},
      {{{kSecAttrService, "app2"}, {kSecAttrGeneric, "_pfo"}}, std::nullopt},  // app2 has no generic
      {{{kSecAttrService, "app3"}}, std::nullopt},
      {{{kSecAttrService, Value(B("app1"))}}, B("1")},  // bytes find a text attribute
  };
  for (const Case& c : cases) EXPECT_EQ(Load(c.query), c.data) << Value(c.query).description();

  // Update by attribute subset, then delete by another.
  EXPECT_EQ(kc_.update({{kSecAttrGeneric, "_pfo"}}, {{kSecValueData, "9"}}), errSecSuccess);
  EXPECT_EQ(Load({{kSecAttrService, "app1"}}), B("9"));
  EXPECT_EQ(Load({{kSecAttrService, "app2"}}), B("2"));
  EXPECT_EQ(kc_.remove({{kSecAttrAccount, "_pfo"}}), errSecSuccess);  // deletes both
  EXPECT_EQ(kc_.copyMatching({}, nullptr), errSecItemNotFound);
}

TEST_F(KeychainTest, AttributesKeepTheirKindUntilUpdated) {
  // An item whose account and generic were written as bytes, as older
  // releases did; a text query finds it, the returned kinds show the bytes,
  // and an attribute update turns them into text without touching the value.
  Dict old = {{kSecAttrService, "app"},
              {kSecAttrAccount, Value(B("_pfo"))},
              {kSecAttrGeneric, Value(B("_pfo"))},
              {kSecValueData, Value(B("3"))}};
  ASSERT_EQ(kc_.add(old), errSecSuccess);
  Dict q = {{kSecClass, kSecClassGenericPassword}, {kSecAttrService, "app"},
            {kSecAttrGeneric, "_pfo"}, {kSecAttrAccount, "_pfo"}};
  Dict copy = q;
  copy[kSecReturnAttributes] = true;
  copy[kSecReturnData] = true;
  Value out;
  ASSERT_EQ(kc_.copyMatching(copy, &out), errSecSuccess);
  EXPECT_TRUE(out.find(kSecAttrAccount)->isBytes());
  EXPECT_TRUE(out.find(kSecAttrGeneric)->isBytes());
  EXPECT_TRUE(out.find(kSecAttrService)->isString());
  EXPECT_EQ(*out.find(kSecValueData), Value(B("3")));
  EXPECT_EQ(*out.find(kSecClass), Value(kSecClassGenericPassword));
  EXPECT_EQ(out.find(kSecAttrAccessible), nullptr);

  ASSERT_EQ(kc_.update(q, {{kSecAttrAccount, "_pfo"}, {kSecAttrGeneric, "_pfo"}}), errSecSuccess);
  copy.erase(kSecReturnData);
  ASSERT_EQ(kc_.copyMatching(copy, &out), errSecSuccess);
  EXPECT_TRUE(out.find(kSecAttrAccount)->isString());
  EXPECT_TRUE(out.find(kSecAttrGeneric)->isString());
  EXPECT_EQ(out.find(kSecValueData), nullptr);  // not asked for
  EXPECT_EQ(Load({{kSecAttrService, "app"}}), B("3"));

  // Neither data nor attributes asked: success with a null result.
  out = Value(1);
  EXPECT_EQ(kc_.copyMatching({{kSecAttrService, "app"}}, &out), errSecSuccess);
  EXPECT_TRUE(out.isNull());
}

TEST_F(KeychainTest, UpdateThatWouldDuplicateChangesNothing) {
  ASSERT_EQ(kc_.add(Item("s", "a", "A")), errSecSuccess);
  ASSERT_EQ(kc_.add(Item("s", "b", "B")), errSecSuccess);
  EXPECT_EQ(kc_.update({{kSecAttrAccount, "b"}}, {{kSecAttrAccount, "a"}, {kSecValueData, "X"}}),
            errSecDuplicateItem);
  EXPECT_EQ(Load({{kSecAttrAccount, "a"}}), B("A"));
  EXPECT_EQ(Load({{kSecAttrAccount, "b"}}), B("B"));
}

TEST_F(KeychainTest, BadParametersAreRefused) {
  struct Case {
    const char* what;
    OSStatus status;
  };
  Value out;
  Dict good = Item("s", "a", "A");
  Dict wrongClass = good;
  wrongClass[kSecClass] = "internetPassword";
  Dict numberAttr = good;
  numberAttr[kSecAttrAccount] = 5;
  Dict unknownKey = good;
  unknownKey["label"] = "x";
  Dict accessGroup = good;
  accessGroup[kSecAttrAccessGroup] = "group";
  Case cases[] = {
      {"class", kc_.add(wrongClass)},
      {"number attribute", kc_.add(numberAttr)},
      {"unknown key", kc_.add(unknownKey)},
      {"access group", kc_.add(accessGroup)},
      {"return flag on add", kc_.add(Dict{{kSecAttrAccount, "a"}, {kSecReturnData, true}})},
      {"data in a search", kc_.remove(good)},
      {"empty change", kc_.update({{kSecAttrAccount, "a"}}, {})},
      {"class in change", kc_.update({{kSecAttrAccount, "a"}}, {{kSecClass, kSecClassGenericPassword}})},
      {"match all", kc_.copyMatching({{kSecMatchLimit, kSecMatchLimitAll}}, &out)},
  };
  EXPECT_EQ(cases[0].status, errSecParam);
  for (std::size_t i = 1; i + 1 < std::size(cases); ++i) EXPECT_EQ(cases[i].status, errSecParam) << cases[i].what;
  EXPECT_EQ(cases[std::size(cases) - 1].status, errSecUnimplemented);
  EXPECT_EQ(kc_.copyMatching({}, nullptr), errSecItemNotFound);  // nothing was added
}

TEST_F(KeychainTest, OneOwnerOnlyFile) {
  ASSERT_EQ(kc_.add(Item("s", "a", "A")), errSecSuccess);
  struct stat st {};
  ASSERT_EQ(::stat(kc_.filePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(kc_.filePath(), root_.path() + "/Library/Keychains/keychain.plist");
  ASSERT_EQ(kc_.update({{kSecAttrAccount, "a"}}, {{kSecValueData, "B"}}), errSecSuccess);
  ASSERT_EQ(::stat(kc_.filePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  auto names = FileManager::defaultManager().contentsOfDirectoryAtPath(root_.path() + "/Library/Keychains");
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{"keychain.plist"});
}

TEST_F(KeychainTest, CorruptFileIsReportedThenSetAside) {
  ASSERT_TRUE(FileManager::defaultManager().writeAtomically(kc_.filePath(), "\x01garbage", 0600).ok());
  LogCapture log;
  EXPECT_EQ(kc_.copyMatching({{kSecAttrAccount, "a"}}, nullptr), errSecDecode);
  EXPECT_EQ(kc_.add(Item("s", "a", "A")), errSecSuccess);
  EXPECT_EQ(Load({{kSecAttrAccount, "a"}}), B("A"));
  EXPECT_TRUE(FileManager::defaultManager().fileExistsAtPath(kc_.filePath() + ".corrupt"));
}

TEST_F(KeychainTest, SecondProcessSeesTheItems) {
  ASSERT_EQ(kc_.add(Item("s", "parent", "P")), errSecSuccess);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    Keychain& c = Keychain::shared();
    Value out;
    bool ok = c.copyMatching({{kSecAttrAccount, "parent"}, {kSecReturnData, true}}, &out) == errSecSuccess &&
              out == Value(B("P")) && c.add(Item("s", "child", "C")) == errSecSuccess;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Load({{kSecAttrAccount, "child"}}), B("C"));
}

TEST_F(KeychainTest, ConcurrentCallersKeepEveryItem) {
  Keychain second(kc_.filePath());  // another object on the same file
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      Keychain& k = t % 2 ? kc_ : second;
      for (int i = 0; i < 10; ++i) {
        std::string account = std::to_string(t) + "-" + std::to_string(i);
        EXPECT_EQ(k.add(Item("s", account.c_str(), account)), errSecSuccess);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) {
      std::string account = std::to_string(t) + "-" + std::to_string(i);
      EXPECT_EQ(Load({{kSecAttrAccount, account}}), B(account));
    }
  }
}

}  // namespace
}  // namespace platform
