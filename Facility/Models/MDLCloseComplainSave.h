#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Status-only reply to closing a complaint.
struct MDLCloseComplainSave {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};

  friend bool operator==(const MDLCloseComplainSave&, const MDLCloseComplainSave&) = default;
};
FACILITY_WIRE_RECORD(MDLCloseComplainSave, kDecode, false)
