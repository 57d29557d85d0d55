#include "Facility/Network/HUNetworkError.h"

#include "Platform/Foundation/Utf8.h"

namespace {

std::optional<std::string> AsText(const std::optional<std::string>& bytes) {
  if (!bytes || !platform::Utf8::isValid(*bytes)) return std::nullopt;
  return bytes;
}

}  // namespace

HUNetworkError HUNetworkError::make(const std::optional<std::string>& replyBody, const platform::URL& url,
                                    const std::optional<std::string>& requestBody, std::optional<std::string> reason,
                                    std::optional<long> statusCode) {
  return HUNetworkError{.reason = std::move(reason),
                        .httpStatusCode = statusCode,
                        .requestUrl = url,
                        .requestBody = AsText(requestBody),
                        .serverResponse = AsText(replyBody)};
}
