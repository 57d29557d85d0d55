// Static description of the 40 measurement messages: per field index its wire
// number, flag word, name and element type. Field indexes are declaration
// positions, not wire numbers; the mapping lives only here.
#pragma once

#include <cstddef>
#include <cstdint>

#include <pb.h>

// The installed nanopb library is built with 16-bit field sizes; a mismatch
// compiles and links but decodes garbage.
static_assert(sizeof(pb_size_t) == 2, "nanopb must be built without PB_FIELD_32BIT");

// Flag word bits: one label bit and one type bit per field.
enum APMPBFlagBits : uint32_t {
  kAPMPBLabelSingular = 0x02,
  kAPMPBLabelRepeated = 0x08,
  kAPMPBTypeBool = 0x20,
  kAPMPBTypeEnum = 0x40,
  kAPMPBTypeInt32 = 0x80,
  kAPMPBTypeUInt32 = 0x100,
  kAPMPBTypeInt64 = 0x200,
  kAPMPBTypeUInt64 = 0x400,
  kAPMPBTypeFloat = 0x800,
  kAPMPBTypeDouble = 0x1000,
  kAPMPBTypeString = 0x2000,
  kAPMPBTypeMessage = 0x4000,
  kAPMPBTypeBytes = 0x8000,
};
inline constexpr uint32_t kAPMPBFamily32 = 0x1c0;  // enum, int32, uint32
inline constexpr uint32_t kAPMPBFamily64 = 0x600;  // int64, uint64
inline constexpr uint32_t kAPMPBTypeMask = 0xfff0;

struct APMPBMessageDescriptor;

struct APMPBFieldDescriptor {
  uint32_t number;                         // wire field number
  uint32_t flags;                          // label bit | type bit
  const char* name;                        // schema name, for log lines and dumps
  const APMPBMessageDescriptor* element;   // nested message type, else nullptr
};

struct APMPBMessageDescriptor {
  uint32_t id;                             // position in APMPBAllMessageDescriptors()
  const char* name;                        // message ID, e.g. "AppProperty"
  uint32_t fieldCount;
  const APMPBFieldDescriptor* fields;      // fieldCount entries, by index
  const pb_msgdesc_t* nanopb;              // generated field table
  size_t structSize;                       // size of the generated working structure
};

#define APMPB_MESSAGE_LIST(X)                                                             \
  X(AppProperty) X(Audience) X(AudienceLeafFilterResult) X(ClientProperty)                \
  X(ConsentConfig) X(ConsentDefaultEntry) X(ConsentDelegationEntry)                       \
  X(CorePlatformServiceEntry) X(CustomProperty) X(DataControl)                            \
  X(DynamicFilterResultTimestamp) X(Event) X(EventConfig) X(EventFilter) X(EventParam)    \
  X(Experiment) X(ExperimentRequest) X(ExperimentResponse) X(Filter) X(Flag)              \
  X(MeasurementBatch) X(MeasurementBundle) X(MeasurementConfig) X(NumberFilter)           \
  X(SornActivities) X(SornActivity) X(Program) X(PropertyFilter) X(PsmSetting) X(Region)  \
  X(ResultData) X(RuntimeEntity) X(SdkResponse) X(SequenceFilterResultTimestamp)          \
  X(Setting) X(SkAdNetworkConversionValueRequest) X(SkAdNetworkConversionValueResponse)   \
  X(Snapshot) X(StringFilter) X(UserAttribute)

#define APMPB_DECLARE_DESCRIPTOR(N) extern const APMPBMessageDescriptor kAPMPB##N##Descriptor;
APMPB_MESSAGE_LIST(APMPB_DECLARE_DESCRIPTOR)
#undef APMPB_DECLARE_DESCRIPTOR

inline constexpr size_t kAPMPBMessageCount = 40;

// All descriptors, indexed by their id.
const APMPBMessageDescriptor* const* APMPBAllMessageDescriptors();
// The descriptor whose message ID is name, or nullptr.
const APMPBMessageDescriptor* APMPBFindMessageDescriptor(const char* name);

inline bool APMPBIsRepeated(uint32_t flags) { return (flags & kAPMPBLabelRepeated) != 0; }
