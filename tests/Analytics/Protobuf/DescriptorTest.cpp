// Every message's fields against the schema tables, and against nanopb's own
// view of the generated field tables.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "Analytics/Protobuf/APMPBCodec.h"
#include "Analytics/Protobuf/APMPBDescriptor.h"

namespace {

// By index: "<number> <type>", repeated fields prefixed "r ". Types: bool,
// enum, int32, int64, uint32, uint64, float, double, string, or a message name.
const std::map<std::string, std::string> kSchemas = {
    {"AppProperty", "1 string|2 string|3 string|4 string|5 string|6 bool|7 int64"},
    {"Audience", "1 int32|r 2 PropertyFilter|r 3 EventFilter|4 bool|5 bool"},
    {"AudienceLeafFilterResult", "1 int32|2 ResultData|3 ResultData|4 bool"},
    {"ClientProperty", "1 string|2 string|3 int64|4 string|r 5 CustomProperty"},
    {"ConsentConfig", "r 1 ConsentDefaultEntry|r 2 ConsentDelegationEntry|r 3 CorePlatformServiceEntry|4 bool"},
    {"ConsentDefaultEntry", "1 enum|2 enum"},
    {"ConsentDelegationEntry", "1 enum|2 enum"},
    {"CorePlatformServiceEntry", "1 string|2 string"},
    {"CustomProperty", "1 string|2 string"},
    {"DataControl", "1 string|r 2 Region|3 bool"},
    {"DynamicFilterResultTimestamp", "1 int32|2 int64"},
    {"Event", "r 1 EventParam|2 string|3 int64|4 int64|5 int32"},
    {"EventConfig", "1 string|2 bool|3 bool|4 int32"},
    {"EventFilter", "1 int32|2 string|r 3 Filter|4 bool|5 NumberFilter|6 bool|7 bool|8 bool"},
    {"EventParam", "1 string|2 string|3 int64|4 float|5 double|r 6 EventParam"},
    {"Experiment", "1 int32|r 2 Flag"},
    {"ExperimentRequest", "1 AppProperty|r 2 ClientProperty"},
    {"ExperimentResponse", "r 1 Snapshot|r 2 SdkResponse"},
    {"Filter", "1 StringFilter|2 NumberFilter|3 bool|4 string"},
    {"Flag", "1 string|2 int64|3 string|4 double|5 bool"},
    {"MeasurementBatch", "r 1 MeasurementBundle|7 string"},
    {"MeasurementBundle",
     "1 int32|r 2 Event|r 3 UserAttribute|4 int64|5 int64|6 int64|26 int64|7 int64|8 string|9 string|"
     "10 string|11 string|12 int32|13 string|14 string|15 int64|16 string|17 int64|18 int64|19 string|"
     "27 string|20 bool|21 string|22 int64|23 int32|24 string|25 string|28 bool|r 29 AudienceLeafFilterResult|"
     "30 string|31 int32|32 int32|33 int32|34 string|35 int64|39 int32|41 string|r 45 uint32|47 int64|"
     "50 string|52 string|53 enum|55 bool|63 string|r 64 string|65 string|67 int64|71 string|72 bool|"
     "73 string|75 string"},
    {"MeasurementConfig",
     "1 int64|2 string|3 int32|r 4 Setting|r 5 EventConfig|r 6 Audience|7 string|8 bool|r 9 Program|"
     "r 10 DataControl|11 string|12 string|13 string|14 string|15 ConsentConfig|16 PsmSetting"},
    {"NumberFilter", "1 enum|2 bool|3 string|4 string|5 string"},
    {"SornActivities", "r 1 SornActivity"},
    {"SornActivity", "1 string|r 2 RuntimeEntity"},
    {"Program", "r 1 RuntimeEntity|2 SornActivities"},
    {"PropertyFilter", "1 int32|2 string|3 Filter|4 bool|5 bool|6 bool"},
    {"PsmSetting", "1 int32|2 int32|3 int32"},
    {"Region", "1 string|2 string"},
    {"ResultData", "r 1 uint64|r 2 uint64|r 3 DynamicFilterResultTimestamp|r 4 SequenceFilterResultTimestamp"},
    {"RuntimeEntity", "1 enum|r 2 RuntimeEntity|3 string|4 string|5 bool|6 double"},
    {"SdkResponse", "1 string|2 enum|3 Snapshot"},
    {"SequenceFilterResultTimestamp", "1 int32|r 2 int64"},
    {"Setting", "1 string|2 string"},
    {"SkAdNetworkConversionValueRequest", "1 int64|2 string|3 string|4 string|5 int64|6 int64"},
    {"SkAdNetworkConversionValueResponse", "1 enum|2 string|3 int32|4 enum|5 bool|6 int64|7 int64|8 int64"},
    {"Snapshot", "1 string|r 2 Experiment"},
    {"StringFilter", "1 enum|2 string|3 bool|r 4 string"},
    {"UserAttribute", "1 int64|2 string|3 string|4 int64|5 float|6 double"},
};

std::string TypeName(const APMPBFieldDescriptor& f) {
  if (f.flags & kAPMPBTypeMessage) return f.element ? f.element->name : "?";
  switch (f.flags & kAPMPBTypeMask) {
    case kAPMPBTypeBool: return "bool";
    case kAPMPBTypeEnum: return "enum";
    case kAPMPBTypeInt32: return "int32";
    case kAPMPBTypeUInt32: return "uint32";
    case kAPMPBTypeInt64: return "int64";
    case kAPMPBTypeUInt64: return "uint64";
    case kAPMPBTypeFloat: return "float";
    case kAPMPBTypeDouble: return "double";
    case kAPMPBTypeString: return "string";
    case kAPMPBTypeBytes: return "bytes";
  }
  return "?";
}

std::string Describe(const APMPBMessageDescriptor& d) {
  std::ostringstream out;
  for (uint32_t i = 0; i < d.fieldCount; ++i) {
    const APMPBFieldDescriptor& f = d.fields[i];
    if (i) out << '|';
    if (APMPBIsRepeated(f.flags)) out << "r ";
    out << f.number << ' ' << TypeName(f);
  }
  return out.str();
}

TEST(Descriptors, EveryMessageMatchesItsSchemaTable) {
  const APMPBMessageDescriptor* const* all = APMPBAllMessageDescriptors();
  ASSERT_EQ(kSchemas.size(), kAPMPBMessageCount);
  for (size_t i = 0; i < kAPMPBMessageCount; ++i) {
    const APMPBMessageDescriptor& d = *all[i];
    EXPECT_EQ(d.id, i);
    auto it = kSchemas.find(d.name);
    ASSERT_NE(it, kSchemas.end()) << d.name;
    EXPECT_EQ(Describe(d), it->second) << d.name;
  }
}

TEST(Descriptors, FlagWordsUseOnlyTheKnownCombinations) {
  const std::set<uint32_t> known = {0x22, 0x42, 0x82, 0x202, 0x802, 0x1002, 0x2002, 0x4002,
                                    0x108, 0x208, 0x408, 0x2008, 0x4008};
  const APMPBMessageDescriptor* const* all = APMPBAllMessageDescriptors();
  for (size_t i = 0; i < kAPMPBMessageCount; ++i) {
    for (uint32_t k = 0; k < all[i]->fieldCount; ++k) {
      const APMPBFieldDescriptor& f = all[i]->fields[k];
      EXPECT_TRUE(known.count(f.flags)) << all[i]->name << " index " << k;
      EXPECT_EQ(f.element != nullptr, (f.flags & kAPMPBTypeMessage) != 0) << all[i]->name << " index " << k;
    }
  }
}

TEST(Descriptors, AgreeWithNanopbFieldIterator) {
  const APMPBMessageDescriptor* const* all = APMPBAllMessageDescriptors();
  for (size_t i = 0; i < kAPMPBMessageCount; ++i) {
    const APMPBMessageDescriptor& d = *all[i];
    EXPECT_EQ(d.nanopb->field_count, d.fieldCount) << d.name;
    for (uint32_t k = 0; k < d.fieldCount; ++k) {
      const APMPBFieldDescriptor& f = d.fields[k];
      const APMPBFieldLayout& l = APMPBLayoutOf(d, k);
      ASSERT_TRUE(l.bound) << d.name << " number " << f.number;
      const pb_type_t ltype = PB_LTYPE(l.type);
      if (APMPBIsRepeated(f.flags) || (f.flags & (kAPMPBTypeString | kAPMPBTypeBytes))) {
        EXPECT_EQ(PB_ATYPE(l.type), PB_ATYPE_CALLBACK) << d.name << " number " << f.number;
        EXPECT_EQ(PB_HTYPE(l.type), APMPBIsRepeated(f.flags) ? PB_HTYPE_REPEATED : PB_HTYPE_OPTIONAL);
        continue;
      }
      EXPECT_EQ(PB_ATYPE(l.type), PB_ATYPE_STATIC) << d.name << " number " << f.number;
      EXPECT_EQ(PB_HTYPE(l.type), PB_HTYPE_OPTIONAL) << d.name << " number " << f.number;
      EXPECT_NE(l.presenceOffset, 0xffff) << d.name << " number " << f.number;
      pb_type_t expected = 0;
      switch (f.flags & kAPMPBTypeMask) {
        case kAPMPBTypeBool: expected = PB_LTYPE_BOOL; break;
        case kAPMPBTypeEnum:
        case kAPMPBTypeInt32:
        case kAPMPBTypeInt64: expected = PB_LTYPE_VARINT; break;
        case kAPMPBTypeUInt32:
        case kAPMPBTypeUInt64: expected = PB_LTYPE_UVARINT; break;
        case kAPMPBTypeFloat: expected = PB_LTYPE_FIXED32; break;
        case kAPMPBTypeDouble: expected = PB_LTYPE_FIXED64; break;
        case kAPMPBTypeMessage: expected = PB_LTYPE_SUBMESSAGE; break;
      }
      EXPECT_EQ(ltype, expected) << d.name << " number " << f.number;
      const uint16_t width = (f.flags & (kAPMPBFamily64 | kAPMPBTypeDouble)) ? 8
                             : (f.flags & (kAPMPBFamily32 | kAPMPBTypeFloat)) ? 4
                             : (f.flags & kAPMPBTypeBool) ? 1
                                                         : l.dataSize;
      EXPECT_EQ(l.dataSize, width) << d.name << " number " << f.number;
    }
  }
}

TEST(Descriptors, LookupByName) {
  EXPECT_EQ(APMPBFindMessageDescriptor("Flag"), &kAPMPBFlagDescriptor);
  EXPECT_EQ(APMPBFindMessageDescriptor("Nope"), nullptr);
  EXPECT_EQ(APMPBFindMessageDescriptor(nullptr), nullptr);
}

}  // namespace
