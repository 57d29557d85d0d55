#include <gtest/gtest.h>

#include <string>

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMValue.h"
#include "Platform/Foundation/Log.h"

namespace {

using V = APMDataTypeValidator;

std::string Repeat(const std::string& unit, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += unit;
  return out;
}

class ValidationTest : public ::testing::Test {
 protected:
  void TearDown() override { APMMeasurementMonitor().waitForPendingWork(); }
  bool Logged(const std::string& fragment) {
    APMMeasurementMonitor().waitForPendingWork();
    return capture_.contains(fragment);
  }
  platform::LogCapture capture_;
};

TEST_F(ValidationTest, EventNames) {
  struct Case {
    std::string name;
    bool publicOk;
    int64_t publicCode;
    bool internalOk;
  };
  const Case cases[] = {
      {Repeat("a", 40), true, 0, true},
      {Repeat("a", 41), false, 2, false},
      {Repeat("\xF0\x9F\x98\x80", 40), false, 3, false},  // emoji are no letters
      {"caf\xC3\xA9_\xD0\xB4\xD0\xB0", true, 0, true},      // accented and Cyrillic letters
      {"screen_view", true, 0, true},
      {"first_open", false, 4, true},
      {"ad_impression", true, 0, true},
      {"tq_custom", false, 4, true},
      {"trivandel_x", false, 4, true},
      {"1abc", false, 3, true},
      {"_abc", false, 3, true},
      {"a-b", false, 3, false},
      {"", false, 1, false},
  };
  for (const auto& c : cases) {
    int64_t code = -1;
    EXPECT_EQ(V::isValidPublicEventName(c.name, &code), c.publicOk) << c.name;
    EXPECT_EQ(code, c.publicCode) << c.name;
    EXPECT_EQ(V::isValidInternalEventName(c.name, nullptr), c.internalOk) << c.name;
  }
}

TEST_F(ValidationTest, LengthsCountCodePoints) {
  // 40 two-unit characters that are letters (mathematical script letters).
  std::string letters = Repeat("\xF0\x9D\x92\x9C", 40);
  int64_t code = -1;
  EXPECT_TRUE(V::isValidPublicEventName(letters, &code));
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(V::isValidString(Repeat("\xF0\x9F\x98\x80", 100), 0, 100, V::kEventParameterValue, &code));
  EXPECT_FALSE(V::isValidString(Repeat("\xF0\x9F\x98\x80", 101), 0, 100, V::kEventParameterValue, &code));
  EXPECT_EQ(code, 2);
}

TEST_F(ValidationTest, MessagesAndCodes) {
  int64_t code = -1;
  EXPECT_FALSE(V::isValidPublicEventName("first_open", &code));
  EXPECT_TRUE(Logged("[I-ACS013006] Event name is reserved. Ignoring event: first_open"));
  EXPECT_FALSE(V::isValidPublicEventName("1x", &code));
  EXPECT_TRUE(Logged("[I-ACS013003] Event name must start with a letter: 1x"));
  EXPECT_FALSE(V::isValidInternalEventName(Repeat("b", 41), &code));
  EXPECT_TRUE(Logged("Event name is too long. The maximum supported length is 40"));
  EXPECT_FALSE(V::isValidString(nullptr, 1, 10, 42, &code));
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(Logged("Object is required and can't be nil"));
  platform::Value number(5);
  EXPECT_FALSE(V::isValidString(&number, 1, 10, V::kEventName, &code));
  EXPECT_EQ(code, 5);
}

TEST_F(ValidationTest, ParameterAndPropertyValues) {
  APMValue empty("");
  int64_t code = -1;
  EXPECT_TRUE(V::isValidPublicEventParameterValue(&empty, &code));
  capture_.clear();
  EXPECT_FALSE(V::isValidPublicUserAttributeValue(&empty, &code));
  EXPECT_EQ(code, 1);
  EXPECT_FALSE(Logged("User property value"));  // no line for an empty value
  EXPECT_FALSE(V::isValidPublicUserAttributeValue(nullptr, &code));
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(Logged("User property value cannot be nil"));
  APMValue long37(Repeat("x", 37));
  EXPECT_FALSE(V::isValidInternalUserAttributeValue(&long37, "level", &code));
  EXPECT_EQ(code, 2);
  EXPECT_TRUE(V::isValidInternalUserAttributeValue(&long37, "_id", &code));
  APMValue number(int64_t{7});
  EXPECT_TRUE(V::isValidPublicUserAttributeValue(&number, &code));
  EXPECT_FALSE(V::isValidPublicUserAttributeName("user_id", &code));
  EXPECT_EQ(code, 4);
  EXPECT_FALSE(V::isValidPublicUserAttributeName("quorvane_x", &code));
  EXPECT_EQ(code, 4);
  EXPECT_TRUE(V::isValidPublicUserAttributeName(Repeat("p", 24), &code));
  EXPECT_FALSE(V::isValidPublicUserAttributeName(Repeat("p", 25), &code));
  platform::Value screen("Home");
  EXPECT_TRUE(V::isValidScreenParameterValue(&screen, &code));
}

TEST_F(ValidationTest, Origins) {
  struct Case {
    const char* origin;
    bool ok;
    int64_t code;
  };
  const Case cases[] = {{"app+vrk", true, 0}, {"+vrk", false, 1}, {"app", false, 6}, {"", false, 1},
                        {"a-b+vrk", false, 3}};
  for (const auto& c : cases) {
    int64_t code = -1;
    EXPECT_EQ(V::isValidForwardedEventOrigin(c.origin, &code), c.ok) << c.origin;
    EXPECT_EQ(code, c.code) << c.origin;
  }
  EXPECT_TRUE(V::isValidInternalEventOrigin("auto", nullptr));
  EXPECT_FALSE(V::isValidInternalEventOrigin(Repeat("o", 33), nullptr));
}

TEST_F(ValidationTest, CurrencyNumericAndArrays) {
  struct Currency {
    APMValue value;
    bool ok;
  };
  const Currency currencies[] = {{APMValue("usd"), true},  {APMValue("EUR"), true},   {APMValue("US"), false},
                                 {APMValue("U5D"), false}, {APMValue(int64_t{1}), false}};
  for (const auto& c : currencies) {
    int64_t code = -1;
    EXPECT_EQ(V::isValidCurrencyCode(&c.value, &code), c.ok) << c.value.description();
    EXPECT_EQ(code, c.ok ? 0 : 9);
  }
  int64_t code = -1;
  APMValue text("1");
  EXPECT_FALSE(V::isValidNumericValue(&text, &code));
  EXPECT_EQ(code, 8);
  APMValue real(1.5);
  EXPECT_TRUE(V::isValidNumericValue(&real, &code));
  EXPECT_FALSE(V::isValidArrayParamForEvent("purchase", "items", 201, false, &code));
  EXPECT_EQ(code, 12);
  EXPECT_FALSE(V::isValidArrayParamForEvent("custom", "items", 1, false, &code));
  EXPECT_EQ(code, 10);
  EXPECT_FALSE(V::isValidArrayParamForEvent("purchase", "things", 1, false, &code));
  EXPECT_EQ(code, 11);
  EXPECT_FALSE(V::isValidArrayParamForEvent("purchase", "items", 1, true, &code));
  EXPECT_EQ(code, 13);
  EXPECT_TRUE(V::isValidArrayParamForEvent("purchase", "items", 200, false, &code));
  EXPECT_FALSE(V::isValidArrayParamItem(platform::Value(1), &code));
  EXPECT_EQ(code, 14);
  EXPECT_TRUE(V::isValidArrayParamItem(platform::Value::dictionary(), &code));
}

}  // namespace
