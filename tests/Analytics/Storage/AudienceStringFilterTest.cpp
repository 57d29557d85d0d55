#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Audience/APMAudienceStringFilter.h"
#include "tests/Analytics/Storage/MeasurementDatabaseFixture.h"

namespace {

using Filter = APMAudienceStringFilter;

std::shared_ptr<APMPBStringFilter> StringFilter(std::optional<int32_t> type, std::optional<std::string> expression,
                                                bool caseSensitive = false, std::vector<std::string> list = {}) {
  auto filter = std::make_shared<APMPBStringFilter>();
  if (type) APMPBSetInt32(filter.get(), 0, *type);
  if (expression) APMPBSetString(filter.get(), 1, *expression);
  if (caseSensitive) APMPBSetBool(filter.get(), 2, true);
  std::vector<APMPBObject> entries(list.begin(), list.end());
  if (!entries.empty()) APMPBSetArray(filter.get(), 3, &entries);
  return filter;
}

class AudienceStringFilterTest : public MeasurementDatabaseFixture {};

TEST_F(AudienceStringFilterTest, EachMatchTypeWithAndWithoutCase) {
  struct Case {
    int32_t type;
    std::string expression;
    bool caseSensitive;
    std::string value;
    bool expected;
  };
  const Case cases[] = {
      {5, "ABC", false, "abc", true},        {5, "ABC", true, "abc", false},      {5, "abc", false, "abcd", false},
      {3, "def", false, "abcdef", true},     {3, "def", false, "def", true},      {3, "def", false, "ef", false},
      {3, "DEF", true, "abcdef", false},     {2, "AB", false, "abc", true},       {2, "ab", false, "cab", false},
      {2, "AB", true, "abc", false},         {4, "B", false, "abc", true},        {4, "B", true, "abc", false},
      {1, "b+", false, "abbc", true},        {1, "^b", false, "abbc", false},     {1, "B+", false, "abbc", true},
      {1, "B+", true, "abbc", false},        {7, "abc", false, "abc", false},     {-3, "abc", false, "abc", false},
      // Default case folding, not a locale's: "STRASSE" folds like "straße".
      {5, "STRASSE", false, "straße", true}, {4, "ΣΑΣ", false, "σας", true},      {5, "é", false, "É", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Filter::evaluateStringFilter(*StringFilter(c.type, c.expression, c.caseSensitive), c.value), c.expected)
        << c.type << " " << c.expression << " " << c.caseSensitive << " " << c.value;
  }
  auto list = StringFilter(6, std::nullopt, false, {"red", "GREEN"});
  EXPECT_EQ(Filter::evaluateStringFilter(*list, "green"), true);
  EXPECT_EQ(Filter::evaluateStringFilter(*list, "greenish"), false);
  auto strictList = StringFilter(6, std::nullopt, true, {"red", "GREEN"});
  EXPECT_EQ(Filter::evaluateStringFilter(*strictList, "green"), false);
  EXPECT_EQ(Filter::evaluateStringFilter(*strictList, "GREEN"), true);
}

TEST_F(AudienceStringFilterTest, InvalidFiltersAndMissingValuesGiveNoAnswer) {
  struct Case {
    std::shared_ptr<APMPBStringFilter> filter;
    std::string line;
  };
  const std::vector<Case> cases = {
      {StringFilter(std::nullopt, "a"), "String filter has no match type"},
      {StringFilter(0, "a"), "String filter has unknown match type"},
      {StringFilter(4, std::nullopt), "String filter has no expression"},
      {StringFilter(6, "a"), "String filter has no expression list"},
      {StringFilter(1, "(unclosed"), "Unable to parse regular expression"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Filter::isValidStringFilter(*c.filter)) << c.line;
    EXPECT_EQ(Filter::evaluateStringFilter(*c.filter, "a"), std::nullopt) << c.line;
    APMMeasurementMonitor().waitForPendingWork();
    EXPECT_TRUE(capture_.contains(c.line)) << c.line;
    EXPECT_TRUE(capture_.contains("String filter is invalid. Audience filter will not be evaluated")) << c.line;
    capture_.clear();
  }
  EXPECT_EQ(Filter::evaluateStringFilter(*StringFilter(4, "a"), std::nullopt), std::nullopt);
  EXPECT_TRUE(Logged("Evaluation string is nil"));
  // An empty expression is present: everything contains it.
  EXPECT_EQ(Filter::evaluateStringFilter(*StringFilter(4, ""), "x"), true);
}

TEST_F(AudienceStringFilterTest, HostileRegexGivesNoAnswerAtItsLimit) {
  const std::string subject(100, 'a');
  bool limitReached = false;
  EXPECT_EQ(Filter::evaluateStringFilter(*StringFilter(1, "(a|a)*b"), subject, &limitReached), std::nullopt);
  EXPECT_TRUE(limitReached);
  EXPECT_TRUE(Logged("Regular expression evaluation exceeded its limit. Audience filter will not be evaluated"));
  // The limit is on this pattern's work, not on a long subject: a plain search still answers.
  EXPECT_EQ(Filter::evaluateStringFilter(*StringFilter(1, "a+b"), subject + "b", &limitReached), true);
  EXPECT_FALSE(limitReached);
  EXPECT_EQ(Filter::evaluateStringFilter(*StringFilter(1, "(a|a)*b"), "aab"), true);
  // Other answers of none are no limit.
  EXPECT_EQ(Filter::evaluateStringFilter(*StringFilter(0, "a"), "a", &limitReached), std::nullopt);
  EXPECT_FALSE(limitReached);
}

}  // namespace
