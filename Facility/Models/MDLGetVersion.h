#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Version reply. Its fields share the keys of the token reply ("MessageCode", "access_token",
// "refresh_token"), so a version reply fills them only from those keys.
struct MDLGetVersion {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::string> iosVesion{};
  std::optional<std::string> title{};
  std::optional<std::string> updateMessage{};
  std::optional<std::string> version{};

  friend bool operator==(const MDLGetVersion&, const MDLGetVersion&) = default;
};
FACILITY_WIRE_RECORD(MDLGetVersion, kDecode, false)
