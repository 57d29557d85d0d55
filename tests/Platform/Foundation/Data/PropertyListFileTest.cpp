#include "Platform/Foundation/PropertyListFile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/Foundation/TemporaryDataRoot.h"

namespace platform {
namespace {

class PropertyListFileTest : public ::testing::Test {
 protected:
  // Another writer of the file: a replace, as every writer here does.
  void writeOutside(const Value::Dictionary& contents) {
    auto xml = PropertyList::writeXml(Value(contents));
    ASSERT_TRUE(xml.ok());
    ASSERT_TRUE(FileManager::defaultManager().writeAtomically(path_, *xml, 0644).ok());
  }
  std::optional<int64_t> readKey(PropertyListFile& file, const char* key) {
    auto contents = file.read(path_);
    if (!contents.ok() || *contents == nullptr) return std::nullopt;
    const Value* value = (*contents)->find(key);
    return value ? value->numberAsInt64() : std::nullopt;
  }

  TemporaryDataRoot root_;
  std::string path_ = root_.path() + "/settings.plist";
};

// Inside a scope the file is checked once; the next scope, and reads outside
// any scope, see what another writer left meanwhile.
TEST_F(PropertyListFileTest, ScopeChecksTheFileOnce) {
  PropertyListFile file;
  writeOutside({{"k", Value(int64_t{1})}});
  {
    PropertyListFile::CheckOncePerScope scope;
    EXPECT_EQ(readKey(file, "k"), 1);
    writeOutside({{"k", Value(int64_t{2})}});
    EXPECT_EQ(readKey(file, "k"), 1);
    {
      PropertyListFile::CheckOncePerScope nested;
      EXPECT_EQ(readKey(file, "k"), 1);
    }
  }
  {
    PropertyListFile::CheckOncePerScope scope;
    EXPECT_EQ(readKey(file, "k"), 2);
  }
  writeOutside({{"k", Value(int64_t{3})}});
  EXPECT_EQ(readKey(file, "k"), 3);
}

// A write inside a scope starts from the file on disk, so a key another
// process wrote after this scope's read is kept, and later reads in the scope
// see the merged contents.
TEST_F(PropertyListFileTest, WriteInScopeLosesNoOutsideKey) {
  PropertyListFile file;
  writeOutside({{"mine", Value(int64_t{1})}});
  PropertyListFile::CheckOncePerScope scope;
  EXPECT_EQ(readKey(file, "mine"), 1);

  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    PropertyListFile other;
    Status s = other.modify(path_, [](Value& contents) {
      contents.set("theirs", Value(int64_t{7}));
      return true;
    });
    ::_exit(s.ok() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  ASSERT_TRUE(file.modify(path_, [](Value& contents) {
                    contents.set("mine", Value(int64_t{2}));
                    return true;
                  }).ok());
  EXPECT_EQ(readKey(file, "mine"), 2);
  EXPECT_EQ(readKey(file, "theirs"), 7);
}

}  // namespace
}  // namespace platform
