#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Engine/APMNumericUtil.h"
#include "Analytics/Engine/APMParameterNames.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Platform/CommonCrypto/SecureRandom.h"
#include "Platform/Foundation/Log.h"

namespace {

TEST(DecimalNumberTest, GrammarTable) {
  struct Case {
    const char* text;
    bool decimal;
  };
  const Case cases[] = {
      {"0", true},   {"007", true},  {"-1.50", true}, {"+.5", true}, {"1.", true},   {".5", true},
      {"", false},   {".", false},   {"+", false},    {"1e3", false}, {" 1", false}, {"1 ", false},
      {"1.2.3", false}, {"--1", false}, {"1,5", false}, {"\xD9\xA1", false}, {"1\n", false},
  };
  for (const auto& c : cases) EXPECT_EQ(APMIsDecimalNumberString(c.text), c.decimal) << c.text;
}

TEST(DecimalNumberTest, ParsingAndCanonicalText) {
  struct Case {
    const char* text;
    const char* canonical;  // nullptr: refused
  };
  const Case cases[] = {
      {"+.5", "0.5"},
      {"1.", "1"},
      {"007", "7"},
      {"-1.50", "-1.5"},
      {"-0.000", "0"},
      {"100", "100"},
      {"0.05", "0.05"},
      {"12345678901234567890123456789012345678", "12345678901234567890123456789012345678"},
      {"1000000000000000000000000000000000000000000", "1000000000000000000000000000000000000000000"},
      {"123456789012345678901234567890123456789", nullptr},  // 39 significant digits
      {".", nullptr},
      {"1e3", nullptr},
  };
  for (const auto& c : cases) {
    auto number = APMDecimalNumberFromString(c.text);
    if (c.canonical == nullptr) {
      EXPECT_FALSE(number) << c.text;
    } else {
      ASSERT_TRUE(number) << c.text;
      EXPECT_EQ(number->stringValue(), c.canonical) << c.text;
    }
  }
}

TEST(DecimalNumberTest, RefusalsAreLoggedWithTheirCodes) {
  platform::LogCapture capture;
  EXPECT_FALSE(APMDecimalNumberFromString("1e3"));
  EXPECT_FALSE(APMDecimalNumberFromString("123456789012345678901234567890123456789"));
  // Level 2 is record-only: the lines reach the health record, not the console.
  APMMeasurementMonitor().waitForPendingWork();
  EXPECT_FALSE(capture.contains("I-ACS026001"));
}

TEST(NumericUtilTest, RandomValuesDiffer) {
  int64_t a = APMNumericUtil::randomInt64();
  int64_t b = APMNumericUtil::randomInt64();
  EXPECT_NE(a, b);
}

TEST(NumericUtilTest, AFailingSourceGivesZeroAndKeepsTheGeneratorsError) {
  // The 26004 line is record-only and its text context is recorded as "-", so
  // what is pinned here is the errno it reads: the generator's, not one left
  // behind by building the error.
  platform::SecureRandom::setSourceForTesting([](unsigned char*, int) {
    errno = EIO;
    return 0;
  });
  auto bytes = platform::SecureRandom::bytes(8);
  const int afterBytes = errno;
  EXPECT_EQ(APMNumericUtil::randomInt64(), 0);
  platform::SecureRandom::setSourceForTesting(nullptr);
  APMMeasurementMonitor().waitForPendingWork();
  EXPECT_FALSE(bytes.ok());
  EXPECT_EQ(afterBytes, EIO) << std::strerror(afterBytes);
  EXPECT_TRUE(platform::SecureRandom::bytes(8).ok());
}

TEST(ParameterNamesTest, TableHasBothPublicSpellings) {
  const auto& table = APMPublicToInternalParameterNames();
  EXPECT_EQ(table.size(), 54u);
  EXPECT_EQ(APMPublicToInternalParameterNamePairs().size(), 54u);
  EXPECT_EQ(*table.at("tq_error").getString(), "_err");
  EXPECT_EQ(*table.at("quorvane_error").getString(), "_err");
  EXPECT_EQ(*table.at("engagement_time_msec").getString(), "_et");
  EXPECT_EQ(*table.at("update_with_analytics").getString(), "_uwa");
  EXPECT_EQ(table.count("_err"), 0u);
}

}  // namespace
