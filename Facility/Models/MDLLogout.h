#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Status-only reply to logout.
struct MDLLogout {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};

  friend bool operator==(const MDLLogout&, const MDLLogout&) = default;
};
FACILITY_WIRE_RECORD(MDLLogout, kDecode, false)
