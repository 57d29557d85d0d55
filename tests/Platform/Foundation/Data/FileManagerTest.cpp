#include "Platform/Foundation/FileManager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace platform {
namespace {

class FileManagerTest : public ::testing::Test {
 protected:
  TemporaryDataRoot root_;
  FileManager& fm_ = FileManager::defaultManager();
  std::string at(const std::string& name) { return root_.path() + "/" + name; }
};

TEST_F(FileManagerTest, CreateExistsAndRemove) {
  bool isDir = false;
  EXPECT_FALSE(fm_.fileExistsAtPath(at("a")));
  EXPECT_TRUE(fm_.createDirectoryAtPath(at("a/b/c")).ok());
  EXPECT_TRUE(fm_.createDirectoryAtPath(at("a/b/c")).ok());  // idempotent with intermediates
  EXPECT_EQ(fm_.createDirectoryAtPath(at("a/b/c"), false).code(), Status::Code::kAlreadyExists);
  EXPECT_EQ(fm_.createDirectoryAtPath(at("x/y"), false).code(), Status::Code::kNotFound);
  EXPECT_TRUE(fm_.fileExistsAtPath(at("a/b/c"), &isDir));
  EXPECT_TRUE(isDir);
  ASSERT_TRUE(fm_.writeAtomically(at("a/b/file"), "data").ok());
  EXPECT_EQ(fm_.createDirectoryAtPath(at("a/b/file")).code(), Status::Code::kAlreadyExists);
  EXPECT_TRUE(fm_.fileExistsAtPath(at("a/b/file"), &isDir));
  EXPECT_FALSE(isDir);
  EXPECT_TRUE(fm_.removeItemAtPath(at("a")).ok());  // whole tree
  EXPECT_FALSE(fm_.fileExistsAtPath(at("a")));
  EXPECT_TRUE(fm_.removeItemAtPath(at("a")).IsNotFound());
  EXPECT_TRUE(fm_.removeItemAtPath("").IsInvalidArgument());
}

TEST_F(FileManagerTest, MoveHonoursReplace) {
  ASSERT_TRUE(fm_.writeAtomically(at("src"), "new").ok());
  ASSERT_TRUE(fm_.writeAtomically(at("dst"), "old").ok());
  EXPECT_EQ(fm_.moveItemAtPath(at("src"), at("dst")).code(), Status::Code::kAlreadyExists);
  EXPECT_TRUE(fm_.fileExistsAtPath(at("src")));
  EXPECT_EQ(*fm_.contentsAtPath(at("dst")), (Bytes{'o', 'l', 'd'}));
  EXPECT_TRUE(fm_.moveItemAtPath(at("src"), at("dst"), true).ok());
  EXPECT_FALSE(fm_.fileExistsAtPath(at("src")));
  EXPECT_EQ(*fm_.contentsAtPath(at("dst")), (Bytes{'n', 'e', 'w'}));
  EXPECT_TRUE(fm_.moveItemAtPath(at("missing"), at("dst2")).IsNotFound());
  EXPECT_TRUE(fm_.moveItemAtPath(at("dst"), at("dst2")).ok());

  ASSERT_TRUE(fm_.createDirectoryAtPath(at("dir/inner")).ok());
  ASSERT_TRUE(fm_.createDirectoryAtPath(at("dir2")).ok());
  EXPECT_EQ(fm_.moveItemAtPath(at("dir"), at("dir2")).code(), Status::Code::kAlreadyExists);
  EXPECT_TRUE(fm_.moveItemAtPath(at("dir"), at("dir3")).ok());
  EXPECT_TRUE(fm_.fileExistsAtPath(at("dir3/inner")));
  // A file may replace a folder only when asked to.
  EXPECT_TRUE(fm_.moveItemAtPath(at("dst2"), at("dir3"), true).ok());
  bool isDir = true;
  EXPECT_TRUE(fm_.fileExistsAtPath(at("dir3"), &isDir));
  EXPECT_FALSE(isDir);
}

TEST_F(FileManagerTest, AttributesContentsAndFreeSpace) {
  mode_t old = ::umask(077);
  ASSERT_TRUE(fm_.writeAtomically(at("secret"), "12345", 0640).ok());
  ::umask(old);
  auto attrs = fm_.attributesOfItemAtPath(at("secret"));
  ASSERT_TRUE(attrs.ok());
  EXPECT_EQ(attrs->kind, FileAttributes::Kind::kRegular);
  EXPECT_EQ(attrs->size, 5u);
  EXPECT_EQ(attrs->permissions, 0640u);  // the caller's mode, whatever the umask
  EXPECT_GT(attrs->modificationDate, 1.6e9);
  EXPECT_EQ(fm_.attributesOfItemAtPath(root_.path())->kind, FileAttributes::Kind::kDirectory);
  EXPECT_TRUE(fm_.attributesOfItemAtPath(at("nope")).status().IsNotFound());

  ASSERT_TRUE(fm_.writeAtomically(at("b"), "").ok());
  ASSERT_TRUE(fm_.createDirectoryAtPath(at("a")).ok());
  auto names = fm_.contentsOfDirectoryAtPath(root_.path());
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, (std::vector<std::string>{"a", "b", "secret"}));  // no temp files left
  EXPECT_TRUE(fm_.contentsAtPath(at("a")).status().IsInvalidArgument());
  EXPECT_TRUE(fm_.contentsAtPath(at("zz")).status().IsNotFound());

  auto fs = fm_.attributesOfFileSystemForPath(root_.path());
  ASSERT_TRUE(fs.ok());
  EXPECT_GT(fs->totalSize, 0u);
  EXPECT_LE(fs->freeSize, fs->totalSize);
  EXPECT_TRUE(fm_.setExcludedFromBackup(at("b"), true).ok());
  EXPECT_TRUE(fm_.setExcludedFromBackup(at("zz"), true).IsNotFound());
}

class DataRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"FACILITY_HOME", "XDG_DATA_HOME", "HOME"}) {
      const char* v = std::getenv(name);
      saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    savedOverride_ = DataRoot::overriddenRoot();
  }
  void TearDown() override {
    for (const auto& [name, v] : saved_) {
      if (v) ::setenv(name.c_str(), v->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
    DataRoot::overrideRoot(savedOverride_);
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  std::string savedOverride_;
};

TEST_F(DataRootTest, ResolvesFromTheEnvironment) {
  struct Case {
    const char* facilityHome;
    const char* xdg;
    const char* home;
    const char* root;
  } cases[] = {
      {"/srv/fh/", "/xdg", "/home/u", "/srv/fh"},
      {nullptr, "/xdg", "/home/u", "/xdg/facility"},
      {"", "/xdg/", "/home/u", "/xdg/facility"},
      {nullptr, nullptr, "/home/u", "/home/u/.local/share/facility"},
      {nullptr, "relative", "/home/u", "/home/u/.local/share/facility"},
  };
  for (const Case& c : cases) {
    auto set = [](const char* name, const char* v) {
      if (v) ::setenv(name, v, 1);
      else ::unsetenv(name);
    };
    set("FACILITY_HOME", c.facilityHome);
    set("XDG_DATA_HOME", c.xdg);
    set("HOME", c.home);
    DataRoot::overrideRoot("");  // forget the resolved root
    EXPECT_EQ(DataRoot::root(), c.root);
  }
  EXPECT_EQ(DataRoot::preferencesDirectory(), "/home/u/.local/share/facility/Library/Preferences");
  EXPECT_EQ(DataRoot::applicationSupportDirectory(),
            "/home/u/.local/share/facility/Library/Application Support");
  EXPECT_EQ(DataRoot::documentsDirectory(), "/home/u/.local/share/facility/Documents");
  EXPECT_EQ(DataRoot::temporaryDirectory(), "/home/u/.local/share/facility/tmp");
}

TEST_F(DataRootTest, TemporaryRootsNestAndCleanUp) {
  std::string outer, inner;
  {
    TemporaryDataRoot a;
    outer = a.path();
    EXPECT_EQ(DataRoot::root(), outer);
    ASSERT_TRUE(DataRoot::createDirectories().ok());
    EXPECT_TRUE(FileManager::defaultManager().fileExistsAtPath(outer + "/Library/Application Support"));
    EXPECT_TRUE(FileManager::defaultManager().fileExistsAtPath(outer + "/tmp"));
    {
      TemporaryDataRoot b;
      inner = b.path();
      EXPECT_EQ(DataRoot::root(), inner);
    }
    EXPECT_EQ(DataRoot::root(), outer);
  }
  EXPECT_FALSE(FileManager::defaultManager().fileExistsAtPath(outer));
  EXPECT_FALSE(FileManager::defaultManager().fileExistsAtPath(inner));
  EXPECT_EQ(DataRoot::overriddenRoot(), savedOverride_);
}

}  // namespace
}  // namespace platform
