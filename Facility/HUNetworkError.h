#pragma once
#include <optional>
#include <string>

#include "Platform/Foundation/URL.h"

// Why a request of HttpUtility failed. `reason` is set only for transport,
// decoding or usage failures; a refused request (non-2xx) carries the status
// and the body instead.
struct HUNetworkError {
  std::optional<std::string> reason;
  std::optional<long> httpStatusCode;
  std::optional<platform::URL> requestUrl;
  std::optional<std::string> requestBody;
  std::optional<std::string> serverResponse;
};
