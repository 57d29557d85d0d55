#include <cmath>

#include "Analytics/Interpreter/APMPArrayValue.h"
#include "Analytics/Interpreter/APMPMapValue.h"
#include "Analytics/Interpreter/APMPRuntimeEntityConverter.h"
#include "Analytics/Interpreter/APMPText.h"
#include "tests/Analytics/Interpreter/InterpreterTestSupport.h"

TEST(Values, NumberText) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {NAN, "NaN"}, {INFINITY, "Infinity"}, {-INFINITY, "-Infinity"}, {0.0, "0"}, {-0.0, "0"},
      {100, "100"}, {1e21, "1e+21"}, {0.000001, "0.000001"}, {1e-7, "1e-7"}, {0.1, "0.1"},
      {-2.5, "-2.5"}, {123456789012345680000.0, "123456789012345680000"}, {1.5e300, "1.5e+300"},
      {1.0 / 3, "0.3333333333333333"}, {1.00000762939453125, "1.0000076293945312"}, {4294967295.0, "4294967295"},
  };
  for (const auto& c : cases) EXPECT_EQ(APMPUtf8(APMPNumberToText(c.value)), c.text) << c.value;
}

TEST(Values, TextNumber) {
  const struct {
    const char16_t* text;
    double value;
  } cases[] = {
      {u" 42 ", 42}, {u"", 0}, {u"   ", 0}, {u"\n\t7\u00a0", 7}, {u"0x10", NAN}, {u"12abc", NAN},
      {u"NaN", NAN}, {u"Infinity", INFINITY}, {u"-Infinity", -INFINITY}, {u"+Infinity", NAN},
      {u"1e3", 1000}, {u"-1.5E-1", -0.15}, {u".5", 0.5}, {u"5.", 5}, {u".", NAN}, {u"1e", NAN},
      {u"+3", 3}, {u"1e400", INFINITY}, {u"\u0661", NAN},
  };
  for (const auto& c : cases) {
    double d = APMPTextToNumber(c.text);
    if (std::isnan(c.value)) EXPECT_TRUE(std::isnan(d)) << APMPUtf8(c.text);
    else EXPECT_EQ(d, c.value) << APMPUtf8(c.text);
  }
}

TEST(Values, Conversions) {
  RunCases({
      {"array [1,2] has number form NaN", R"([["27", ["7", 1, 2]]])", "NaN"},
      {"array [5] has number form 5", R"([["27", ["7", 5]]])", "-5"},
      {"empty array has number form 0", R"([["27", ["7"]]])", "0"},
      {"empty array string form", R"([["0", "", ["7"]]])", "\"\""},
      {"null number form", R"([["27", ["45"]]])", "0"},
      {"function string form is its name", R"([["0", "", ["51", "fname", ["7"]]]])", "\"fname\""},
      {"map boolean form", R"([["28", ["8"]]])", "false"},
      {"NaN is false", R"([["28", {"number": "NaN"}]])", "true"},
      {"join skips null and undefined", R"([["0", "", ["7", 1, ["45"], ["44"], 2]]])", "\"1,,,2\""},
  });
}

TEST(Values, ArrayProperties) {
  RunCases({
      {"write index 5 of empty array", R"([["41", "a"], ["3", "a", ["7"]], ["43", {"var": "a"}, 5, "x"],
          ["0", "", {"var": "a"}]])", "\",,,,,x\""},
      {"count after write", R"([["41", "a"], ["3", "a", ["7"]], ["43", {"var": "a"}, 5, "x"],
          ["16", {"var": "a"}, "length"]])", "6"},
      {"length -1", R"([["43", ["7"], "length", -1]])", "", 11},
      {"length 1.5", R"([["43", ["7"], "length", 1.5]])", "", 11},
      {"length text", R"([["43", ["7"], "length", "abc"]])", "", 11},
      {"length string 2 truncates", R"([["41", "a"], ["3", "a", ["7", 1, 2, 3]], ["43", {"var": "a"}, "length", "2"],
          {"var": "a"}])", "[1, 2]"},
      {"longer length reads undefined", R"([["41", "a"], ["3", "a", ["7"]], ["43", {"var": "a"}, "length", 3],
          ["16", {"var": "a"}, 1]])", "undefined"},
      {"hole is not own", R"([["41", "a"], ["3", "a", ["7"]], ["43", {"var": "a"}, "length", 3],
          ["2", {"var": "a"}, "hasOwnProperty", ["7", 1]]])", "false"},
      {"named property", R"([["41", "a"], ["3", "a", ["7"]], ["43", {"var": "a"}, "k", 4],
          ["16", {"var": "a"}, "k"]])", "4"},
      {"string index key", R"([["16", ["7", "x", "y"], "1"]])", "\"y\""},
      {"property on null", R"([["43", ["45"], "k", 1]])", "", 6},
      {"property read on null", R"([["16", ["45"], "k"]])", "undefined"},
      {"property write on number ignored", R"([["43", 5, "k", 1]])", "1"},
  });
}

TEST(Values, Equality) {
  APMPRuntime runtime;
  APMPHeapScope active(runtime.heap());
  EXPECT_TRUE(APMPRuntimeValue::number(NAN).isEqualTo(APMPRuntimeValue::number(NAN)));
  EXPECT_FALSE(APMPRuntimeValue::number(1).isEqualTo(APMPRuntimeValue::string(u"1")));
  APMPRuntimeValue a(new APMPArrayValue({APMPRuntimeValue::number(1), APMPRuntimeValue::string(u"x")}));
  APMPRuntimeValue b(new APMPArrayValue({APMPRuntimeValue::number(1), APMPRuntimeValue::string(u"x")}));
  EXPECT_TRUE(a.isEqualTo(b));
  APMPRuntimeValue m1(new APMPMapValue());
  APMPRuntimeValue m2(new APMPMapValue());
  m1.asMap()->properties().setValue(u"k", a);
  m2.asMap()->properties().setValue(u"k", b);
  EXPECT_TRUE(m1.isEqualTo(m2));
  m2.asMap()->properties().setValue(u"j", b);
  EXPECT_FALSE(m1.isEqualTo(m2));
  // Self-containing arrays: a pair already under comparison answers false.
  a.asArray()->elements().push_back(a);
  b.asArray()->elements().push_back(b);
  EXPECT_FALSE(a.isEqualTo(b));
  EXPECT_TRUE(a.isEqualTo(a));
  a.asArray()->elements().clear();
  b.asArray()->elements().clear();
}

TEST(Values, PropertyMapImmutability) {
  APMPRuntime runtime;
  APMPHeapScope active(runtime.heap());
  APMPPropertyMap map;
  APMPStringValue* k = runtime.heap()->intern(u"k");
  map.setImmutableValue(k, APMPRuntimeValue::number(1));
  map.setValue(k, APMPRuntimeValue::number(2));
  map.removeValueForName(k);
  EXPECT_EQ(map.valueForName(k).debugString(), "1");
  map.makeImmutable();
  map.setValue(u"j", APMPRuntimeValue::number(3));
  EXPECT_FALSE(map.hasName(u"j"));
}

TEST(Values, ConversionToObjects) {
  APMPRuntime runtime;
  APMPHeapScope active(runtime.heap());
  APMPError error;
  EXPECT_TRUE(APMPRuntimeEntityConverter::objectFromRuntimeValue(APMPRuntimeValue::null(), &error).isNil());
  EXPECT_EQ(APMPRuntimeEntityConverter::objectFromRuntimeValue(APMPRuntimeValue(), &error).stringValue(), "");
  EXPECT_EQ(APMPRuntimeEntityConverter::objectFromRuntimeValue(APMPRuntimeValue::boolean(true), &error).doubleValue(), 1);
  EXPECT_EQ(APMPRuntimeEntityConverter::objectFromRuntimeValue(APMPRuntimeValue::string(u"42"), &error).doubleValue(), 42);
  EXPECT_EQ(APMPRuntimeEntityConverter::objectFromRuntimeValue(APMPRuntimeValue::string(u"x"), &error).stringValue(), "x");
  APMPRuntimeValue map(new APMPMapValue());
  map.asMap()->properties().setValue(u"gone", APMPRuntimeValue::null());
  map.asMap()->properties().setValue(u"kept", APMPRuntimeValue::number(2));
  APMPPlatformObject o = APMPRuntimeEntityConverter::objectFromRuntimeValue(map, &error);
  EXPECT_FALSE(error);
  EXPECT_EQ(o.dictionaryValue().size(), 1u);
  // A self-containing value cannot become a host object.
  map.asMap()->properties().setValue(u"self", map);
  APMPRuntimeEntityConverter::objectFromRuntimeValue(map, &error);
  EXPECT_TRUE(error.isInterpreter(10));
  map.asMap()->properties().clear();
  error = APMPError();
  // Host objects: booleans stay booleans, integers become numbers.
  APMPPlatformObject::Dictionary d{{"b", APMPPlatformObject::boolean(true)}, {"i", APMPPlatformObject::integer(3)}};
  APMPRuntimeValue v = APMPRuntimeEntityConverter::runtimeValueFromNSObject(APMPPlatformObject::dictionary(d), &error);
  EXPECT_EQ(v.debugString(), "{b: true, i: 3}");
}
