#include <gtest/gtest.h>

#include <set>

#include "Platform/Foundation/UUID.h"

namespace {

using platform::UUID;

TEST(UUIDTest, FreshIdentifiersAreVersion4AndDistinct) {
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    UUID uuid;
    const std::string text = uuid.uuidString();
    ASSERT_EQ(text.size(), 36u);
    EXPECT_EQ(text[14], '4') << text;
    EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos) << text;
    EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF-"), std::string::npos) << text;
    EXPECT_TRUE(seen.insert(text).second);
  }
}

TEST(UUIDTest, ParsesOnlyTheCanonicalForm) {
  auto parsed = UUID::fromString("6d92078a-8246-4BA4-ae5b-76104861E7DC");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->uuidString(), "6D92078A-8246-4BA4-AE5B-76104861E7DC");
  EXPECT_EQ(UUID::fromString("00000000-0000-0000-0000-000000000000"), UUID::zero());
  for (const char* bad : {"", "6D92078A82464BA4AE5B76104861E7DC", "6D92078A-8246-4BA4-AE5B-76104861E7D",
                          "6D92078A-8246-4BA4-AE5B-76104861E7DCX", "6D92078A+8246-4BA4-AE5B-76104861E7DC",
                          "6D92078A-8246-4BA4-AE5B-76104861E7DG"}) {
    EXPECT_FALSE(UUID::fromString(bad)) << bad;
  }
}

}  // namespace
