#include "Analytics/Engine/APMDictionaryQuery.h"

#include <vector>

#include "Analytics/Engine/APMStringAdditions.h"

std::string APMQueryText(const platform::Value& value) {
  switch (value.type()) {
    case platform::Value::Type::kString:
      return *value.getString();
    case platform::Value::Type::kInteger:
      return std::to_string(*value.getInt());
    case platform::Value::Type::kBool:
      return *value.getBool() ? "1" : "0";
    case platform::Value::Type::kDouble:
      return platform::FormatDouble(*value.getDouble());
    default:
      return value.description();
  }
}

std::string apm_queryString(const platform::Value::Dictionary& dictionary) {
  std::string out;
  for (const auto& [key, value] : dictionary) {
    if (!out.empty()) out += "&";
    out += APMPercentEncodeQueryComponent(key) + "=" + APMPercentEncodeQueryComponent(APMQueryText(value));
  }
  return out;
}

std::map<std::string, std::string> apm_dictionaryWithHttpArgumentsString(std::string_view text) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (true) {
    size_t amp = text.find('&', start);
    pieces.push_back(text.substr(start, amp == std::string_view::npos ? std::string_view::npos : amp - start));
    if (amp == std::string_view::npos) break;
    start = amp + 1;
  }
  std::map<std::string, std::string> out;
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
    std::string_view piece = *it;
    if (piece.empty()) continue;
    size_t equals = piece.find('=');
    std::string_view rawKey = equals == std::string_view::npos ? piece : piece.substr(0, equals);
    std::string_view rawValue = equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1);
    std::string key = apm_stringByUnescapingFromURLArgument(rawKey).value_or("");
    std::string value = apm_stringByUnescapingFromURLArgument(rawValue).value_or("");
    out[key] = value;  // walking backwards, so the first occurrence is written last
  }
  return out;
}
