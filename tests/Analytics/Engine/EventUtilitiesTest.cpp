#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMRawEventData.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"
#include "Platform/Foundation/Log.h"

namespace {

using platform::Value;

APMParameterObjects Customs(int count, const std::string& prefix = "p") {
  APMParameterObjects parameters;
  for (int i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%s%02d", prefix.c_str(), i);
    parameters.emplace(name, Value(i));
  }
  return parameters;
}

Value Items(int count, int customPerItem = 0) {
  Value::Array items;
  for (int i = 0; i < count; ++i) {
    Value::Dictionary item{{"item_id", Value(std::string("sku").append(std::to_string(i)))}};
    for (int k = 0; k < customPerItem; ++k) item[std::string("c").append(std::to_string(100 + k))] = Value(k);
    items.push_back(Value(item));
  }
  return Value(items);
}

class EventUtilitiesTest : public ::testing::Test {
 protected:
  void SetUp() override { APMEngineHooks::reset(); }
  void TearDown() override {
    APMMeasurementMonitor().waitForPendingWork();
    APMEngineHooks::reset();
  }
  bool Logged(const std::string& fragment) {
    APMMeasurementMonitor().waitForPendingWork();
    return capture_.contains(fragment);
  }
  platform::LogCapture capture_;
};

TEST_F(EventUtilitiesTest, Tables) {
  EXPECT_EQ(APMPublicToInternalEventNames().size(), 32u);
  EXPECT_EQ(APMInternalToPublicEventNames().size(), 31u);
  EXPECT_EQ(APMInternalToPublicEventNames().at("_vs"), "screen_view");
  EXPECT_EQ(APMErrorCodeNames().size(), 25u);
  EXPECT_EQ(APMErrorCodeNames().count(24), 0u);
  EXPECT_EQ(APMErrorCodeNames().at(28), "ItemScopedCustomParameterLimitReached");
}

TEST_F(EventUtilitiesTest, TooManyCustomParametersDropTheGreatestNames) {
  auto result = APMSanitizeEventParameters(Customs(26), std::string("level_up"), true, false);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->count("p25"), 0u);
  EXPECT_EQ(result->count("p24"), 1u);
  EXPECT_EQ(result->at("_err"), APMValue(int64_t{5}));
  EXPECT_TRUE(Logged("Event cannot contain more than 25 parameters"));
}

TEST_F(EventUtilitiesTest, ItemsArraysAreCutAndChecked) {
  APMParameterObjects parameters{{"items", Items(250)}};
  auto result = APMSanitizeEventParameters(parameters, std::string("purchase"), true, false);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->at("items").arrayPointer()->size(), 200u);
  EXPECT_EQ(result->at("_err"), APMValue(int64_t{17}));
  EXPECT_EQ(result->at("_ev"), APMValue("items"));

  auto notEcommerce = APMSanitizeEventParameters({{"items", Items(1)}, {"a", Value(1)}}, std::string("custom"), true, false);
  ASSERT_TRUE(notEcommerce);
  EXPECT_EQ(notEcommerce->count("items"), 0u);
  EXPECT_EQ(notEcommerce->at("_err"), APMValue(int64_t{21}));
  EXPECT_EQ(notEcommerce->at("_ev"), APMValue("custom"));
}

TEST_F(EventUtilitiesTest, ItemScopedCustomParameters) {
  auto result = APMSanitizeEventParameters({{"items", Items(1, 28)}}, std::string("purchase"), true, false);
  ASSERT_TRUE(result);
  const auto& item = *(*result->at("items").arrayPointer())[0].getDictionary();
  EXPECT_EQ(item.count("c127"), 0u);
  EXPECT_EQ(item.count("c126"), 1u);
  EXPECT_EQ(item.at("_err"), Value(int64_t{28}));
  EXPECT_EQ(item.count("item_id"), 1u);

  auto config = std::make_shared<APMRemoteConfig>();
  config->setConfiguredSettings({{"measurement.item_scoped_custom_parameter_enabled", "0"}});
  APMEngineHooks::setRemoteConfigProvider([config] { return config; });
  auto disabled = APMSanitizeEventParameters({{"items", Items(1, 3)}}, std::string("purchase"), true, false);
  const auto& bare = *(*disabled->at("items").arrayPointer())[0].getDictionary();
  EXPECT_EQ(bare.size(), 2u);  // item_id and _err
  EXPECT_EQ(bare.at("_err"), Value(int64_t{23}));
}

TEST_F(EventUtilitiesTest, BadNamesAndValuesRecordOneError) {
  auto reserved = APMSanitizeEventParameters({{"tq_x", Value(1)}, {"ok", Value(2)}}, std::string("e"), true, false);
  EXPECT_EQ(reserved->at("_err"), APMValue(int64_t{14}));
  EXPECT_EQ(reserved->at("_ev"), APMValue("tq_x"));
  EXPECT_EQ(reserved->at("ok"), APMValue(int64_t{2}));

  std::string longName(45, 'n');
  auto tooLong = APMSanitizeEventParameters({{longName, Value(1)}}, std::string("e"), true, false);
  EXPECT_EQ(tooLong->at("_err"), APMValue(int64_t{3}));
  EXPECT_EQ(tooLong->at("_ev"), APMValue(std::string(40, 'n') + "..."));
  EXPECT_EQ(tooLong->at("_el"), APMValue(int64_t{45}));
  EXPECT_EQ(tooLong->size(), 3u);  // only the error triple

  auto longValue = APMSanitizeEventParameters({{"v", Value(std::string(101, 'x'))}}, std::string("e"), true, false);
  EXPECT_EQ(longValue->count("v"), 0u);
  EXPECT_EQ(longValue->at("_err"), APMValue(int64_t{4}));
  EXPECT_EQ(longValue->at("_ev"), APMValue("v"));
  EXPECT_EQ(longValue->at("_el"), APMValue(int64_t{101}));

  auto unsupported = APMSanitizeEventParameters({{"d", Value::date(1)}, {"k", Value(true)}}, std::nullopt, false, false);
  EXPECT_EQ(unsupported->count("d"), 0u);
  EXPECT_EQ(unsupported->at("k"), APMValue(int64_t{1}));
  EXPECT_TRUE(Logged("Event parameter value must be of type NSString, NSNumber or NSArray. Type: date"));
  EXPECT_FALSE(APMSanitizeEventParameters({}, std::nullopt, true, false));
}

TEST_F(EventUtilitiesTest, ErrorValueParameterIsCutOnce) {
  std::string longText(300, 'e');
  auto cut = APMSanitizeEventParameters({{"_ev", Value(longText)}}, std::string("_err"), false, false);
  EXPECT_EQ(cut->at("_ev"), APMValue(std::string(256, 'e') + "..."));
  EXPECT_EQ(cut->at("_el"), APMValue(int64_t{300}));
  std::string already = std::string(256, 'e') + "...";
  auto kept = APMSanitizeEventParameters({{"_ev", Value(already)}}, std::string("_err"), false, false);
  EXPECT_EQ(kept->at("_ev"), APMValue(already));
  EXPECT_EQ(kept->count("_el"), 0u);
}

TEST_F(EventUtilitiesTest, ValueAndCurrency) {
  APMEvent::Parameters ok{{"value", APMValue(1.5)}, {"currency", APMValue("usd")}};
  EXPECT_TRUE(APMValidateValueAndCurrency(ok));
  APMEvent::Parameters noCurrency{{"value", APMValue(1.5)}};
  EXPECT_FALSE(APMValidateValueAndCurrency(noCurrency));
  EXPECT_EQ(noCurrency.count("value"), 0u);
  EXPECT_EQ(noCurrency.at("_err"), APMValue(int64_t{19}));
  EXPECT_EQ(noCurrency.at("_ev"), APMValue("currency"));
  APMEvent::Parameters textValue{{"value", APMValue("1")}};
  EXPECT_FALSE(APMValidateValueAndCurrency(textValue));
  EXPECT_EQ(textValue.at("_err"), APMValue(int64_t{18}));
}

TEST_F(EventUtilitiesTest, TrimKeepsInternalAndItemNames) {
  APMEvent::Parameters item{{"_x", APMValue(1)}, {"price", APMValue(1)}, {"zz", APMValue(1)}, {"aa", APMValue(1)}};
  APMTrimCustomParameters(item, 1, true);
  EXPECT_EQ(item.count("zz"), 0u);
  EXPECT_EQ(item.count("aa"), 1u);
  EXPECT_EQ(item.count("price"), 1u);
  EXPECT_EQ(item.count("_x"), 1u);
}

TEST_F(EventUtilitiesTest, ErrorEventsGoThroughTheFacadeHook) {
  std::vector<APMEvent::Parameters> logged;
  APMEngineHooks::setInternalEventLogger(
      [&](const std::string& origin, const std::string& name, const APMEvent::Parameters& parameters) {
        EXPECT_EQ(origin, "auto");
        EXPECT_EQ(name, "_err");
        logged.push_back(parameters);
      });
  APMLogErrorEvent(0);
  APMLogErrorEvent(8);
  APMLogErrorEventWithNameAndValue(7, "prop", 24, APMValue("short"));
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_EQ(logged[0].at("_err"), APMValue(int64_t{8}));
  EXPECT_EQ(logged[1].at("_ev"), APMValue("prop"));
  EXPECT_EQ(logged[1].at("_el"), APMValue(int64_t{5}));
}

TEST_F(EventUtilitiesTest, Predicates) {
  auto event = [](const std::string& name, const APMEvent::Parameters& parameters = {}) {
    auto made = APMEvent::initWithOrigin("app", false, name, 0, 0, parameters);
    EXPECT_TRUE(made.has_value()) << name;
    return made.value_or(*APMEvent::initWithOrigin("app", false, "x", 0, 0, APMEvent::Parameters{}));
  };
  EXPECT_TRUE(APMIsSubscriptionEvent(event("_iap", {{"subscription", APMValue(int64_t{1})}})));
  EXPECT_FALSE(APMIsSubscriptionEvent(event("_iap", {{"subscription", APMValue(1.0)}})));
  EXPECT_TRUE(APMIsSubscriptionEvent(event("_assr")));
  EXPECT_FALSE(APMIsErrorEvent(event("_iap")));
  EXPECT_TRUE(APMIsErrorEvent(event("_err")));
  EXPECT_FALSE(APMIsPublicName(""));
  EXPECT_FALSE(APMIsPublicName("_a"));
  EXPECT_TRUE(APMIsPurchaseEvent("_iap"));
  EXPECT_EQ(APMScreenParameters({{"_sn", APMValue("a")}, {"x", APMValue(1)}}).size(), 1u);
}

TEST(ValueTest, ConversionAndEquality) {
  EXPECT_FALSE(APMValue::valueFromObject(Value(Value::Array{Value(1)})));
  EXPECT_TRUE(APMValue::valueFromObject(Value(Value::Array{Value(1)}), true)->isArray());
  auto three = APMValue::valueFromObject(Value(3.0));
  auto threeInt = APMValue::valueFromObject(Value(3));
  EXPECT_TRUE(three->isDouble());
  EXPECT_TRUE(threeInt->isInt64());
  EXPECT_FALSE(*three == *threeInt);
  EXPECT_EQ(three->int64Value(), 0);
  EXPECT_FALSE(threeInt->stringValue());
  EXPECT_FALSE(APMValue::valueFromObject(std::nullopt));
  EXPECT_FALSE(APMValue::initWithString(Value(1)));
  EXPECT_FALSE(APMValue::initWithArray(std::nullopt));
}

TEST(ValueTest, UserAttributesAndRawEvents) {
  auto hidden = APMUserAttribute::initWithOrigin("auto", "_fot", APMValue(int64_t{1}), 1.5);
  ASSERT_TRUE(hidden);
  EXPECT_FALSE(hidden->isPublic());
  EXPECT_EQ(hidden->lastSetTimestampMillis(), 1500);
  auto proto = hidden->protoUserAttribute();
  EXPECT_EQ(APMPBGetInt64(proto.get(), 0), 1500);
  EXPECT_EQ(APMPBGetString(proto.get(), 1), "_fot");
  EXPECT_EQ(APMPBGetInt64(proto.get(), 3), 1);
  EXPECT_FALSE(APMPBHasField(proto.get(), 2));
  EXPECT_FALSE(APMPBHasField(proto.get(), 5));
  auto text = APMUserAttribute::initWithOrigin("app", "level", APMValue("5"), 0)->protoUserAttribute();
  EXPECT_EQ(APMPBGetString(text.get(), 2), "5");
  EXPECT_FALSE(APMPBHasField(text.get(), 3));
  EXPECT_TRUE(APMUserAttribute::initWithOrigin("app", "level", APMValue("5"), 0)->isPublic());
  EXPECT_FALSE(APMUserAttribute::initWithOrigin("app", "", APMValue("5"), 0));
  EXPECT_FALSE(APMUserAttribute::initWithOrigin("app", "level", APMValue(std::string(37, 'x')), 0));
  auto event = std::make_shared<APMEvent>(*APMEvent::initWithOrigin("app", false, "e", 1.0, 0, APMEvent::Parameters{}));
  EXPECT_FALSE(APMRawEventData::initWithRawEvent(event, -1, 0));
  EXPECT_FALSE(APMRawEventData::initWithRawEvent(nullptr, 1, 0));
  EXPECT_TRUE(APMRawEventData::initWithRawEvent(event, 0, 7));
}

// Typed parameters (as read back from the database) take a path that keeps
// them without copies when nothing needs changing; every case must come out
// exactly as the general sanitiser makes it.
TEST_F(EventUtilitiesTest, TypedParametersSanitiseLikeTheGeneralPath) {
  struct Case {
    std::string what;
    APMEvent::Parameters parameters;
    std::string eventName;
  };
  APMEvent::Parameters many;
  for (int i = 0; i < 30; ++i) many.emplace("p" + std::to_string(100 + i), APMValue(int64_t{i}));
  const std::vector<Case> cases = {
      {"plain", {{"a", APMValue("x")}, {"_o", APMValue("app")}, {"n", APMValue(int64_t{3})}}, "e"},
      {"empty", {}, "e"},
      {"non-ASCII name", {{"caf\xc3\xa9", APMValue("x")}}, "e"},
      {"bad character", {{"a-b", APMValue("x")}, {"ok", APMValue(1.5)}}, "e"},
      {"41 characters", {{std::string(41, 'k'), APMValue("x")}}, "e"},
      {"long error value", {{"_ev", APMValue(std::string(300, 'v'))}}, "e"},
      {"long value of an internal event", {{"a", APMValue(std::string(257, 'v'))}}, "_e"},
      {"long value of a public event", {{"a", APMValue(std::string(257, 'v'))}}, "e"},
      {"too many custom parameters", many, "e"},
      {"array", {{"items", APMValue(platform::Value::Array{platform::Value(1)})}}, "e"},
  };
  for (const Case& c : cases) {
    APMParameterObjects objects;
    for (const auto& [key, value] : c.parameters) objects.emplace(key, value);
    auto expected = APMSanitizeEventParameters(objects, c.eventName, false, false);
    auto typed = APMSanitizeTypedEventParameters(APMEvent::Parameters(c.parameters), c.eventName, false, false);
    EXPECT_EQ(typed, expected) << c.what;
  }
}

}  // namespace
