#include "Platform/Foundation/PropertyList.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>
#include <limits>

namespace platform {
namespace {

Value EveryKind() {
  Value v = Value::dictionary();
  v.set("bool-true", true);
  v.set("bool-false", false);
  v.set("int", 42);
  v.set("int-negative", -42);
  v.set("int-max", std::numeric_limits<std::int64_t>::max());
  v.set("int-min", std::numeric_limits<std::int64_t>::min());
  v.set("double", 0.1);
  v.set("double-integral", 3.0);
  v.set("double-tiny", 1e-300);
  v.set("double-negative", -2.5e10);
  v.set("string", "plain");
  v.set("string-markup", "a<b>&c \"q\" 'x' ]]>");
  v.set("string-unicode", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
  v.set("string-empty", "");
  v.set("bytes", Value::bytes(std::string("\x00\x01\xfe\xff", 4)));
  v.set("bytes-empty", Value(Bytes{}));
  v.set("date", Value::date(1700000000));
  v.set("date-before-2001", Value::date(86400));
  v.set("array", Value(Value::Array{1, "two", 3.5, Value(Value::Array{}), Value::dictionary()}));
  Value nested = Value::dictionary();
  nested.set("deep", Value(Value::Array{Value(Value::Array{false})}));
  v.set("dict", nested);
  v.set("", "empty key");
  return v;
}

TEST(PropertyListTest, XmlRoundTripOfEveryKindButNull) {
  Value v = EveryKind();
  auto xml = PropertyList::writeXml(v);
  ASSERT_TRUE(xml.ok()) << xml.status().ToString();
  auto back = PropertyList::read(*xml);
  ASSERT_TRUE(back.ok()) << back.status().ToString();
  for (const auto& [key, value] : *v.getDictionary()) {
    const Value* got = back->find(key);
    ASSERT_NE(got, nullptr) << key;
    EXPECT_EQ(*got, value) << key << ": " << got->description() << " vs " << value.description();
  }
  EXPECT_EQ(*back, v);
}

TEST(PropertyListTest, TopLevelScalarsRoundTrip) {
  for (const Value& v : {Value(true), Value(7), Value(-1.25), Value("s"), Value::bytes("b"),
                         Value::date(0), Value(Value::Array{})}) {
    auto xml = PropertyList::writeXml(v);
    ASSERT_TRUE(xml.ok()) << v.description();
    auto back = PropertyList::read(*xml);
    ASSERT_TRUE(back.ok()) << v.description();
    EXPECT_EQ(*back, v);
  }
}

TEST(PropertyListTest, ReadsBinaryForm) {
  auto xml = PropertyList::writeXml(EveryKind());
  ASSERT_TRUE(xml.ok());
  plist_t node = nullptr;
  plist_from_xml(xml->data(), static_cast<std::uint32_t>(xml->size()), &node);
  ASSERT_NE(node, nullptr);
  char* bin = nullptr;
  std::uint32_t len = 0;
  plist_to_bin(node, &bin, &len);
  plist_free(node);
  ASSERT_NE(bin, nullptr);
  std::string binary(bin, len);
  std::free(bin);
  ASSERT_EQ(binary.rfind("bplist00", 0), 0u);
  auto back = PropertyList::read(binary);
  ASSERT_TRUE(back.ok()) << back.status().ToString();
  EXPECT_EQ(*back, EveryKind());

  // Every truncation of a valid binary list is refused or read, never a crash.
  for (std::size_t cut = 0; cut < binary.size(); cut += 7) {
    (void)PropertyList::read(std::string_view(binary).substr(0, cut));
  }
}

TEST(PropertyListTest, NullIsRefusedOnWrite) {
  Value nested = Value::dictionary();
  nested.set("list", Value(Value::Array{1, Value()}));
  for (const Value& v : {Value(), nested}) {
    auto xml = PropertyList::writeXml(v);
    ASSERT_FALSE(xml.ok());
    EXPECT_TRUE(xml.status().IsInvalidArgument());
  }
}

TEST(PropertyListTest, UnrepresentableValuesAreRefusedNotTruncated) {
  for (const Value& v : {Value(std::string("a\0b", 3)), Value::date(1e12), Value::date(-1e12)}) {
    EXPECT_FALSE(PropertyList::writeXml(v).ok()) << v.description();
  }
  Value keyWithNul = Value::dictionary();
  keyWithNul.set(std::string("k\0", 2), 1);
  EXPECT_FALSE(PropertyList::writeXml(keyWithNul).ok());
}

TEST(PropertyListTest, GarbageIsAnError) {
  const std::string cases[] = {
      "",
      "garbage",
      std::string("\x00\x01\x02\x03", 4),
      "<?xml version=\"1.0\"?><plist><dict><key>a</key>",
      "<plist version=\"1.0\"><integer>12</plist>",
      "bplist00",
      "bplist00\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"
      "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff",
      "{\"json\": true}",
      // A NUL inside XML text made the parser's own string reader abort.
      std::string("<plist version=\"1.0\"><key>a\0b</key></plist>", 43),
      std::string("<plist version=\"1.0\"><string>a\0b</string></plist>", 49),
  };
  for (const std::string& data : cases) {
    auto v = PropertyList::read(data);
    ASSERT_FALSE(v.ok()) << "accepted: " << data;
    EXPECT_TRUE(v.status().IsCorruption());
  }
}

TEST(PropertyListTest, DeepNestingIsRefusedBothWays) {
  Value v = Value::array();
  for (int i = 0; i < PropertyList::kMaxDepth + 5; ++i) v = Value(Value::Array{v});
  EXPECT_FALSE(PropertyList::writeXml(v).ok());
  std::string xml = "<plist version=\"1.0\">";
  for (int i = 0; i < PropertyList::kMaxDepth + 5; ++i) xml += "<array>";
  for (int i = 0; i < PropertyList::kMaxDepth + 5; ++i) xml += "</array>";
  xml += "</plist>";
  auto read = PropertyList::read(xml);
  EXPECT_FALSE(read.ok());
}

}  // namespace
}  // namespace platform
