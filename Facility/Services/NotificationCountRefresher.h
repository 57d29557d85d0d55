// On entering the foreground: the unread broadcast count, posted to the
// screens as "updateNotificationCount" with "notifCount".
#pragma once

#include "Facility/Network/DataResponse.h"
#include "Facility/Models/NotificationCountModel.h"
#include "Facility/Widgets/NotificationCountPost.h"

class NotificationCountRefresher {
 public:
  static constexpr const char* kNotificationName = NotificationCountPost::kName;
  static constexpr const char* kCountKey = NotificationCountPost::kCountKey;

  // Signed in: fetches the count; signed out: posts "0" at once.
  static void refreshNotificationCount();
  // Posts the count of a successful reply ("0" without "Total"); nothing otherwise.
  static void postNotificationCount(const DataResponse<NotificationCountModel>& response);
};
