#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"
#include "Facility/Models/MDLBaseAssignAccessBuilding.h"
#include "Facility/Models/MDLTwoWheeler.h"
#include "Facility/Models/MDLFourWheeler.h"

// Reply: the form data of the access-assignment screen. Shared.
struct MDLBaseAssignAccess {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::vector<std::shared_ptr<MDLBaseAssignAccessBuilding>>> buildingList{};
  std::optional<std::vector<std::shared_ptr<MDLTwoWheeler>>> twoWheelerParkingList{};
  std::optional<std::vector<std::shared_ptr<MDLFourWheeler>>> fourWheelerParkingList{};
};
FACILITY_WIRE_RECORD(MDLBaseAssignAccess, kDecode, true)
