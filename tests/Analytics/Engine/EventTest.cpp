#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Interpreter/APMPEvent.h"
#include "Analytics/Protobuf/APMPBCodec.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Protobuf/APMPBTextFormat.h"
#include "Platform/Foundation/Log.h"

namespace {

using platform::Value;

// The message as the dump tool prints it: encoded, decoded afresh, printed.
std::string Dump(const NANOMessageBase& message) {
  auto bytes = message.protoBuffer();
  if (!bytes) return "<no bytes>";
  APMPBMessageInfo info;
  APMPBInitMessageInfo(&info, APMPBEvent::descriptor());
  if (!APMPBDecode(bytes->data(), bytes->size(), &info)) return "<undecodable>";
  return APMPBTextFormat(info);
}

class EventTest : public ::testing::Test {
 protected:
  void SetUp() override {
    APMEngineHooks::reset();
    APMMeasurementMonitor().clearMonitoringData();
  }
  void TearDown() override {
    APMMeasurementMonitor().waitForPendingWork();
    APMEngineHooks::reset();
  }
  // Levels 2 and 5 only reach the health record, which keeps the latest line.
  bool Logged(const std::string& fragment) {
    APMMeasurementMonitor().waitForPendingWork();
    if (capture_.contains(fragment)) return true;
    auto record = APMMeasurementMonitor().sampledDataForTesting();
    bool found = record && record->description().find(fragment) != std::string::npos;
    APMMeasurementMonitor().clearMonitoringData();
    return found;
  }
  static APMEvent Make(const std::string& name, const APMParameterObjects& parameters = {},
                       const std::string& origin = "app", double timestamp = 100, double previous = 0) {
    auto event = APMEvent::initWithOrigin(origin, false, name, timestamp, previous, parameters);
    EXPECT_TRUE(event.has_value()) << name;
    return event ? *event : *APMEvent::initWithOrigin("app", false, "x", 0, 0, APMParameterObjects{});
  }
  platform::LogCapture capture_;
};

TEST_F(EventTest, OriginAndNameChecks) {
  struct Case {
    const char* origin;
    bool isPublic;
    const char* name;
    bool made;
  };
  const Case cases[] = {
      {"app", true, "level_up", true},
      {"auto", false, "_s", true},       // internal origin, passes on the second check
      {"auto", true, "_s", false},       // internal name refused for a public event
      {"", false, "level_up", false},    // no origin at all
      {"app", false, "", false},
      {"app", true, "tq_x", false},    // reserved prefix
  };
  for (const Case& c : cases) {
    auto event = APMEvent::initWithOrigin(c.origin, c.isPublic, c.name, 1, 0, APMParameterObjects{});
    EXPECT_EQ(event.has_value(), c.made) << c.origin << " " << c.name;
  }
}

TEST_F(EventTest, OriginParameterAlwaysHoldsTheTrueOrigin) {
  APMEvent event = Make("e", {{"_o", Value("forged")}}, "auto");
  EXPECT_EQ(event.origin(), "auto");
  EXPECT_EQ(*event.parameter("_o"), APMValue("auto"));
}

TEST_F(EventTest, PreviousTimestampAfterCurrentIsLoggedAndKept) {
  APMEvent event = Make("e", {}, "app", 10, 20);
  EXPECT_EQ(event.previousTimestamp(), 20);
  EXPECT_TRUE(Logged("Event created with previous timestamp after current timestamp"));
}

TEST_F(EventTest, ConversionWithoutValidCurrencyLosesFlagAtConstruction) {
  APMEvent kept = Make("buy", {{"_c", Value(1)}, {"value", Value(2.5)}, {"currency", Value("USD")}});
  EXPECT_TRUE(kept.isConversion());
  APMEvent lost = Make("buy", {{"_c", Value(1)}, {"value", Value(2.5)}});
  EXPECT_FALSE(lost.isConversion());
  EXPECT_EQ(lost.parameter("_c"), nullptr);
}

TEST_F(EventTest, ClearingConversionRecordsErrorTenOnlyWhenNoneIsSet) {
  APMEvent plain = Make("e", {{"_c", Value(1)}});
  plain.setConversion(false);
  EXPECT_EQ(*plain.parameter("_err"), APMValue(int64_t{10}));
  plain.setConversion(true);
  EXPECT_TRUE(plain.isConversion());
  EXPECT_EQ(plain.parameter("_err"), nullptr);  // error 10 goes with the flag restored

  APMEvent withError = Make("e", {{"_c", Value(1)}, {"_err", Value(2)}});
  withError.setConversion(false);
  EXPECT_EQ(*withError.parameter("_err"), APMValue(int64_t{2}));
}

TEST_F(EventTest, Flags) {
  APMEvent event = Make("e");
  EXPECT_FALSE(event.isRealtime());
  event.setRealtime(true);
  event.setDebug(true);
  EXPECT_TRUE(event.isRealtime());
  EXPECT_TRUE(event.isDebug());
  event.setRealtime(false);
  EXPECT_EQ(event.parameter("_r"), nullptr);

  APMEvent textFlag = Make("e", {{"_r", Value("1")}});
  EXPECT_FALSE(textFlag.isRealtime());
  EXPECT_TRUE(Logged("Realtime parameter must be an int64. Event name"));
  APMEvent two = Make("e", {{"_dbg", Value(2)}});
  EXPECT_FALSE(two.isDebug());
}

TEST_F(EventTest, ApplyParametersLetsTheEventWin) {
  APMEvent event = Make("e", {{"a", Value(1)}});
  event.applyParameters({{"a", Value(9)}, {"b", Value("x")}});
  EXPECT_EQ(*event.parameter("a"), APMValue(int64_t{1}));
  EXPECT_EQ(*event.parameter("b"), APMValue("x"));
  auto before = event.parameters();
  event.applyParameters({});
  EXPECT_EQ(event.parameters(), before);
}

TEST_F(EventTest, ScreenParameters) {
  APMEvent event = Make("e");
  EXPECT_FALSE(event.addScreenParameters({}));
  EXPECT_FALSE(event.addScreenParameters({{"_sn", Value("home")}}));  // no "_si"
  EXPECT_FALSE(event.addScreenParameters({{"_si", Value(7)}, {"_sc", Value(std::string(200, 'c'))}}));
  EXPECT_TRUE(Logged("Received invalid screen class"));
  EXPECT_EQ(event.parameter("_si"), nullptr);
  EXPECT_TRUE(event.addScreenParameters({{"_si", Value(7)}, {"_sn", APMValue("home")}}));
  EXPECT_EQ(*event.parameter("_si"), APMValue(int64_t{7}));
  EXPECT_EQ(*event.parameter("_sn"), APMValue("home"));
  EXPECT_FALSE(event.addScreenParameters({{"_si", Value(8)}}));
  EXPECT_EQ(*event.parameter("_si"), APMValue(int64_t{7}));
}

TEST_F(EventTest, ProtoEventBytes) {
  Value::Array items{Value(Value::Dictionary{{"item_id", Value("sku1")}, {"price", Value(2.5)}})};
  APMEvent event = Make("purchase", {{"n", Value(3)}, {"s", Value("x")}, {"items", Value(items)}}, "app", 1.5, 0);
  EXPECT_EQ(Dump(*event.protoEvent()),
            "Event {\n"
            "  0 params #1: [\n"
            "    EventParam {\n"
            "      0 name #1: \"_o\"\n"
            "      1 string_value #2: \"app\"\n"
            "    }\n"
            "    EventParam {\n"
            "      0 name #1: \"items\"\n"
            "      5 param_value #6: [\n"
            "        EventParam {\n"
            "          5 param_value #6: [\n"
            "            EventParam {\n"
            "              0 name #1: \"item_id\"\n"
            "              1 string_value #2: \"sku1\"\n"
            "            }\n"
            "            EventParam {\n"
            "              0 name #1: \"price\"\n"
            "              4 double_value #5: 2.5\n"
            "            }\n"
            "          ]\n"
            "        }\n"
            "      ]\n"
            "    }\n"
            "    EventParam {\n"
            "      0 name #1: \"n\"\n"
            "      2 int_value #3: 3\n"
            "    }\n"
            "    EventParam {\n"
            "      0 name #1: \"s\"\n"
            "      1 string_value #2: \"x\"\n"
            "    }\n"
            "  ]\n"
            "  1 name #2: \"purchase\"\n"
            "  2 timestamp_millis #3: 1500\n"
            "}\n");
}

TEST_F(EventTest, ProtoEventTimesSaturate) {
  struct Case {
    double seconds;
    int64_t millis;
  };
  const Case cases[] = {
      {9223372036854775807.0, std::numeric_limits<int64_t>::max()},
      {1e300, std::numeric_limits<int64_t>::max()},
      {-1e300, std::numeric_limits<int64_t>::min()},
      {std::nan(""), 0},
      {1.2345, 1234},
      {-1.5, -1500},
  };
  for (const Case& c : cases) {
    auto event = APMEvent::initWithOrigin("app", false, "e", c.seconds, c.seconds, APMParameterObjects{});
    ASSERT_TRUE(event);
    auto proto = event->protoEvent();
    EXPECT_EQ(APMPBGetInt64(proto.get(), 2), c.millis) << c.seconds;
    if (c.seconds > 0) {
      EXPECT_EQ(APMPBGetInt64(proto.get(), 3), c.millis) << c.seconds;
    }
  }
  auto noPrevious = Make("e", {}, "app", 5, 0).protoEvent();
  EXPECT_FALSE(APMPBHasField(noPrevious.get(), 3));
}

TEST_F(EventTest, NestedArrayInsideElementIsDropped) {
  Value::Array inner{Value(Value::Dictionary{{"a", Value(1)}})};
  Value::Array items{Value(Value::Dictionary{{"item_id", Value("sku")}, {"deep", Value(inner)}})};
  APMEvent event = Make("e", {{"items", APMValue(items)}});
  auto proto = event.protoEvent();
  EXPECT_TRUE(Logged("Nested params cannot have more than 1 level"));
  EXPECT_EQ(Dump(*proto).find("deep"), std::string::npos);
  EXPECT_NE(Dump(*proto).find("sku"), std::string::npos);
}

TEST_F(EventTest, EventProtoRoundTrip) {
  APMEvent event = Make("e", {{"n", Value(3)}, {"d", Value(0.5)}, {"s", Value("x")}}, "auto", 12.5, 10);
  auto back = APMEvent::initWithEventProto(*event.protoEvent());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->origin(), "auto");
  EXPECT_EQ(back->name(), "e");
  EXPECT_EQ(back->timestamp(), 12.5);
  EXPECT_EQ(back->previousTimestamp(), 10);
  EXPECT_EQ(back->parameters(), event.parameters());
}

TEST_F(EventTest, EventProtoParameterFailures) {
  auto withParam = [](std::shared_ptr<APMPBEventParam> extra) {
    auto proto = Make("e").protoEvent();
    auto params = APMPBGetMessageArray<APMPBEventParam>(proto.get(), 0);
    params.push_back(std::move(extra));
    APMPBSetMessageArray(proto.get(), 0, params);
    return proto;
  };
  auto nested = std::make_shared<APMPBEventParam>();
  APMPBSetString(nested.get(), 0, "nested");
  APMPBSetMessageArray(nested.get(), 5,
                       std::vector<std::shared_ptr<APMPBEventParam>>{std::make_shared<APMPBEventParam>()});
  auto back = APMEvent::initWithEventProto(*withParam(nested));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->parameter("nested"), nullptr);
  EXPECT_TRUE(Logged("Unknown event param type from converting an event proto"));

  auto nameless = std::make_shared<APMPBEventParam>();
  APMPBSetInt64(nameless.get(), 2, 4);
  back = APMEvent::initWithEventProto(*withParam(nameless));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->parameters().size(), 1u);
  EXPECT_TRUE(Logged("Ignoring parameter. Parameter name is nil"));

  auto badOrigin = std::make_shared<APMPBEventParam>();
  APMPBSetString(badOrigin.get(), 0, "_o");
  APMPBSetInt64(badOrigin.get(), 2, 1);
  auto proto = Make("e").protoEvent();
  APMPBSetMessageArray(proto.get(), 0, std::vector<std::shared_ptr<APMPBEventParam>>{badOrigin});
  EXPECT_FALSE(APMEvent::initWithEventProto(*proto));
  EXPECT_TRUE(Logged("Origin parameter is not a string"));
}

TEST_F(EventTest, EditEventRoundTrip) {
  APMEvent event = Make("_vs", {{"n", Value(3)}, {"d", Value(0.5)}, {"s", Value("x")}}, "auto", 7);
  APMPEvent edit = event.editEvent();
  EXPECT_EQ(edit.name(), "screen_view");
  EXPECT_EQ(edit.timestamp(), 7);
  ASSERT_NE(edit.parameterForName("n"), nullptr);
  EXPECT_EQ(edit.parameterForName("n")->type(), APMPPlatformObject::Type::kInteger);
  EXPECT_EQ(edit.parameterForName("d")->type(), APMPPlatformObject::Type::kDouble);
  auto back = APMEvent::eventFromEditEvent(edit);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name(), "_vs");
  EXPECT_EQ(back->origin(), "auto");
  EXPECT_EQ(back->previousTimestamp(), 0);
  EXPECT_EQ(back->parameters(), event.parameters());

  // One level of items survives both ways; an array inside an item does not.
  Value::Array inner{Value(Value::Dictionary{{"a", Value(1)}})};
  Value::Array items{Value(Value::Dictionary{{"item_id", Value("sku")}, {"price", Value(2.5)}, {"deep", Value(inner)}})};
  APMEvent purchase = Make("purchase", {{"items", APMValue(items)}});
  APMPEvent purchaseEdit = purchase.editEvent();
  ASSERT_EQ(purchaseEdit.parameterForName("items")->type(), APMPPlatformObject::Type::kArray);
  const auto& element = purchaseEdit.parameterForName("items")->arrayValue().at(0).dictionaryValue();
  EXPECT_EQ(element.count("deep"), 0u);
  EXPECT_EQ(element.at("price").doubleValue(), 2.5);
  auto purchaseBack = APMEvent::eventFromEditEvent(purchaseEdit);
  ASSERT_TRUE(purchaseBack);
  Value::Array expected{Value(Value::Dictionary{{"item_id", Value("sku")}, {"price", Value(2.5)}})};
  EXPECT_EQ(*purchaseBack->parameter("items"), APMValue(expected));

  APMPEvent bare("custom", 3, {{"_o", APMPPlatformObject::integer(1)}});
  auto fallback = APMEvent::eventFromEditEvent(bare);
  ASSERT_TRUE(fallback);
  EXPECT_EQ(fallback->origin(), "app");
  EXPECT_EQ(fallback->name(), "custom");
}

TEST_F(EventTest, CopiesKeepEverythingButWhatTheyReplace) {
  APMEvent event = Make("e", {{"a", Value(1)}}, "auto", 50, 40);
  auto copied = event.copyWithPreviousTimestamp(45);
  ASSERT_TRUE(copied);
  EXPECT_EQ(copied->previousTimestamp(), 45);
  EXPECT_EQ(copied->parameters(), event.parameters());
  auto replaced = event.copyWithParameters({{"b", APMValue(int64_t{2})}});
  ASSERT_TRUE(replaced);
  EXPECT_EQ(replaced->parameter("a"), nullptr);
  EXPECT_EQ(*replaced->parameter("_o"), APMValue("auto"));
  QRVAEvent publicEvent(*event.copy());
  EXPECT_EQ(publicEvent.timestamp(), 50);
}

}  // namespace
