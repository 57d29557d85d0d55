#include "Platform/Foundation/UserDefaults.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <limits>
#include <thread>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace platform {
namespace {

class UserDefaultsTest : public ::testing::Test {
 protected:
  TemporaryDataRoot root_;
  FileManager& fm_ = FileManager::defaultManager();
};

// Both read families over the same stored values: the typed reads with their
// type check, and the converting accessors.
TEST_F(UserDefaultsTest, ReadFamiliesTable) {
  auto& d = UserDefaults::suite("table");
  ASSERT_TRUE(d.setObject(Value("12"), "text12").ok());
  ASSERT_TRUE(d.setObject(Value("12abc"), "text12abc").ok());
  ASSERT_TRUE(d.setObject(Value("abc"), "textabc").ok());
  ASSERT_TRUE(d.setObject(Value(" -7x"), "textneg").ok());
  ASSERT_TRUE(d.setObject(Value("99999999999999999999"), "texthuge").ok());
  ASSERT_TRUE(d.setObject(Value("true"), "texttrue").ok());
  ASSERT_TRUE(d.setObject(Value(42), "int42").ok());
  ASSERT_TRUE(d.setObject(Value(2.5), "double").ok());
  ASSERT_TRUE(d.setObject(Value(true), "booltrue").ok());
  ASSERT_TRUE(d.setObject(Value(false), "boolfalse").ok());
  ASSERT_TRUE(d.setObject(Value::bytes("raw"), "data").ok());

  using OptS = std::optional<std::string>;
  using OptI = std::optional<std::int64_t>;
  using OptB = std::optional<bool>;
  struct Row {
    const char* key;
    OptS typedString;   // stringObjectForKey
    OptI typedInteger;  // integerObjectForKey
    OptB typedBool;     // boolObjectForKey
    std::int64_t integer;  // integerForKey
    OptS string;           // stringForKey
  } rows[] = {
      {"absent", {}, {}, {}, 0, {}},
      {"text12", "12", {}, {}, 12, "12"},
      {"text12abc", "12abc", {}, {}, 12, "12abc"},
      {"textabc", "abc", {}, {}, 0, "abc"},
      {"textneg", " -7x", {}, {}, -7, " -7x"},
      {"texthuge", "99999999999999999999", {}, {}, std::numeric_limits<std::int64_t>::max(),
       "99999999999999999999"},
      {"texttrue", "true", {}, {}, 0, "true"},
      {"int42", {}, 42, {}, 42, "42"},
      {"double", {}, {}, {}, 2, "2.5"},
      {"booltrue", {}, {}, true, 1, "1"},
      {"boolfalse", {}, {}, false, 0, "0"},
      {"data", {}, {}, {}, 0, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.key);
    EXPECT_EQ(d.stringObjectForKey(r.key), r.typedString);
    EXPECT_EQ(d.integerObjectForKey(r.key), r.typedInteger);
    EXPECT_EQ(d.boolObjectForKey(r.key), r.typedBool);
    EXPECT_EQ(d.integerForKey(r.key), r.integer);
    EXPECT_EQ(d.stringForKey(r.key), r.string);
  }
  EXPECT_TRUE(d.boolForKey("texttrue"));
  EXPECT_TRUE(d.boolForKey("text12"));
  EXPECT_FALSE(d.boolForKey("textabc"));
  EXPECT_DOUBLE_EQ(d.doubleForKey("double"), 2.5);
  EXPECT_DOUBLE_EQ(d.doubleForKey("text12abc"), 12.0);
  EXPECT_EQ(d.dataForKey("data"), (Bytes{'r', 'a', 'w'}));
  EXPECT_FALSE(d.dataForKey("text12"));
}

TEST_F(UserDefaultsTest, SuitesLiveInOneFileEachUnderPreferences) {
  auto& a = UserDefaults::suite("com.example.a");
  auto& b = UserDefaults::suite("com.example.b");
  EXPECT_EQ(&a, &UserDefaults::suite("com.example.a"));
  ASSERT_TRUE(a.setInteger(1, "x").ok());
  ASSERT_TRUE(b.setString("y", "y").ok());
  ASSERT_TRUE(UserDefaults::standard().setBool(true, "flag").ok());

  const std::string prefs = root_.path() + "/Library/Preferences/";
  EXPECT_EQ(a.filePath(), prefs + "com.example.a.plist");
  EXPECT_TRUE(fm_.fileExistsAtPath(prefs + "com.example.b.plist"));
  EXPECT_TRUE(fm_.fileExistsAtPath(prefs + DataRoot::applicationIdentifier() + ".plist"));
  EXPECT_EQ(&UserDefaults::suite(""), &UserDefaults::standard());
  EXPECT_EQ(&UserDefaults::suite(DataRoot::applicationIdentifier()), &UserDefaults::standard());

  // The file is a plain property list of the suite's keys.
  auto onDisk = PropertyList::readFile(a.filePath());
  ASSERT_TRUE(onDisk.ok());
  EXPECT_EQ(onDisk->find("x")->getInt(), 1);
  EXPECT_EQ(a.allKeys(), std::vector<std::string>{"x"});
  EXPECT_FALSE(a.objectForKey("y"));

  ASSERT_TRUE(a.setInteger(2, "z").ok());
  EXPECT_EQ(a.allKeys(), (std::vector<std::string>{"x", "z"}));
  ASSERT_TRUE(a.setObject(Value(), "x").ok());  // null removes
  ASSERT_TRUE(a.removeObjectForKey("absent").ok());
  EXPECT_EQ(a.allKeys(), std::vector<std::string>{"z"});

  ASSERT_TRUE(UserDefaults::removePersistentDomainForName("com.example.a").ok());
  EXPECT_TRUE(a.allKeys().empty());
  EXPECT_FALSE(fm_.fileExistsAtPath(a.filePath()));
  EXPECT_FALSE(UserDefaults::persistentDomainForName("com.example.a"));
  EXPECT_TRUE(UserDefaults::removePersistentDomainForName("com.example.a").ok());
  EXPECT_EQ(b.stringObjectForKey("y"), "y");
}

TEST_F(UserDefaultsTest, SuiteNameCannotLeaveThePreferencesFolder) {
  auto& evil = UserDefaults::suite("../../escape");
  ASSERT_TRUE(evil.setInteger(1, "k").ok());
  EXPECT_EQ(evil.filePath().rfind(DataRoot::preferencesDirectory() + "/", 0), 0u);
  EXPECT_EQ(evil.filePath().find('/', DataRoot::preferencesDirectory().size() + 1), std::string::npos);
  EXPECT_FALSE(fm_.fileExistsAtPath(root_.path() + "/../escape.plist"));
}

TEST_F(UserDefaultsTest, SeesFilesMovedAwayAndBack) {
  auto& d = UserDefaults::suite("moving");
  ASSERT_TRUE(d.setString("v", "k").ok());
  EXPECT_EQ(d.stringForKey("k"), "v");
  std::string aside = DataRoot::applicationSupportDirectory() + "/moving.plist";
  ASSERT_TRUE(fm_.createDirectoryAtPath(DataRoot::applicationSupportDirectory()).ok());
  ASSERT_TRUE(fm_.moveItemAtPath(d.filePath(), aside).ok());
  EXPECT_FALSE(d.objectForKey("k"));
  ASSERT_TRUE(fm_.moveItemAtPath(aside, d.filePath()).ok());
  EXPECT_EQ(d.stringForKey("k"), "v");
}

TEST_F(UserDefaultsTest, RefusedWritesAndCorruptFilesLoseNothing) {
  auto& d = UserDefaults::suite("careful");
  ASSERT_TRUE(d.setInteger(5, "kept").ok());
  // A value with no property-list form is refused and the file stays valid.
  Status refused = d.setObject(Value(Value::Array{1, Value()}), "kept");
  EXPECT_TRUE(refused.IsInvalidArgument());
  EXPECT_EQ(d.integerObjectForKey("kept"), 5);

  ASSERT_TRUE(fm_.writeAtomically(d.filePath(), "not a plist").ok());
  EXPECT_FALSE(d.objectForKey("kept"));
  EXPECT_TRUE(d.allKeys().empty());
  LogCapture log;
  ASSERT_TRUE(d.setInteger(6, "fresh").ok());
  EXPECT_TRUE(log.contains("careful.plist.corrupt"));
  EXPECT_EQ(d.integerObjectForKey("fresh"), 6);
  auto aside = fm_.contentsAtPath(d.filePath() + ".corrupt");
  ASSERT_TRUE(aside.ok());
  EXPECT_EQ(std::string(aside->begin(), aside->end()), "not a plist");
}

TEST_F(UserDefaultsTest, FollowsTheDataRoot) {
  auto& d = UserDefaults::suite("rooted");
  ASSERT_TRUE(d.setInteger(1, "k").ok());
  {
    TemporaryDataRoot other;
    EXPECT_FALSE(d.objectForKey("k"));
    ASSERT_TRUE(d.setInteger(2, "k").ok());
  }
  EXPECT_EQ(d.integerObjectForKey("k"), 1);
}

// A second process on the same data root sees the first one's writes, and
// its own writes merge with keys written meanwhile by this process.
TEST_F(UserDefaultsTest, SecondProcessSeesTheData) {
  auto& d = UserDefaults::suite("shared");
  ASSERT_TRUE(d.setString("parent", "from-parent").ok());
  ASSERT_TRUE(d.objectForKey("from-parent"));  // warm the cache

  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    auto& c = UserDefaults::suite("shared");
    bool ok = c.stringForKey("from-parent") == std::optional<std::string>("parent") &&
              c.setInteger(7, "from-child").ok();
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(d.integerForKey("from-child"), 7);
  EXPECT_EQ(d.stringForKey("from-parent"), "parent");
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNoKey) {
  auto& d = UserDefaults::suite("busy");
  auto& same = UserDefaults::suite("busy");
  constexpr int kThreads = 4, kKeys = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < kKeys; ++k) {
        std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
        EXPECT_TRUE((t % 2 ? d : same).setInteger(k, key).ok());
        EXPECT_EQ(d.integerObjectForKey(key), k);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(d.allKeys().size(), static_cast<std::size_t>(kThreads * kKeys));
}

TEST(UserDefaultsLeadingInteger, Table) {
  struct Case {
    const char* text;
    std::int64_t value;
  } cases[] = {
      {"", 0}, {"abc", 0}, {"12abc", 12}, {"  34", 34}, {"+5", 5}, {"-5", -5}, {"1.9", 1},
      {"- 5", 0}, {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"-99999999999999999999", std::numeric_limits<std::int64_t>::min()},
  };
  for (const Case& c : cases) EXPECT_EQ(UserDefaults::leadingInteger(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace platform
