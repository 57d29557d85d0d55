// The dashboards' toast for a failed web reply: the reply's own message,
// else the failure's description, else a generic text.
#pragma once

#include <optional>
#include <string>

#include "Facility/Network/DataResponse.h"
#include "Facility/Widgets/AppToastAlert.h"

class FailureToast {
 public:
  static constexpr const char* kFallback = "Something went wrong!";

  static std::string text(const std::optional<std::string>& message, const std::optional<AFError>& error) {
    if (message) return *message;
    if (error) return error->localizedDescription;
    return kFallback;
  }
};

template <class R>
void showFailureToast(const DataResponse<R>& response, const std::optional<std::string>& message) {
  AppToastAlert::show(ToastPosition::bottom, FailureToast::text(message, response.error));
}
