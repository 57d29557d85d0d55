#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Audience/APMAudienceFilterEvaluator.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

using Evaluator = APMAudienceFilterEvaluator;

std::shared_ptr<APMPBNumberFilter> Between(const std::string& minimum, const std::string& maximum) {
  auto filter = std::make_shared<APMPBNumberFilter>();
  APMPBSetInt32(filter.get(), 0, 4);
  APMPBSetString(filter.get(), 3, minimum);
  APMPBSetString(filter.get(), 4, maximum);
  return filter;
}
std::shared_ptr<APMPBStringFilter> Contains(const std::string& expression) {
  auto filter = std::make_shared<APMPBStringFilter>();
  APMPBSetInt32(filter.get(), 0, 4);
  APMPBSetString(filter.get(), 1, expression);
  return filter;
}
// A generic filter with either part, an optional parameter name and complement flag.
std::shared_ptr<APMPBFilter> GenericFilter(std::shared_ptr<APMPBNumberFilter> number,
                                           std::shared_ptr<APMPBStringFilter> string, std::optional<std::string> name = {},
                                           bool complement = false) {
  auto filter = std::make_shared<APMPBFilter>();
  if (string) APMPBSetMessage(filter.get(), 0, string.get());
  if (number) APMPBSetMessage(filter.get(), 1, number.get());
  if (complement) APMPBSetBool(filter.get(), 2, true);
  if (name) APMPBSetString(filter.get(), 3, *name);
  return filter;
}
std::shared_ptr<APMPBEventFilter> NamedEventFilter(const std::string& eventName,
                                                   const std::vector<std::shared_ptr<APMPBFilter>>& parameters,
                                                   std::shared_ptr<APMPBNumberFilter> count = nullptr,
                                                   bool sessionScoped = false) {
  auto filter = std::make_shared<APMPBEventFilter>();
  APMPBSetInt32(filter.get(), 0, 1);
  APMPBSetString(filter.get(), 1, eventName);
  APMPBSetMessageArray<APMPBFilter>(filter.get(), 2, parameters);
  if (count) APMPBSetMessage(filter.get(), 4, count.get());
  if (sessionScoped) APMPBSetBool(filter.get(), 7, true);
  return filter;
}
std::shared_ptr<APMPBPropertyFilter> NamedPropertyFilter(const std::string& name, std::shared_ptr<APMPBFilter> generic) {
  auto filter = std::make_shared<APMPBPropertyFilter>();
  APMPBSetInt32(filter.get(), 0, 1);
  APMPBSetString(filter.get(), 1, name);
  if (generic) APMPBSetMessage(filter.get(), 2, generic.get());
  return filter;
}
APMUserAttribute Property(const std::string& name, APMValue value) {
  auto property = APMUserAttribute::initWithOrigin("app", name, std::move(value), kFixtureNow);
  EXPECT_TRUE(property) << name;
  return property ? *property : *APMUserAttribute::initWithOrigin("app", name, APMValue(int64_t{0}), kFixtureNow);
}

class AudienceFilterEvaluatorTest : public MeasurementDatabaseFixture {
 protected:
  bool LoggedNow(const std::string& line) {
    APMMeasurementMonitor().waitForPendingWork();
    bool found = capture_.contains(line);
    capture_.clear();
    return found || Logged(line);
  }
};

TEST_F(AudienceFilterEvaluatorTest, GenericFilterChoosesThePathByValueKind) {
  auto between = GenericFilter(Between("10", "20"), nullptr);
  struct Case {
    APMValue value;
    std::optional<bool> expected;
    std::string line;
  };
  const std::vector<Case> cases = {
      {APMValue(int64_t{15}), true, ""},
      {APMValue(int64_t{10}), true, ""},
      {APMValue(int64_t{20}), true, ""},
      {APMValue(9.99), false, ""},
      {APMValue("15"), true, ""},   // a numeric string meets a number filter
      {APMValue("+.5"), false, ""},
      {APMValue("1e3"), std::nullopt, "String value is not a numeric value"},
      {APMValue(std::numeric_limits<double>::infinity()), std::nullopt, "Value is not within double range"},
      {APMValue(std::nan("")), std::nullopt, "Value is not within double range"},
      {APMValue(platform::Value::Array{}), std::nullopt, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Evaluator::evaluateFilter(*between, c.value), c.expected) << c.value.description();
    if (!c.line.empty()) {
      EXPECT_TRUE(LoggedNow(c.line)) << c.line;
    }
  }
  // The number filter wins when both are present.
  EXPECT_EQ(Evaluator::evaluateFilter(*GenericFilter(Between("10", "20"), Contains("x")), APMValue("15")), true);
  EXPECT_EQ(Evaluator::evaluateFilter(*GenericFilter(nullptr, Contains("b")), APMValue(int64_t{1})), std::nullopt);
  EXPECT_TRUE(LoggedNow("Value is not a string. Audience filter will not be evaluated"));
  EXPECT_EQ(Evaluator::evaluateFilter(*GenericFilter(nullptr, nullptr), APMValue("b")), std::nullopt);
  EXPECT_TRUE(LoggedNow("Filter has neither a number nor string filter"));
}

TEST_F(AudienceFilterEvaluatorTest, ComplementInvertsAnswersButNotNone) {
  EXPECT_EQ(Evaluator::evaluateFilter(*GenericFilter(nullptr, Contains("b")), APMValue("abc")), true);
  EXPECT_EQ(Evaluator::evaluateFilter(*GenericFilter(nullptr, Contains("b"), {}, true), APMValue("abc")), false);
  EXPECT_EQ(Evaluator::evaluateFilter(*GenericFilter(nullptr, Contains("z"), {}, true), APMValue("abc")), true);
  EXPECT_EQ(Evaluator::evaluateFilter(*GenericFilter(nullptr, Contains("b"), {}, true), APMValue(int64_t{1})), std::nullopt);
  EXPECT_EQ(Evaluator::evaluateFilter(*GenericFilter(Between("1", "2"), nullptr, {}, true), APMValue("1e3")), std::nullopt);
}

TEST_F(AudienceFilterEvaluatorTest, EventFilterChecksNameCountAndEachParameter) {
  auto aggregates = APMEventAggregates::initWithName("purchase", 7, 0, 2, kFixtureNow);
  ASSERT_TRUE(aggregates);
  const Evaluator::Parameters parameters = {{"value", APMValue(int64_t{15})}, {"item", APMValue("15")},
                                            {"currency", APMValue("EUR")}};
  auto countBetween = [](const std::string& lo, const std::string& hi) { return Between(lo, hi); };
  struct Case {
    std::shared_ptr<APMPBEventFilter> filter;
    std::string eventName;
    std::optional<bool> expected;
    std::string line;
  };
  const std::vector<Case> cases = {
      {NamedEventFilter("purchase", {}), "purchase", true, ""},
      {NamedEventFilter("purchase", {GenericFilter(Between("10", "20"), nullptr, "value")}), "purchase", true, ""},
      {NamedEventFilter("purchase", {GenericFilter(Between("16", "20"), nullptr, "value")}), "purchase", false, ""},
      // The same digits as a string parameter against a number-only filter: no answer.
      {NamedEventFilter("purchase", {GenericFilter(Between("10", "20"), nullptr, "item")}), "purchase", std::nullopt,
       "Event param is a string and the filter does not have a string filter"},
      {NamedEventFilter("purchase", {GenericFilter(nullptr, Contains("eu"), "currency")}), "purchase", true, ""},
      // The first false decides before a later unevaluable filter is reached.
      {NamedEventFilter("purchase", {GenericFilter(nullptr, Contains("x"), "currency"), GenericFilter(nullptr, Contains("x"), "none")}),
       "purchase", false, ""},
      {NamedEventFilter("purchase", {GenericFilter(nullptr, Contains("eu"), "none")}), "purchase", std::nullopt,
       "Event does not have parameter required by filter"},
      {NamedEventFilter("purchase", {GenericFilter(nullptr, Contains("eu"))}), "purchase", std::nullopt,
       "Event filter does not have parameter name"},
      // Lifetime count 7, session count 2.
      {NamedEventFilter("purchase", {}, countBetween("7", "7")), "purchase", true, ""},
      {NamedEventFilter("purchase", {}, countBetween("7", "7"), true), "purchase", false, ""},
      {NamedEventFilter("purchase", {}, countBetween("2", "2"), true), "purchase", true, ""},
      {NamedEventFilter("purchase", {}, countBetween("1", "1")), "purchase", false, ""},
      {NamedEventFilter("refund", {}), "purchase", std::nullopt, "Event filter name does not match event name"},
      {NamedEventFilter("purchase", {}), "", std::nullopt, "Event name is nil"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Evaluator::evaluateEventFilter(c.filter.get(), c.eventName, parameters, &*aggregates), c.expected)
        << c.line;
    if (!c.line.empty()) {
      EXPECT_TRUE(LoggedNow(c.line)) << c.line;
    }
  }
  EXPECT_EQ(Evaluator::evaluateEventFilter(nullptr, "purchase", parameters, &*aggregates), std::nullopt);
  EXPECT_TRUE(LoggedNow("Event filter is nil"));
  auto other = APMEventAggregates::initWithName("refund", 7, 0, 2, kFixtureNow);
  EXPECT_EQ(Evaluator::evaluateEventFilter(NamedEventFilter("purchase", {}, Between("1", "9")).get(), "purchase",
                                           parameters, &*other),
            std::nullopt);
  EXPECT_TRUE(LoggedNow("Event aggregates name does not match event name"));
}

TEST_F(AudienceFilterEvaluatorTest, PropertyFilterComparesNumericStringsAsNumbers) {
  auto numberFilter = NamedPropertyFilter("level", GenericFilter(Between("10", "20"), nullptr));
  const auto digits = Property("level", APMValue("15"));
  const auto exponent = Property("level", APMValue("1e3"));
  const auto other = Property("score", APMValue("15"));
  EXPECT_EQ(Evaluator::evaluatePropertyFilter(numberFilter.get(), &digits), true);
  EXPECT_EQ(Evaluator::evaluatePropertyFilter(numberFilter.get(), &exponent), std::nullopt);
  EXPECT_TRUE(LoggedNow("String value is not a numeric value"));
  EXPECT_EQ(Evaluator::evaluatePropertyFilter(numberFilter.get(), &other), std::nullopt);
  EXPECT_TRUE(LoggedNow("User property name does not match property filter name"));
  EXPECT_EQ(Evaluator::evaluatePropertyFilter(nullptr, &digits), std::nullopt);
  EXPECT_TRUE(LoggedNow("Property filter is nil"));
  EXPECT_EQ(Evaluator::evaluatePropertyFilter(numberFilter.get(), nullptr), std::nullopt);
  EXPECT_TRUE(LoggedNow("User property is nil"));
  EXPECT_EQ(Evaluator::evaluatePropertyFilter(NamedPropertyFilter("level", nullptr).get(), &digits), std::nullopt);
  EXPECT_TRUE(LoggedNow("Property filter does not have filter"));
}

TEST_F(AudienceFilterEvaluatorTest, RegexLimitReachesTheCallerThroughEventAndPropertyFilters) {
  auto hostile = std::make_shared<APMPBStringFilter>();
  APMPBSetInt32(hostile.get(), 0, 1);
  APMPBSetString(hostile.get(), 1, "(a|a)*b");
  const Evaluator::Parameters parameters = {{"text", APMValue(std::string(100, 'a'))}};
  bool limitReached = false;
  EXPECT_EQ(Evaluator::evaluateEventFilter(NamedEventFilter("search", {GenericFilter(nullptr, hostile, "text")}).get(), "search",
                                           parameters, nullptr, &limitReached),
            std::nullopt);
  EXPECT_TRUE(limitReached);
  // Property values are short; thirty letters are already far past the limit for this pattern.
  const auto property = Property("text", APMValue(std::string(30, 'a')));
  limitReached = false;
  // The complement flag must not turn a stopped match into an answer.
  EXPECT_EQ(Evaluator::evaluatePropertyFilter(NamedPropertyFilter("text", GenericFilter(nullptr, hostile, {}, true)).get(),
                                              &property, &limitReached),
            std::nullopt);
  EXPECT_TRUE(limitReached);
  EXPECT_EQ(Evaluator::evaluatePropertyFilter(NamedPropertyFilter("text", GenericFilter(nullptr, Contains("a"))).get(),
                                              &property, &limitReached),
            true);
  EXPECT_FALSE(limitReached);
}

}  // namespace
