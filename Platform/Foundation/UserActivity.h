// An activity the user continues in the app (a handed-off or universal-link
// web page): its type and, for web browsing, the page's URL.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The type of an activity that continues a web page in the app.
inline constexpr const char* kUserActivityTypeBrowsingWeb = "NSUserActivityTypeBrowsingWeb";

struct UserActivity {
  std::string activityType;
  std::optional<std::string> webpageURL;
  friend bool operator==(const UserActivity&, const UserActivity&) = default;
};

}  // namespace platform
