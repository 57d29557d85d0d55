// Text of the console log block of a web exchange. Secrets never reach the
// log: the values of password, code and token keys and the Authorization
// header print as "***", and any value over 512 bytes prints as its first 64
// bytes plus its length, so photo uploads do not flood the console.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Platform/Foundation/Value.h"

class ExchangeLog {
 public:
  static constexpr std::size_t kLongValueBytes = 512;
  static constexpr std::size_t kShownBytes = 64;
  static constexpr const char* kMask = "***";
  static constexpr const char* kSeparator = "- - - - - - - - - - - - - - - - - - - - ";

  static bool isSecretRequestKey(std::string_view key);
  static bool isSecretReplyKey(std::string_view key);
  // Over 512 bytes: the first 64 (whole characters) and "…(N bytes)".
  static std::string shorten(std::string_view text);
  static platform::Value maskedParameters(const platform::Value::Dictionary& params);
  // A JSON reply with its secret values masked and long values shortened;
  // any other text only shortened.
  static std::string maskedReply(std::string_view body);
  // Dictionary and list text in the platform's debug form: ["k": "v"], [:].
  static std::string describe(const platform::Value& value);

  static std::string exchangeBlock(const std::string& method, const std::string& url, int status,
                                   const std::optional<platform::Value::Dictionary>& params,
                                   const std::vector<std::pair<std::string, std::string>>& headers,
                                   const std::string& responseDescription);
  static std::string rawBlock(const std::string& url, const std::string& rawDescription);
};
