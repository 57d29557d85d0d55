#include <gtest/gtest.h>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Status.h"

namespace platform {
namespace {

TEST(LogCapture, RecordsEveryLevelAndNests) {
  LogCapture outer;
  Log(LogLevel::kDebug, "below the minimum");
  {
    LogCapture inner;
    LogError("inner only");
    EXPECT_TRUE(inner.contains("inner only"));
  }
  LogWarning("outer again");
  auto lines = outer.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "below the minimum");
  EXPECT_EQ(lines[1], "outer again");
}

TEST(StatusAndResult, CarryErrorsAsValues) {
  Result<int> good = 7;
  Result<int> bad = Status::Corruption("bad header");
  EXPECT_TRUE(good.ok());
  EXPECT_EQ(*good, 7);
  EXPECT_FALSE(bad.ok());
  EXPECT_EQ(bad.status().ToString(), "Corruption: bad header");
  EXPECT_EQ(bad.value_or(3), 3);
}

TEST(Clock, WallClockIsTheDefault) {
  EXPECT_FALSE(Clock::currentShared()->isManual());
  EXPECT_GT(Clock::nowSeconds(), 1.6e9);
}

}  // namespace
}  // namespace platform
