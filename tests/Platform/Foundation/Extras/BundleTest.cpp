#include "Platform/Foundation/Bundle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace {

using platform::Bundle;
using platform::DataRoot;
using platform::Value;

class BundleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = root_.path() + "/Bundle";
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    Bundle::main().setInfoDictionaryOverride(std::nullopt);
    Bundle::setMainBundlePath(std::nullopt);
    DataRoot::setApplicationIdentifier(DataRoot::kDefaultApplicationIdentifier);
  }
  void WriteFile(const std::string& name, const std::string& content) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << content;
  }

  platform::TemporaryDataRoot root_;
  std::string dir_;
};

TEST_F(BundleTest, MainBundleReadsInfoPlistFromTheDataRoot) {
  Value::Dictionary info{
      {"CFBundleIdentifier", Value("com.example.facility")},
      {"CFBundleShortVersionString", Value("2.4.1")},
      {"CFBundleVersion", Value("241")},
      {"TRIVANDEL_ANALYTICS_DEFERRED_DEEP_LINK_ENABLED", Value(true)},
      {"Count", Value(3)},
  };
  ASSERT_TRUE(platform::PropertyList::writeFile(dir_ + "/Info.plist", Value(info)).ok());

  Bundle& main = Bundle::main();
  EXPECT_EQ(main.bundlePath(), dir_);
  EXPECT_EQ(main.bundleIdentifier(), "com.example.facility");
  EXPECT_EQ(main.shortVersionString(), "2.4.1");
  EXPECT_EQ(main.bundleVersion(), "241");
  EXPECT_EQ(main.objectForInfoDictionaryKey("TRIVANDEL_ANALYTICS_DEFERRED_DEEP_LINK_ENABLED"), Value(true));
  EXPECT_EQ(main.objectForInfoDictionaryKey("Count"), Value(3));  // kinds kept
  EXPECT_FALSE(main.objectForInfoDictionaryKey("Missing"));
  EXPECT_EQ(main.infoDictionary().size(), 5u);
  // The standard user-defaults suite follows the bundle identifier.
  EXPECT_EQ(DataRoot::applicationIdentifier(), "com.example.facility");
}

TEST_F(BundleTest, VersionStringsMustBeText) {
  Bundle::main().setInfoDictionaryOverride(Value::Dictionary{
      {"CFBundleShortVersionString", Value(2)}, {"CFBundleVersion", Value(2.5)}});
  EXPECT_FALSE(Bundle::main().shortVersionString());
  EXPECT_FALSE(Bundle::main().bundleVersion());
  EXPECT_FALSE(Bundle::main().bundleIdentifier());
}

TEST_F(BundleTest, MissingOrCorruptInfoPlistGivesAnEmptyDictionary) {
  EXPECT_TRUE(Bundle::main().infoDictionary().empty());

  Bundle corrupt(dir_);
  WriteFile("Info.plist", "<plist><dict><key>unterminated");
  platform::LogCapture capture;
  EXPECT_TRUE(corrupt.infoDictionary().empty());
  EXPECT_TRUE(capture.contains("Info.plist"));

  platform::TemporaryDataRoot other;
  std::filesystem::create_directories(other.path() + "/Bundle");
  ASSERT_TRUE(platform::PropertyList::writeFile(other.path() + "/Bundle/Info.plist", Value(Value::array())).ok());
  EXPECT_TRUE(Bundle::main().infoDictionary().empty());  // not a dictionary
}

TEST_F(BundleTest, InjectedDictionaryReplacesTheFile) {
  ASSERT_TRUE(platform::PropertyList::writeFile(
                  dir_ + "/Info.plist", Value(Value::Dictionary{{"CFBundleVersion", Value("1")}}))
                  .ok());
  Bundle::main().setInfoDictionaryOverride(Value::Dictionary{{"CFBundleVersion", Value("99")}});
  EXPECT_EQ(Bundle::main().bundleVersion(), "99");
  Bundle::main().setInfoDictionaryOverride(std::nullopt);
  EXPECT_EQ(Bundle::main().bundleVersion(), "1");
}

TEST_F(BundleTest, ResourcesByNameAndType) {
  WriteFile("TrivandelService-Info.plist", "x");
  WriteFile("loader.gif", "GIF89a");
  std::filesystem::create_directories(dir_ + "/Images");
  WriteFile("Images/door.png", "png");
  std::ofstream(root_.path() + "/outside.txt") << "secret";

  struct Case {
    const char* name;
    const char* type;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {"TrivandelService-Info", "plist", dir_ + "/TrivandelService-Info.plist"},
      {"loader", "gif", dir_ + "/loader.gif"},
      {"loader.gif", "", dir_ + "/loader.gif"},
      {"Images/door", "png", dir_ + "/Images/door.png"},
      {"loader", "png", std::nullopt},
      {"missing", "gif", std::nullopt},
      {"", "gif", std::nullopt},
      {"../outside", "txt", std::nullopt},
      {"Images/../../outside", "txt", std::nullopt},
      {"/etc/passwd", "", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Bundle::main().pathForResource(c.name, c.type), c.path) << c.name << "." << c.type;
  }
}

TEST_F(BundleTest, MainBundlePathCanPointElsewhere) {
  const std::string elsewhere = root_.path() + "/Resources";
  std::filesystem::create_directories(elsewhere);
  ASSERT_TRUE(platform::PropertyList::writeFile(
                  elsewhere + "/Info.plist", Value(Value::Dictionary{{"CFBundleShortVersionString", Value("3.0")}}))
                  .ok());
  Bundle::setMainBundlePath(elsewhere);
  EXPECT_EQ(Bundle::main().bundlePath(), elsewhere);
  EXPECT_EQ(Bundle::main().shortVersionString(), "3.0");
}

}  // namespace
