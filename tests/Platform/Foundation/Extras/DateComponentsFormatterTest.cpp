#include "Platform/Foundation/DateComponentsFormatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using platform::DateComponentsFormatter;

TEST(DateComponentsFormatterTest, PositionalMinutesAndSeconds) {
  DateComponentsFormatter f;
  f.setUnitsStyle(DateComponentsFormatter::UnitsStyle::kPositional);
  f.setZeroFormattingBehavior(DateComponentsFormatter::ZeroFormattingBehavior::kPad);
  f.setAllowedUnits(DateComponentsFormatter::kMinute | DateComponentsFormatter::kSecond);
  struct Case {
    double seconds;
    const char* text;
  };
  const std::vector<Case> cases = {
      {0, "0:00"},   {3, "0:03"},   {2.4, "0:02"},     {2.5, "0:03"},      {59.6, "1:00"},
      {65, "1:05"},  {600, "10:00"}, {3600, "60:00"}, {3725, "62:05"},
  };
  for (const Case& c : cases) EXPECT_EQ(f.stringFromTimeInterval(c.seconds).value_or("none"), c.text) << c.seconds;
  for (double bad : {-1.0, std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
    EXPECT_FALSE(f.stringFromTimeInterval(bad).has_value()) << bad;
  }
}

TEST(DateComponentsFormatterTest, HoursShowInFrontOnlyWhenAllowedAndPadded) {
  DateComponentsFormatter f;
  f.setAllowedUnits(DateComponentsFormatter::kHour | DateComponentsFormatter::kMinute |
                    DateComponentsFormatter::kSecond);
  EXPECT_EQ(f.stringFromTimeInterval(65), "1:05");
  EXPECT_EQ(f.stringFromTimeInterval(3725), "1:02:05");
  f.setZeroFormattingBehavior(DateComponentsFormatter::ZeroFormattingBehavior::kPad);
  EXPECT_EQ(f.stringFromTimeInterval(65), "0:01:05");
}

}  // namespace
