#include "Analytics/Protobuf/APMPBDescriptor.h"

#include <cstring>

#include "Analytics/Protobuf/apm_config.nanopb.h"
#include "Analytics/Protobuf/apm_experiment.nanopb.h"
#include "Analytics/Protobuf/apm_upload.nanopb.h"

namespace {

constexpr uint32_t kBool = kAPMPBLabelSingular | kAPMPBTypeBool;        // 0x22
constexpr uint32_t kEnum = kAPMPBLabelSingular | kAPMPBTypeEnum;        // 0x42
constexpr uint32_t kInt32 = kAPMPBLabelSingular | kAPMPBTypeInt32;      // 0x82
constexpr uint32_t kInt64 = kAPMPBLabelSingular | kAPMPBTypeInt64;      // 0x202
constexpr uint32_t kFloat = kAPMPBLabelSingular | kAPMPBTypeFloat;      // 0x802
constexpr uint32_t kDouble = kAPMPBLabelSingular | kAPMPBTypeDouble;    // 0x1002
constexpr uint32_t kString = kAPMPBLabelSingular | kAPMPBTypeString;    // 0x2002
constexpr uint32_t kMessage = kAPMPBLabelSingular | kAPMPBTypeMessage;  // 0x4002
constexpr uint32_t kRepUInt32 = kAPMPBLabelRepeated | kAPMPBTypeUInt32;    // 0x108
constexpr uint32_t kRepInt64 = kAPMPBLabelRepeated | kAPMPBTypeInt64;      // 0x208
constexpr uint32_t kRepUInt64 = kAPMPBLabelRepeated | kAPMPBTypeUInt64;    // 0x408
constexpr uint32_t kRepString = kAPMPBLabelRepeated | kAPMPBTypeString;    // 0x2008
constexpr uint32_t kRepMessage = kAPMPBLabelRepeated | kAPMPBTypeMessage;  // 0x4008

enum MessageId : uint32_t {
#define APMPB_ID(N) k##N##Id,
  APMPB_MESSAGE_LIST(APMPB_ID)
#undef APMPB_ID
};

#define D(N) &kAPMPB##N##Descriptor

const APMPBFieldDescriptor kAppPropertyFields[] = {
    {1, kString, "platform", nullptr},   {2, kString, "field_2", nullptr},
    {3, kString, "field_3", nullptr},    {4, kString, "language", nullptr},
    {5, kString, "bundle_id", nullptr},  {6, kBool, "installed_from_store", nullptr},
    {7, kInt64, "experiments_version", nullptr},
};
const APMPBFieldDescriptor kAudienceFields[] = {
    {1, kInt32, "audience_id", nullptr},
    {2, kRepMessage, "property_filters", D(PropertyFilter)},
    {3, kRepMessage, "event_filters", D(EventFilter)},
    {4, kBool, "field_4", nullptr},
    {5, kBool, "field_5", nullptr},
};
const APMPBFieldDescriptor kAudienceLeafFilterResultFields[] = {
    {1, kInt32, "audience_id", nullptr},
    {2, kMessage, "current_data", D(ResultData)},
    {3, kMessage, "previous_data", D(ResultData)},
    {4, kBool, "new_audience", nullptr},
};
const APMPBFieldDescriptor kClientPropertyFields[] = {
    {1, kString, "sdk_name", nullptr}, {2, kString, "diversion", nullptr},
    {3, kInt64, "sdk_version", nullptr}, {4, kString, "app_id", nullptr},
    {5, kRepMessage, "custom_properties", D(CustomProperty)},
};
const APMPBFieldDescriptor kConsentConfigFields[] = {
    {1, kRepMessage, "defaults", D(ConsentDefaultEntry)},
    {2, kRepMessage, "delegations", D(ConsentDelegationEntry)},
    {3, kRepMessage, "core_platform_services", D(CorePlatformServiceEntry)},
    {4, kBool, "dma_region", nullptr},
};
const APMPBFieldDescriptor kConsentDefaultEntryFields[] = {
    {1, kEnum, "consent_type", nullptr}, {2, kEnum, "status", nullptr},
};
const APMPBFieldDescriptor kConsentDelegationEntryFields[] = {
    {1, kEnum, "consent_type", nullptr}, {2, kEnum, "delegated_type", nullptr},
};
const APMPBFieldDescriptor kCorePlatformServiceEntryFields[] = {
    {1, kString, "service_name", nullptr}, {2, kString, "field_2", nullptr},
};
const APMPBFieldDescriptor kCustomPropertyFields[] = {
    {1, kString, "key", nullptr}, {2, kString, "value", nullptr},
};
const APMPBFieldDescriptor kDataControlFields[] = {
    {1, kString, "name", nullptr},
    {2, kRepMessage, "opt_out_regions", D(Region)},
    {3, kBool, "field_3", nullptr},
};
const APMPBFieldDescriptor kDynamicFilterResultTimestampFields[] = {
    {1, kInt32, "filter_id", nullptr}, {2, kInt64, "timestamp_millis", nullptr},
};
const APMPBFieldDescriptor kEventFields[] = {
    {1, kRepMessage, "params", D(EventParam)},
    {2, kString, "name", nullptr},
    {3, kInt64, "timestamp_millis", nullptr},
    {4, kInt64, "previous_timestamp_millis", nullptr},
    {5, kInt32, "field_5", nullptr},
};
const APMPBFieldDescriptor kEventConfigFields[] = {
    {1, kString, "name", nullptr}, {2, kBool, "blocklisted", nullptr},
    {3, kBool, "custom_conversion", nullptr}, {4, kInt32, "sampling_rate", nullptr},
};
const APMPBFieldDescriptor kEventFilterFields[] = {
    {1, kInt32, "filter_id", nullptr},
    {2, kString, "event_name", nullptr},
    {3, kRepMessage, "filters", D(Filter)},
    {4, kBool, "field_4", nullptr},
    {5, kMessage, "event_count_filter", D(NumberFilter)},
    {6, kBool, "dynamic", nullptr},
    {7, kBool, "sequence", nullptr},
    {8, kBool, "session_scoped", nullptr},
};
const APMPBFieldDescriptor kEventParamFields[] = {
    {1, kString, "name", nullptr},      {2, kString, "string_value", nullptr},
    {3, kInt64, "int_value", nullptr},  {4, kFloat, "float_value", nullptr},
    {5, kDouble, "double_value", nullptr},
    {6, kRepMessage, "param_value", D(EventParam)},
};
const APMPBFieldDescriptor kExperimentFields[] = {
    {1, kInt32, "experiment_id", nullptr}, {2, kRepMessage, "flags", D(Flag)},
};
const APMPBFieldDescriptor kExperimentRequestFields[] = {
    {1, kMessage, "app_property", D(AppProperty)},
    {2, kRepMessage, "client_properties", D(ClientProperty)},
};
const APMPBFieldDescriptor kExperimentResponseFields[] = {
    {1, kRepMessage, "snapshots", D(Snapshot)},
    {2, kRepMessage, "sdk_responses", D(SdkResponse)},
};
const APMPBFieldDescriptor kFilterFields[] = {
    {1, kMessage, "string_filter", D(StringFilter)},
    {2, kMessage, "number_filter", D(NumberFilter)},
    {3, kBool, "complement", nullptr},
    {4, kString, "param_name", nullptr},
};
const APMPBFieldDescriptor kFlagFields[] = {
    {1, kString, "name", nullptr},        {2, kInt64, "int_value", nullptr},
    {3, kString, "string_value", nullptr}, {4, kDouble, "double_value", nullptr},
    {5, kBool, "bool_value", nullptr},
};
const APMPBFieldDescriptor kMeasurementBatchFields[] = {
    {1, kRepMessage, "bundles", D(MeasurementBundle)},
    {7, kString, "field_7", nullptr},
};
// Index order follows the declaration order of the upload schema: wire numbers
// 26 and 27 sit at indexes 6 and 20.
const APMPBFieldDescriptor kMeasurementBundleFields[] = {
    {1, kInt32, "protocol_version", nullptr},
    {2, kRepMessage, "events", D(Event)},
    {3, kRepMessage, "user_attributes", D(UserAttribute)},
    {4, kInt64, "upload_timestamp_millis", nullptr},
    {5, kInt64, "start_timestamp_millis", nullptr},
    {6, kInt64, "end_timestamp_millis", nullptr},
    {26, kInt64, "previous_bundle_start_timestamp_millis", nullptr},
    {7, kInt64, "previous_bundle_end_timestamp_millis", nullptr},
    {8, kString, "platform", nullptr},
    {9, kString, "os_version", nullptr},
    {10, kString, "device_model", nullptr},
    {11, kString, "user_default_language", nullptr},
    {12, kInt32, "time_zone_offset_minutes", nullptr},
    {13, kString, "app_store", nullptr},
    {14, kString, "app_id", nullptr},
    {15, kInt64, "field_15", nullptr},
    {16, kString, "app_version", nullptr},
    {17, kInt64, "library_version", nullptr},
    {18, kInt64, "upload_library_version", nullptr},
    {19, kString, "resettable_device_id", nullptr},
    {27, kString, "vendor_id", nullptr},
    {20, kBool, "limited_ad_tracking", nullptr},
    {21, kString, "app_instance_id", nullptr},
    {22, kInt64, "field_22", nullptr},
    {23, kInt32, "bundle_sequence_index", nullptr},
    {24, kString, "monitoring_data", nullptr},
    {25, kString, "kvl_app_id", nullptr},
    {28, kBool, "field_28", nullptr},
    {29, kRepMessage, "audience_evaluation_results", D(AudienceLeafFilterResult)},
    {30, kString, "installation_id", nullptr},
    {31, kInt32, "app_version_major", nullptr},
    {32, kInt32, "app_version_minor", nullptr},
    {33, kInt32, "app_version_release", nullptr},
    {34, kString, "field_34", nullptr},
    {35, kInt64, "config_version", nullptr},
    {39, kInt32, "upload_retry_count", nullptr},
    {41, kString, "pellumar_app_id", nullptr},
    {45, kRepUInt32, "experiment_ids", nullptr},
    {47, kInt64, "checksum", nullptr},
    {50, kString, "field_50", nullptr},
    {52, kString, "consent_signals", nullptr},
    {53, kEnum, "tracking_authorization_status", nullptr},
    {55, kBool, "field_55", nullptr},
    {63, kString, "session_stitching_token", nullptr},
    {64, kRepString, "redacted_fields", nullptr},
    {65, kString, "ephemeral_app_instance_id", nullptr},
    {67, kInt64, "field_67", nullptr},
    {71, kString, "consent_diagnostics", nullptr},
    {72, kBool, "dma_region", nullptr},
    {73, kString, "core_platform_services", nullptr},
    {75, kString, "field_75", nullptr},
};
const APMPBFieldDescriptor kMeasurementConfigFields[] = {
    {1, kInt64, "version", nullptr},
    {2, kString, "app_id", nullptr},
    {3, kInt32, "field_3", nullptr},
    {4, kRepMessage, "settings", D(Setting)},
    {5, kRepMessage, "event_config", D(EventConfig)},
    {6, kRepMessage, "audiences", D(Audience)},
    {7, kString, "pellumar_app_id", nullptr},
    {8, kBool, "field_8", nullptr},
    {9, kRepMessage, "dynamic_event_editing", D(Program)},
    {10, kRepMessage, "data_controls", D(DataControl)},
    {11, kString, "upload_host_label", nullptr},
    {12, kString, "field_12", nullptr},
    {13, kString, "field_13", nullptr},
    {14, kString, "field_14", nullptr},
    {15, kMessage, "consent_config", D(ConsentConfig)},
    {16, kMessage, "psm_setting", D(PsmSetting)},
};
const APMPBFieldDescriptor kNumberFilterFields[] = {
    {1, kEnum, "comparison_type", nullptr},
    {2, kBool, "match_as_float", nullptr},
    {3, kString, "comparison_value", nullptr},
    {4, kString, "min_comparison_value", nullptr},
    {5, kString, "max_comparison_value", nullptr},
};
const APMPBFieldDescriptor kSornActivitiesFields[] = {
    {1, kRepMessage, "activities", D(SornActivity)},
};
const APMPBFieldDescriptor kSornActivityFields[] = {
    {1, kString, "name", nullptr}, {2, kRepMessage, "data", D(RuntimeEntity)},
};
const APMPBFieldDescriptor kProgramFields[] = {
    {1, kRepMessage, "instructions", D(RuntimeEntity)},
    {2, kMessage, "activities", D(SornActivities)},
};
const APMPBFieldDescriptor kPropertyFilterFields[] = {
    {1, kInt32, "filter_id", nullptr},
    {2, kString, "property_name", nullptr},
    {3, kMessage, "filter", D(Filter)},
    {4, kBool, "dynamic", nullptr},
    {5, kBool, "sequence", nullptr},
    {6, kBool, "session_scoped", nullptr},
};
const APMPBFieldDescriptor kPsmSettingFields[] = {
    {1, kInt32, "prefix_email_bits", nullptr},
    {2, kInt32, "prefix_phone_bits", nullptr},
    {3, kInt32, "signin_delay_days", nullptr},
};
const APMPBFieldDescriptor kRegionFields[] = {
    {1, kString, "field_1", nullptr}, {2, kString, "field_2", nullptr},
};
const APMPBFieldDescriptor kResultDataFields[] = {
    {1, kRepUInt64, "results", nullptr},
    {2, kRepUInt64, "status", nullptr},
    {3, kRepMessage, "dynamic_filter_timestamps", D(DynamicFilterResultTimestamp)},
    {4, kRepMessage, "sequence_filter_timestamps", D(SequenceFilterResultTimestamp)},
};
const APMPBFieldDescriptor kRuntimeEntityFields[] = {
    {1, kEnum, "type", nullptr},
    {2, kRepMessage, "value", D(RuntimeEntity)},
    {3, kString, "function_name", nullptr},
    {4, kString, "string_value", nullptr},
    {5, kBool, "bool_value", nullptr},
    {6, kDouble, "number_value", nullptr},
};
const APMPBFieldDescriptor kSdkResponseFields[] = {
    {1, kString, "sdk_name", nullptr},
    {2, kEnum, "status", nullptr},
    {3, kMessage, "snapshot", D(Snapshot)},
};
const APMPBFieldDescriptor kSequenceFilterResultTimestampFields[] = {
    {1, kInt32, "filter_id", nullptr}, {2, kRepInt64, "eval_timestamps", nullptr},
};
const APMPBFieldDescriptor kSettingFields[] = {
    {1, kString, "key", nullptr}, {2, kString, "value", nullptr},
};
const APMPBFieldDescriptor kSkAdNetworkConversionValueRequestFields[] = {
    {1, kInt64, "library_version", nullptr},
    {2, kString, "app_id", nullptr},
    {3, kString, "app_instance_id", nullptr},
    {4, kString, "skan_version", nullptr},
    {5, kInt64, "evaluation_event_time_millis", nullptr},
    {6, kInt64, "last_uploaded_event_time_millis", nullptr},
};
const APMPBFieldDescriptor kSkAdNetworkConversionValueResponseFields[] = {
    {1, kEnum, "status", nullptr},
    {2, kString, "field_2", nullptr},
    {3, kInt32, "fine_value", nullptr},
    {4, kEnum, "coarse_value", nullptr},
    {5, kBool, "lock_window", nullptr},
    {6, kInt64, "result_time_millis", nullptr},
    {7, kInt64, "event_time_millis", nullptr},
    {8, kInt64, "update_backoff_millis", nullptr},
};
const APMPBFieldDescriptor kSnapshotFields[] = {
    {1, kString, "sdk_name", nullptr}, {2, kRepMessage, "experiments", D(Experiment)},
};
const APMPBFieldDescriptor kStringFilterFields[] = {
    {1, kEnum, "match_type", nullptr},
    {2, kString, "expression", nullptr},
    {3, kBool, "case_sensitive", nullptr},
    {4, kRepString, "expression_list", nullptr},
};
const APMPBFieldDescriptor kUserAttributeFields[] = {
    {1, kInt64, "set_timestamp_millis", nullptr},
    {2, kString, "name", nullptr},
    {3, kString, "string_value", nullptr},
    {4, kInt64, "int_value", nullptr},
    {5, kFloat, "float_value", nullptr},
    {6, kDouble, "double_value", nullptr},
};

#undef D

}  // namespace

#define APMPB_DEFINE_DESCRIPTOR(N)                                                           \
  const APMPBMessageDescriptor kAPMPB##N##Descriptor = {                                     \
      k##N##Id, #N, static_cast<uint32_t>(sizeof(k##N##Fields) / sizeof(k##N##Fields[0])), \
      k##N##Fields, &apm_##N##_msg, sizeof(apm_##N)};
APMPB_MESSAGE_LIST(APMPB_DEFINE_DESCRIPTOR)
#undef APMPB_DEFINE_DESCRIPTOR

const APMPBMessageDescriptor* const* APMPBAllMessageDescriptors() {
#define APMPB_ADDRESS(N) &kAPMPB##N##Descriptor,
  static const APMPBMessageDescriptor* const kAll[] = {APMPB_MESSAGE_LIST(APMPB_ADDRESS)};
#undef APMPB_ADDRESS
  static_assert(sizeof(kAll) / sizeof(kAll[0]) == kAPMPBMessageCount);
  return kAll;
}

const APMPBMessageDescriptor* APMPBFindMessageDescriptor(const char* name) {
  if (name == nullptr) return nullptr;
  const APMPBMessageDescriptor* const* all = APMPBAllMessageDescriptors();
  for (size_t i = 0; i < kAPMPBMessageCount; ++i) {
    if (std::strcmp(all[i]->name, name) == 0) return all[i];
  }
  return nullptr;
}
