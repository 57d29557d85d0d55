#pragma once
#include <optional>
#include <string_view>

enum class HUHttpMethods { GET, POST, PUT, DELETE };

inline const char* HUHttpMethodName(HUHttpMethods method) {
  switch (method) {
    case HUHttpMethods::GET: return "GET";
    case HUHttpMethods::POST: return "POST";
    case HUHttpMethods::PUT: return "PUT";
    case HUHttpMethods::DELETE: return "DELETE";
  }
  return "GET";
}

// The method whose raw value is exactly `text` (case-sensitive), else none.
inline std::optional<HUHttpMethods> HUHttpMethodFromRawValue(std::string_view text) {
  for (auto m : {HUHttpMethods::GET, HUHttpMethods::POST, HUHttpMethods::PUT, HUHttpMethods::DELETE}) {
    if (text == HUHttpMethodName(m)) return m;
  }
  return std::nullopt;
}
