// The app's codec against the tests' own reader of upload bodies: every field
// index of the upload messages lands on the wire number (and wire type) the
// reader expects, so neither side's table can drift unnoticed.
#include <gtest/gtest.h>

#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Protobuf/APMPBNumber.h"
#include "tests/support/MeasurementBatchReader.h"

namespace {

using testsupport::DecodedBatch;
using testsupport::MeasurementBatchReader;
using testsupport::WireMessage;

enum class Kind { kInt32, kInt64, kBool, kString, kUInt32Array, kStringArray, kMessageArray };

struct Slot {
  int32_t index;
  uint32_t number;
  Kind kind;
};

const std::vector<Slot> kBundleSlots = {
    {0, 1, Kind::kInt32},        {1, 2, Kind::kMessageArray}, {2, 3, Kind::kMessageArray}, {3, 4, Kind::kInt64},
    {4, 5, Kind::kInt64},        {5, 6, Kind::kInt64},        {6, 26, Kind::kInt64},       {7, 7, Kind::kInt64},
    {8, 8, Kind::kString},       {9, 9, Kind::kString},       {10, 10, Kind::kString},     {11, 11, Kind::kString},
    {12, 12, Kind::kInt32},      {13, 13, Kind::kString},     {14, 14, Kind::kString},     {15, 15, Kind::kInt64},
    {16, 16, Kind::kString},     {17, 17, Kind::kInt64},      {18, 18, Kind::kInt64},      {19, 19, Kind::kString},
    {20, 27, Kind::kString},     {21, 20, Kind::kBool},       {22, 21, Kind::kString},     {23, 22, Kind::kInt64},
    {24, 23, Kind::kInt32},      {25, 24, Kind::kString},     {26, 25, Kind::kString},     {27, 28, Kind::kBool},
    {28, 29, Kind::kMessageArray}, {29, 30, Kind::kString},   {30, 31, Kind::kInt32},      {31, 32, Kind::kInt32},
    {32, 33, Kind::kInt32},      {33, 34, Kind::kString},     {34, 35, Kind::kInt64},      {35, 39, Kind::kInt32},
    {36, 41, Kind::kString},     {37, 45, Kind::kUInt32Array}, {38, 47, Kind::kInt64},     {39, 50, Kind::kString},
    {40, 52, Kind::kString},     {41, 53, Kind::kInt32},      {42, 55, Kind::kBool},       {43, 63, Kind::kString},
    {44, 64, Kind::kStringArray}, {45, 65, Kind::kString},    {46, 67, Kind::kInt64},      {47, 71, Kind::kString},
    {48, 72, Kind::kBool},       {49, 73, Kind::kString},     {50, 75, Kind::kString},
};

void Fill(NANOMessageBase* message, const std::vector<Slot>& slots) {
  for (const auto& slot : slots) {
    switch (slot.kind) {
      case Kind::kInt32:
        APMPBSetInt32(message, slot.index, 1000 + slot.index);
        break;
      case Kind::kInt64:
        APMPBSetInt64(message, slot.index, 5000000000LL + slot.index);
        break;
      case Kind::kBool:
        APMPBSetBool(message, slot.index, true);
        break;
      case Kind::kString:
        APMPBSetString(message, slot.index, "s" + std::to_string(slot.index));
        break;
      case Kind::kUInt32Array: {
        std::vector<APMPBObject> values{APMPBNumber::numberWithUnsignedInt(7), APMPBNumber::numberWithUnsignedInt(8)};
        APMPBSetArray(message, slot.index, &values);
        break;
      }
      case Kind::kStringArray: {
        std::vector<APMPBObject> values{APMPBObject(std::string("x")), APMPBObject(std::string("y"))};
        APMPBSetArray(message, slot.index, &values);
        break;
      }
      case Kind::kMessageArray:
        break;  // checked through the nested messages below
    }
  }
}

void ExpectRead(const WireMessage& wire, const std::vector<Slot>& slots, const char* what) {
  for (const auto& slot : slots) {
    const std::string where = std::string(what) + " index " + std::to_string(slot.index);
    switch (slot.kind) {
      case Kind::kInt32:
        EXPECT_EQ(wire.int64(slot.number), 1000 + slot.index) << where;
        break;
      case Kind::kInt64:
        EXPECT_EQ(wire.int64(slot.number), 5000000000LL + slot.index) << where;
        break;
      case Kind::kBool:
        EXPECT_EQ(wire.boolean(slot.number), true) << where;
        break;
      case Kind::kString:
        EXPECT_EQ(wire.string(slot.number), "s" + std::to_string(slot.index)) << where;
        break;
      case Kind::kUInt32Array:
        EXPECT_EQ(wire.varints(slot.number), (std::vector<std::uint64_t>{7, 8})) << where;
        break;
      case Kind::kStringArray:
        EXPECT_EQ(wire.strings(slot.number), (std::vector<std::string>{"x", "y"})) << where;
        break;
      case Kind::kMessageArray:
        break;
    }
  }
}

TEST(UploadWireNumbers, CodecAndTestReaderAgreeOnEveryField) {
  auto item = std::make_shared<APMPBEventParam>();
  APMPBSetString(item.get(), 0, "inner");
  APMPBSetInt64(item.get(), 2, 3);
  auto param = std::make_shared<APMPBEventParam>();
  APMPBSetString(param.get(), 0, "p");
  APMPBSetString(param.get(), 1, "text");
  APMPBSetDouble(param.get(), 4, 0.25);
  std::vector<APMPBObject> items{APMPBObject(item)};
  APMPBSetArray(param.get(), 5, &items);
  auto event = std::make_shared<APMPBEvent>();
  std::vector<APMPBObject> params{APMPBObject(param)};
  APMPBSetArray(event.get(), 0, &params);
  APMPBSetString(event.get(), 1, "purchase");
  APMPBSetInt64(event.get(), 2, 1700000000123);
  APMPBSetInt64(event.get(), 3, 1700000000000);
  auto attribute = std::make_shared<APMPBUserAttribute>();
  APMPBSetInt64(attribute.get(), 0, 42);
  APMPBSetString(attribute.get(), 1, "_fot");
  APMPBSetDouble(attribute.get(), 5, 1.5);

  auto bundle = std::make_shared<APMPBMeasurementBundle>();
  Fill(bundle.get(), kBundleSlots);
  std::vector<APMPBObject> events{APMPBObject(event)};
  APMPBSetArray(bundle.get(), 1, &events);
  std::vector<APMPBObject> attributes{APMPBObject(attribute)};
  APMPBSetArray(bundle.get(), 2, &attributes);
  APMPBMeasurementBatch batch;
  std::vector<APMPBObject> bundles{APMPBObject(bundle)};
  APMPBSetArray(&batch, 0, &bundles);

  auto bytes = batch.protoBuffer();
  ASSERT_TRUE(bytes.has_value());
  std::string error;
  auto read = MeasurementBatchReader::read(std::string(bytes->begin(), bytes->end()), &error);
  ASSERT_TRUE(read) << error;
  ASSERT_EQ(read->bundles.size(), 1u);
  ExpectRead(read->bundles[0].wire, kBundleSlots, "bundle");
  ASSERT_EQ(read->bundles[0].events.size(), 1u);
  const auto& readEvent = read->bundles[0].events[0];
  EXPECT_EQ(readEvent.name, "purchase");
  EXPECT_EQ(readEvent.timestampMillis, 1700000000123);
  EXPECT_EQ(readEvent.previousTimestampMillis, 1700000000000);
  ASSERT_NE(readEvent.param("p"), nullptr);
  EXPECT_EQ(readEvent.param("p")->stringValue, "text");
  EXPECT_EQ(readEvent.param("p")->doubleValue, 0.25);
  ASSERT_EQ(readEvent.param("p")->nested.size(), 1u);
  EXPECT_EQ(readEvent.param("p")->nested[0].name, "inner");
  EXPECT_EQ(readEvent.param("p")->nested[0].intValue, 3);
  ASSERT_EQ(read->bundles[0].userAttributes.size(), 1u);
  EXPECT_EQ(read->bundles[0].userAttributes[0].name, "_fot");
  EXPECT_EQ(read->bundles[0].userAttributes[0].setTimestampMillis, 42);
  EXPECT_EQ(read->bundles[0].userAttributes[0].doubleValue, 1.5);
}

}  // namespace
