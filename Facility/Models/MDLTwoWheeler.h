#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One two-wheeler parking place. Shared, ticked in place.
struct MDLTwoWheeler {
  std::optional<std::string> text{};
  std::optional<std::string> value{};
  std::optional<bool> isSelected{};
};
FACILITY_WIRE_RECORD(MDLTwoWheeler, kDecode, true)
