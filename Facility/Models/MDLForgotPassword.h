#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Status-only reply to a forgotten-password request.
struct MDLForgotPassword {
  std::optional<bool> IsSuccess{};
  std::optional<std::string> Message{};

  friend bool operator==(const MDLForgotPassword&, const MDLForgotPassword&) = default;
};
FACILITY_WIRE_RECORD(MDLForgotPassword, kDecode, false)
