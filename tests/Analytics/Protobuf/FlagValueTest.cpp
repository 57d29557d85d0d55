#include <gtest/gtest.h>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Protobuf/APMPBFlagValue.h"
#include "Platform/Foundation/Log.h"

namespace {

TEST(FlagValue, CreateStoresEachKindAtItsIndex) {
  auto text = APMPBFlagCreate("color", "blue");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(APMPBGetString(text.get(), 0), std::optional<std::string>("color"));
  EXPECT_EQ(APMPBGetString(text.get(), 2), std::optional<std::string>("blue"));

  auto real = APMPBFlagCreate("ratio", APMPBNumber::numberWithFloat(0.5f));
  EXPECT_EQ(APMPBGetDouble(real.get(), 3), 0.5);
  EXPECT_FALSE(APMPBHasField(real.get(), 1));

  auto yes = APMPBFlagCreate("on", APMPBNumber::numberWithBool(true));
  EXPECT_EQ(APMPBGetInt64(yes.get(), 1), 1);
  EXPECT_FALSE(APMPBHasField(yes.get(), 4));
  APMPBObject value = APMPBFlagGetValue(yes.get());
  ASSERT_TRUE(value.isNumber());
  EXPECT_EQ(value.number()->kind(), APMPBNumber::Kind::kLongLong);
  EXPECT_EQ(value.number()->longLongValue(), 1);
}

TEST(FlagValue, RefusedInputsLogThroughTheExperimentsMonitor) {
  struct Case {
    APMPBObject name, value;
    const char* code;
    const char* text;
  };
  const std::vector<Case> cases = {
      {APMPBObject(), "v", "850000", "Flag name must not be nil"},
      {APMPBNumber::numberWithInt(1), "v", "850001", "Flag name must be a string"},
      {"n", APMPBObject::foreign("NSDate"), "850002", "Flag value is invalid"},
      {"n", APMPBObject(), "850002", "Flag value is invalid"},
  };
  for (const Case& c : cases) {
    platform::LogCapture capture;
    EXPECT_EQ(APMPBFlagCreate(c.name, c.value), nullptr) << c.text;
    APMMeasurementMonitor().waitForPendingWork();  // the monitor writes on its own queue
    EXPECT_TRUE(capture.contains(c.text)) << c.text;
    EXPECT_TRUE(capture.contains(c.code)) << c.text;
  }
}

TEST(FlagValue, GetValuePrefersIntegerThenDoubleThenStringThenBool) {
  EXPECT_TRUE(APMPBFlagGetValue(nullptr).isNil());
  APMPBFlag flag;
  EXPECT_TRUE(APMPBFlagGetValue(&flag).isNil());
  APMPBSetBool(&flag, 4, true);
  EXPECT_EQ(APMPBFlagGetValue(&flag).number()->kind(), APMPBNumber::Kind::kBool);
  APMPBSetString(&flag, 2, "s");
  EXPECT_EQ(*APMPBFlagGetValue(&flag).string(), "s");
  APMPBSetDouble(&flag, 3, 2.5);
  EXPECT_EQ(APMPBFlagGetValue(&flag).number()->doubleValue(), 2.5);
  APMPBSetInt64(&flag, 1, 9);
  EXPECT_EQ(APMPBFlagGetValue(&flag).number()->longLongValue(), 9);
}

}  // namespace
