#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"
#include "Platform/Foundation/Value.h"

// One floor of an assignable building. Shared: screens tick it in place through any holder.
struct MDLBaseAssignFloor {
  std::optional<std::string> text{};
  std::optional<std::string> value{};
  std::optional<bool> isSelected{};

  // "value" and "text" (empty when absent) and "isSelected" (false when absent).
  platform::Value::Dictionary dictionary() const;
};
FACILITY_WIRE_RECORD(MDLBaseAssignFloor, kDecode, true)
