#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Status-only reply to setting a password.
struct MDLSetPassword {
  std::optional<bool> IsSuccess{};
  std::optional<std::string> Message{};

  friend bool operator==(const MDLSetPassword&, const MDLSetPassword&) = default;
};
FACILITY_WIRE_RECORD(MDLSetPassword, kDecode, false)
