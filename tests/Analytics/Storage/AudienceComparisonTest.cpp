#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Audience/APMAudienceComparisonValues.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

using Values = APMAudienceComparisonValues;

// A number filter; absent operands stay absent.
std::shared_ptr<APMPBNumberFilter> NumberFilter(std::optional<int32_t> type, std::optional<std::string> value,
                               std::optional<std::string> minimum = std::nullopt,
                               std::optional<std::string> maximum = std::nullopt) {
  auto filter = std::make_shared<APMPBNumberFilter>();
  if (type) APMPBSetInt32(filter.get(), 0, *type);
  if (value) APMPBSetString(filter.get(), 2, *value);
  if (minimum) APMPBSetString(filter.get(), 3, *minimum);
  if (maximum) APMPBSetString(filter.get(), 4, *maximum);
  return filter;
}

APMDecimalNumber Decimal(const std::string& text) { return *APMDecimalNumber::fromString(text); }

class AudienceComparisonTest : public MeasurementDatabaseFixture {};

TEST_F(AudienceComparisonTest, DecimalOrderingHandlesSignScaleAndZero) {
  const std::vector<std::string> ascending = {"-100", "-10.5", "-10.05", "-1", "-.001", "0",
                                              "0.0009", ".001", "1", "1.0000001", "9.99", "10", "10.5", "100"};
  for (size_t i = 0; i < ascending.size(); ++i) {
    for (size_t j = 0; j < ascending.size(); ++j) {
      const int expected = i < j ? -1 : (i > j ? 1 : 0);
      EXPECT_EQ(APMDecimalNumber::compare(Decimal(ascending[i]), Decimal(ascending[j])), expected)
          << ascending[i] << " vs " << ascending[j];
    }
  }
  EXPECT_EQ(APMDecimalNumber::compare(Decimal("-0"), Decimal("+0.000")), 0);
  EXPECT_EQ(APMDecimalNumber::compare(Decimal("10"), Decimal("10.000")), 0);
}

TEST_F(AudienceComparisonTest, DecimalPathComparesEachType) {
  struct Case {
    int32_t type;
    std::string value;
    std::string operand;
    std::optional<bool> expected;
  };
  const Case cases[] = {
      {1, "9.99", "10", true}, {1, "10", "10", false}, {2, "10.01", "10", true}, {2, "10", "10", false},
      {3, "15", "15.0", true}, {3, "15.000000000000000001", "15", false}, {3, "-0", "0", true},
      {4, "10", "", true},     {4, "20", "", true},   {4, "9.99", "", false},  {4, "20.0001", "", false},
      {4, "15", "", true},
  };
  for (const Case& c : cases) {
    auto filter = c.type == 4 ? NumberFilter(4, std::nullopt, "10", "20") : NumberFilter(c.type, c.operand);
    EXPECT_EQ(Values::evaluateNumberFilter(*filter, Decimal(c.value)), c.expected) << c.type << " " << c.value;
  }
}

TEST_F(AudienceComparisonTest, DoublePathEqualityToleratesOneUlpEitherSide) {
  for (const std::string operand : {"0.1", "15", "-2.5", "1e0"}) {
    if (!APMIsDecimalNumberString(operand)) continue;  // exponent text is no operand
    const double value = std::stod(operand);
    auto filter = NumberFilter(3, operand);
    const double up1 = std::nextafter(value, INFINITY);
    const double down1 = std::nextafter(value, -INFINITY);
    EXPECT_EQ(Values::evaluateNumberFilter(*filter, value), true) << operand;
    EXPECT_EQ(Values::evaluateNumberFilter(*filter, up1), true) << operand;
    EXPECT_EQ(Values::evaluateNumberFilter(*filter, down1), true) << operand;
    EXPECT_EQ(Values::evaluateNumberFilter(*filter, std::nextafter(up1, INFINITY)), false) << operand;
    EXPECT_EQ(Values::evaluateNumberFilter(*filter, std::nextafter(down1, -INFINITY)), false) << operand;
  }
  // Read to the nearest double, whatever the locale: "0.1" is the double 0.1.
  EXPECT_EQ(Values::evaluateNumberFilter(*NumberFilter(3, "0.1"), 0.1), true);
  EXPECT_EQ(Values::evaluateNumberFilter(*NumberFilter(1, "+5"), 4.5), true);
  EXPECT_EQ(Values::evaluateNumberFilter(*NumberFilter(2, "5."), 5.0), false);
  EXPECT_EQ(Values::evaluateNumberFilter(*NumberFilter(4, std::nullopt, "10", "20"), 10.0), true);
  EXPECT_EQ(Values::evaluateNumberFilter(*NumberFilter(4, std::nullopt, "10", "20"), 20.0), true);
  EXPECT_EQ(Values::evaluateNumberFilter(*NumberFilter(4, std::nullopt, "10", "20"), 9.99), false);
  // A decimal text beyond the double range has no nearest double.
  const std::string huge = "1" + std::string(400, '0');
  EXPECT_EQ(Values::evaluateNumberFilter(*NumberFilter(2, huge), 1.0), std::nullopt);
  EXPECT_TRUE(Logged("Number filter is invalid, the comparison filter is not valid"));
}

TEST_F(AudienceComparisonTest, InvalidNumberFiltersGiveNoAnswerWithTheirCode) {
  struct Case {
    std::shared_ptr<APMPBNumberFilter> filter;
    std::vector<std::string> lines;
  };
  std::vector<Case> cases;
  cases.push_back({NumberFilter(std::nullopt, "1"), {"Number filter has no comparison type"}});
  cases.push_back({NumberFilter(0, "1"), {"Number filter has unknown comparison type"}});
  cases.push_back({NumberFilter(5, "1"), {"Number filter has a real unknown comparison type"}});
  cases.push_back({NumberFilter(-1, "1"), {"Number filter has a real unknown comparison type"}});
  cases.push_back({NumberFilter(1, std::nullopt), {"Numeric filter does not have a valid comparison value"}});
  cases.push_back({NumberFilter(2, "1e3"), {"Numeric filter does not have a valid comparison value"}});
  cases.push_back({NumberFilter(3, ""), {"Numeric filter does not have a valid comparison value"}});
  cases.push_back({NumberFilter(4, "1", "x", "2"), {"Numeric filter does not have a valid min comparison value"}});
  cases.push_back({NumberFilter(4, "1", "1", std::nullopt),
                   {"Numeric filter does not have a valid max comparison value"}});
  // Both faults of one filter are written.
  cases.push_back({NumberFilter(4, std::nullopt, ".", "-"),
                   {"Numeric filter does not have a valid min comparison value",
                    "Numeric filter does not have a valid max comparison value"}});
  for (const Case& c : cases) {
    EXPECT_FALSE(Values::isValidNumberFilter(*c.filter));
    EXPECT_EQ(Values::evaluateNumberFilter(*c.filter, Decimal("1")), std::nullopt);
    EXPECT_EQ(Values::evaluateNumberFilter(*c.filter, 1.0), std::nullopt);
    APMMeasurementMonitor().waitForPendingWork();
    for (const std::string& line : c.lines) EXPECT_TRUE(capture_.contains(line)) << line;
    capture_.clear();
  }
}

TEST_F(AudienceComparisonTest, ComparisonValuesReportWhatIsMissing) {
  struct Case {
    std::shared_ptr<APMPBNumberFilter> filter;
    bool valid;
    std::string line;
  };
  std::vector<Case> cases;
  cases.push_back({NumberFilter(1, std::nullopt), false, "Number filter has no comparison value"});
  cases.push_back({NumberFilter(1, "abc"), false, "Number filter comparison value is not a number"});
  cases.push_back({NumberFilter(4, std::nullopt, "1"), false, "Number filter does not have both min and max"});
  cases.push_back(
      {NumberFilter(4, std::nullopt, "a", "1"), false, "Number filter min comparison value is not a number"});
  cases.push_back(
      {NumberFilter(4, std::nullopt, "1", "b"), false, "Number filter max comparison value is not a number"});
  cases.push_back({NumberFilter(4, std::nullopt, "1", "2"), true, ""});
  for (const Case& c : cases) {
    auto values = Values::fromNumberFilter(*c.filter);
    EXPECT_EQ(values.valid(), c.valid) << c.line;
    if (!c.line.empty()) {
      EXPECT_TRUE(Logged(c.line)) << c.line;
    }
  }
  auto between = Values::fromNumberFilter(*NumberFilter(4, std::nullopt, "1", "2.50"));
  EXPECT_EQ(between.minComparisonValue()->stringValue(), "1");
  EXPECT_EQ(between.maxComparisonValue()->stringValue(), "2.5");
  EXPECT_FALSE(between.comparisonValue());
}

}  // namespace
