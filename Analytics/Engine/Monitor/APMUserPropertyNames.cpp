#include "Analytics/Engine/Monitor/APMUserPropertyNames.h"

const platform::Value::Dictionary& APMPublicToInternalUserPropertyNames() {
  static const auto* table = new platform::Value::Dictionary{
      {"quorvane_last_notification", "_ln"},
      {"first_open_after_install", "_fi"},
      {"first_open_time", "_fot"},
      {"tq_session_id", "_sid"},
      {"tq_session_number", "_sno"},
      {"last_advertising_id_reset", "_lair"},
      {"last_deep_link_referrer", "_ldl"},
      {"lifetime_user_engagement", "_lte"},
      {"session_user_engagement", "_se"},
      {"user_id", "_id"},
  };
  return *table;
}
