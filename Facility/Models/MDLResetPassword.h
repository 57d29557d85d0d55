#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Status-only reply to resetting a password.
struct MDLResetPassword {
  std::optional<bool> IsSuccess{};
  std::optional<std::string> Message{};

  friend bool operator==(const MDLResetPassword&, const MDLResetPassword&) = default;
};
FACILITY_WIRE_RECORD(MDLResetPassword, kDecode, false)
