#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Reply of the access-token refresh.
struct MDLGetAccessToken {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::string> messageCode{};
  std::optional<std::string> access_token{};
  std::optional<std::string> refresh_token{};

  friend bool operator==(const MDLGetAccessToken&, const MDLGetAccessToken&) = default;
};
FACILITY_WIRE_RECORD(MDLGetAccessToken, kDecode, false)
