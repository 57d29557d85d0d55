#include "Analytics/Engine/APMParameterNames.h"

const std::vector<std::pair<std::string, std::string>>& APMPublicToInternalParameterNamePairs() {
  static const auto* pairs = new std::vector<std::pair<std::string, std::string>>{
      {"ad_event_id", "_aeid"},
      {"ad_unit_id", "_ai"},
      {"app_in_background", "_aib"},
      {"deferred_analytics_collection", "_dac"},
      {"engagement_time_msec", "_et"},
      {"exposure_time", "_xt"},
      {"quorvane_conversion", "_c"},
      {"quorvane_debug", "_dbg"},
      {"quorvane_error", "_err"},
      {"quorvane_error_length", "_el"},
      {"quorvane_error_value", "_ev"},
      {"quorvane_event_origin", "_o"},
      {"quorvane_feature_rollouts", "_ffr"},
      {"quorvane_previous_class", "_pc"},
      {"quorvane_previous_id", "_pi"},
      {"quorvane_previous_screen", "_pn"},
      {"quorvane_realtime", "_r"},
      {"quorvane_screen", "_sn"},
      {"quorvane_screen_class", "_sc"},
      {"quorvane_screen_id", "_si"},
      {"tq_conversion", "_c"},
      {"tq_debug", "_dbg"},
      {"tq_dedupe_id", "_did"},
      {"tq_error", "_err"},
      {"tq_error_length", "_el"},
      {"tq_error_value", "_ev"},
      {"tq_event_id", "_eid"},
      {"tq_event_name", "_en"},
      {"tq_event_origin", "_o"},
      {"tq_extra_params_ct", "_epc"},
      {"tq_group_name", "_gn"},
      {"tq_index", "_i"},
      {"tq_list_length", "_ll"},
      {"tq_previous_class", "_pc"},
      {"tq_previous_id", "_pi"},
      {"tq_previous_screen", "_pn"},
      {"tq_realtime", "_r"},
      {"tq_screen", "_sn"},
      {"tq_screen_class", "_sc"},
      {"tq_screen_id", "_si"},
      {"message_id", "_nmid"},
      {"message_name", "_nmn"},
      {"message_time", "_nmt"},
      {"message_tracking_id", "_nmtid"},
      {"message_type", "_nmc"},
      {"message_device_time", "_ndt"},
      {"previous_app_version", "_pv"},
      {"previous_first_open_count", "_pfo"},
      {"previous_kvl_app_id", "_pkvl"},
      {"previous_os_version", "_po"},
      {"session_id", "_sid"},
      {"session_number", "_sno"},
      {"topic", "_nt"},
      {"update_with_analytics", "_uwa"},
  };
  return *pairs;
}

const platform::Value::Dictionary& APMPublicToInternalParameterNames() {
  static const auto* table = [] {
    auto* dictionary = new platform::Value::Dictionary;
    for (const auto& [publicName, internalName] : APMPublicToInternalParameterNamePairs()) {
      (*dictionary)[publicName] = platform::Value(internalName);
    }
    return dictionary;
  }();
  return *table;
}
