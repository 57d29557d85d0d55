#include "Platform/Foundation/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "tests/support/IllFormedUtf8.h"

namespace platform {
namespace {

TEST(ValueTest, BoolIntegerAndDoubleStayDistinct) {
  Value t(true), one(1), oneD(1.0);
  EXPECT_EQ(t.type(), Value::Type::kBool);
  EXPECT_EQ(one.type(), Value::Type::kInteger);
  EXPECT_EQ(oneD.type(), Value::Type::kDouble);
  EXPECT_NE(t, one);
  EXPECT_NE(one, oneD);
  EXPECT_NE(t, oneD);
  // Strict reads see only their own kind; number reads see all three.
  EXPECT_FALSE(one.getBool());
  EXPECT_FALSE(t.getInt());
  EXPECT_FALSE(oneD.getInt());
  EXPECT_EQ(t.numberAsInt64(), 1);
  EXPECT_EQ(oneD.numberAsInt64(), 1);
  EXPECT_FALSE(Value("1").numberAsInt64());
  // Small integral types and unsigned values stay integers, not bools.
  EXPECT_TRUE(Value(static_cast<std::uint8_t>(1)).isInteger());
  EXPECT_TRUE(Value(static_cast<char>(65)).isInteger());
  EXPECT_TRUE(Value("x").isString());
}

TEST(ValueTest, NumberAsInt64TruncatesAndClamps) {
  struct Case {
    double in;
    std::int64_t out;
  } cases[] = {
      {2.9, 2},
      {-2.9, -2},
      {1e300, std::numeric_limits<std::int64_t>::max()},
      {-1e300, std::numeric_limits<std::int64_t>::min()},
      {std::nan(""), 0},
      {std::numeric_limits<double>::infinity(), std::numeric_limits<std::int64_t>::max()},
  };
  for (const auto& c : cases) EXPECT_EQ(Value(c.in).numberAsInt64(), c.out) << c.in;
}

TEST(ValueTest, CopiesAreDeepAndMovedFromIsNull) {
  Value a = Value::dictionary();
  a.set("list", Value(Value::Array{1, 2}));
  Value b = a;
  b.mutableDictionary()->at("list").append(3);
  EXPECT_EQ(a.find("list")->size(), 2u);
  EXPECT_EQ(b.find("list")->size(), 3u);
  Value c = std::move(b);
  EXPECT_TRUE(b.isNull());  // NOLINT: moved-from state is specified
  EXPECT_EQ(c.find("list")->size(), 3u);
  EXPECT_NE(a, c);
}

TEST(ValueTest, JsonRoundTripKeepsKinds) {
  auto parsed = Value::parseJson(R"({"b":true,"i":-7,"d":1.0,"s":"x\u00e9","n":null,"a":[1,2.5,"z"],"big":18446744073709551615})");
  ASSERT_TRUE(parsed.ok()) << parsed.status().ToString();
  const Value& v = *parsed;
  EXPECT_EQ(v.find("b")->getBool(), true);
  EXPECT_EQ(v.find("i")->getInt(), -7);
  EXPECT_EQ(v.find("d")->getDouble(), 1.0);
  EXPECT_EQ(*v.find("s")->getString(), "x\xc3\xa9");
  EXPECT_TRUE(v.find("n")->isNull());
  EXPECT_TRUE(v.find("big")->isDouble());  // beyond int64: kept as a number, not wrapped
  auto text = v.toJsonString();
  ASSERT_TRUE(text.ok());
  auto again = Value::parseJson(*text);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(*again, v);
}

TEST(ValueTest, JsonTextRepairsEachIllFormedByteOfTextsAndKeys) {
  for (const auto& c : testsupport::Utf8RepairCases()) {
    Value v(Value::Dictionary{{"t", Value(c.raw)}, {c.raw, Value(Value::Array{Value(c.raw)})}});
    auto text = v.toJsonString();
    ASSERT_TRUE(text.ok()) << c.name;
    nlohmann::json expected = {{"t", c.repaired}, {c.repaired, {c.repaired}}};
    EXPECT_EQ(*text, expected.dump()) << c.name;
  }
}

TEST(ValueTest, JsonRefusesWhatItCannotHold) {
  for (const Value& v : {Value::bytes("ab"), Value::date(5), Value(std::nan("")),
                         Value(Value::Array{Value(1), Value::bytes("x")})}) {
    auto j = v.toJson();
    EXPECT_FALSE(j.ok()) << v.description();
    EXPECT_TRUE(j.status().IsInvalidArgument());
  }
  for (const char* bad : {"", "{", "[1,]", "{'a':1}", "nul", "1 2"}) {
    EXPECT_FALSE(Value::parseJson(bad).ok()) << bad;
  }
  std::string deep(100000, '[');
  deep += std::string(100000, ']');
  EXPECT_TRUE(Value::parseJson(deep).status().IsInvalidArgument());
  // Brackets inside texts do not count as nesting.
  auto brackets = Value::parseJson("[\"" + std::string(1000, '[') + "\\\"\"]");
  ASSERT_TRUE(brackets.ok());
  EXPECT_EQ(brackets->getArray()->at(0).size(), 1001u);
}

TEST(ValueTest, DescriptionIsReadable) {
  Value v = Value::dictionary();
  v.set("a", Value(Value::Array{true, 2, 2.5, "s", Value::bytes("\x01\xff")}));
  EXPECT_EQ(v.description(), R"({"a": [true, 2, 2.5, "s", <01ff>]})");
}

}  // namespace
}  // namespace platform
