#include <gtest/gtest.h>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/UIKit/Device.h"

namespace {

TEST(DeviceTest, VendorIdentifierIsMadeOnceAndKeptUnderTheDataRoot) {
  platform::TemporaryDataRoot root;
  const std::string path = platform::DataRoot::libraryDirectory() + "/Device/identifierForVendor";
  EXPECT_FALSE(platform::FileManager::defaultManager().fileExistsAtPath(path));
  auto first = uikit::Device::identifierForVendor();
  ASSERT_TRUE(first);
  EXPECT_TRUE(platform::FileManager::defaultManager().fileExistsAtPath(path));
  EXPECT_EQ(uikit::Device::identifierForVendor(), first);
  {
    platform::TemporaryDataRoot other;
    auto elsewhere = uikit::Device::identifierForVendor();
    ASSERT_TRUE(elsewhere);
    EXPECT_NE(*elsewhere, *first) << "another root is another device";
  }
  EXPECT_EQ(uikit::Device::identifierForVendor(), first);

  // A damaged file is replaced by a new identifier that then stays.
  ASSERT_TRUE(platform::FileManager::defaultManager().writeAtomically(path, "garbage").ok());
  auto replaced = uikit::Device::identifierForVendor();
  ASSERT_TRUE(replaced);
  EXPECT_NE(*replaced, *first);
  EXPECT_EQ(uikit::Device::identifierForVendor(), replaced);
}

}  // namespace
