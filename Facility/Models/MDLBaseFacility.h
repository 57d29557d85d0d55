#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"
#include "Facility/Models/MDLLocation.h"

// Reply: the locations a facility administrator manages.
struct MDLBaseFacility {
  std::optional<bool> IsSuccess{};
  std::optional<std::string> Message{};
  std::optional<std::vector<MDLLocation>> locations{};

  friend bool operator==(const MDLBaseFacility&, const MDLBaseFacility&) = default;
};
FACILITY_WIRE_RECORD(MDLBaseFacility, kDecode, false)
