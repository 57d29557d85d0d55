#pragma once
#include <optional>
#include <string>

#include "Platform/Foundation/URL.h"

// Why a request of HttpUtility failed. `reason` is set only for transport or
// usage failures; an empty, refused (non-2xx) or undecodable reply carries
// the status and the body instead.
struct HUNetworkError {
  std::optional<std::string> reason;
  std::optional<long> httpStatusCode;
  std::optional<platform::URL> requestUrl;
  std::optional<std::string> requestBody;
  std::optional<std::string> serverResponse;

  // Bodies that are not valid UTF-8 are left absent; an empty body is "".
  static HUNetworkError make(const std::optional<std::string>& replyBody, const platform::URL& url,
                             const std::optional<std::string>& requestBody, std::optional<std::string> reason,
                             std::optional<long> statusCode);
};
