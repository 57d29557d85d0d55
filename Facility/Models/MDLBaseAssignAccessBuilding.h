#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"
#include "Facility/Models/MDLBaseAssignFloor.h"

// One assignable building. Shared. "DefaultUp"/"DefaultDown" fill the value texts; defaultUp and
// defaultDown are the very floor objects of floorList that carry those values (first match).
struct MDLBaseAssignAccessBuilding {
  std::optional<std::string> text{};
  std::optional<std::string> value{};
  std::optional<std::vector<std::shared_ptr<MDLBaseAssignFloor>>> floorList{};
  std::optional<std::string> defaultUpValue{};
  std::optional<std::string> defaultDownValue{};
  bool isSelected = false;  // local only
  std::shared_ptr<MDLBaseAssignFloor> defaultUp;  // local only
  std::shared_ptr<MDLBaseAssignFloor> defaultDown;  // local only

  // First floor of floorList whose value equals `v`, or nullptr.
  std::shared_ptr<MDLBaseAssignFloor> floorWithValue(const std::optional<std::string>& v) const;
};
FACILITY_WIRE_RECORD(MDLBaseAssignAccessBuilding, kDecode, true)
