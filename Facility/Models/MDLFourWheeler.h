#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One four-wheeler parking place. Shared, ticked in place.
struct MDLFourWheeler {
  std::optional<std::string> text{};
  std::optional<std::string> value{};
  std::optional<bool> isSelected{};
};
FACILITY_WIRE_RECORD(MDLFourWheeler, kDecode, true)
