#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Status-only reply to saving an access assignment.
struct MDLAssignAccess {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};

  friend bool operator==(const MDLAssignAccess&, const MDLAssignAccess&) = default;
};
FACILITY_WIRE_RECORD(MDLAssignAccess, kDecode, false)
