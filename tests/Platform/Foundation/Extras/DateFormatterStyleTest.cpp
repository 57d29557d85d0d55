#include <gtest/gtest.h>

#include "Platform/Foundation/DateFormatter.h"
#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/TimeZone.h"

namespace {

using platform::Date;
using platform::DateFormatter;
using platform::Locale;
using platform::TimeZone;

class DateFormatterStyleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TimeZone::setLocalOverride(TimeZone::named("Asia/Kolkata"));
    Locale::setCurrentOverride(Locale("en_US"));
  }
  void TearDown() override {
    TimeZone::setLocalOverride(std::nullopt);
    Locale::setCurrentOverride(std::nullopt);
  }
};

constexpr double kJan6_0015Kolkata = 1767638700;  // 2026-01-05 18:45 UTC

// ICU separates the day period with a narrow no-break space in newer data.
std::string plainSpaces(std::string s) {
  for (std::size_t at; (at = s.find("\u202f")) != std::string::npos;) s.replace(at, 3, " ");
  return s;
}

TEST_F(DateFormatterStyleTest, LongDateAndShortTimeStylesFollowTheLocale) {
  DateFormatter both;
  both.setDateStyle(DateFormatter::Style::kLong);
  both.setTimeStyle(DateFormatter::Style::kShort);
  EXPECT_EQ(plainSpaces(both.stringFromDate(Date{kJan6_0015Kolkata})), "January 6, 2026 at 12:15 AM");

  DateFormatter dateOnly;
  dateOnly.setDateStyle(DateFormatter::Style::kLong);
  EXPECT_EQ(dateOnly.stringFromDate(Date{kJan6_0015Kolkata}), "January 6, 2026");

  DateFormatter timeOnly;
  timeOnly.setTimeStyle(DateFormatter::Style::kShort);
  EXPECT_EQ(plainSpaces(timeOnly.stringFromDate(Date{kJan6_0015Kolkata})), "12:15 AM");

  // Another locale gets its own patterns.
  DateFormatter german;
  german.setLocale(Locale("de_DE"));
  german.setDateStyle(DateFormatter::Style::kLong);
  EXPECT_EQ(german.stringFromDate(Date{kJan6_0015Kolkata}), "6. Januar 2026");

  // A set pattern wins; nothing set gives nothing.
  both.setDateFormat("yyyy");
  EXPECT_EQ(both.stringFromDate(Date{kJan6_0015Kolkata}), "2026");
  EXPECT_EQ(DateFormatter().stringFromDate(Date{kJan6_0015Kolkata}), "");
}

}  // namespace
