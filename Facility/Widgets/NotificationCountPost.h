// The post that carries the unread count to the dashboard bar's badge; the
// notification-count refresher above sends it.
#pragma once

namespace NotificationCountPost {
inline constexpr const char* kName = "updateNotificationCount";
inline constexpr const char* kCountKey = "notifCount";
}  // namespace NotificationCountPost
