#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"
#include "Facility/Models/MDLLocation.h"

// One building with its floors (inside the allotted-facility reply).
struct MDLVisitorBuilding {
  std::optional<std::string> text{};
  std::optional<std::string> value{};
  std::optional<std::vector<MDLLocation>> floorList{};

  friend bool operator==(const MDLVisitorBuilding&, const MDLVisitorBuilding&) = default;
};
FACILITY_WIRE_RECORD(MDLVisitorBuilding, kDecode, false)
