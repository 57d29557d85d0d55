#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// Status-only reply to a visitor invitation and to a complaint save.
struct MDLInviteVisitor {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};

  friend bool operator==(const MDLInviteVisitor&, const MDLInviteVisitor&) = default;
};
FACILITY_WIRE_RECORD(MDLInviteVisitor, kDecode, false)
