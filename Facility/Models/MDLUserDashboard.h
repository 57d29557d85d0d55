#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One default floor of a building.
struct MDLDefaultFloor {
  std::optional<std::string> text{};
  std::optional<std::string> value{};
  std::optional<std::string> type{};
  bool isSelected = false;  // local only

  friend bool operator==(const MDLDefaultFloor&, const MDLDefaultFloor&) = default;
};
FACILITY_WIRE_RECORD(MDLDefaultFloor, kDecode, false)

// One floor the user may choose as lift destination.
struct MDLFloorSelection {
  std::optional<std::string> text{};
  std::optional<std::string> value{};
  bool isSelected = false;  // local only

  friend bool operator==(const MDLFloorSelection&, const MDLFloorSelection&) = default;
};
FACILITY_WIRE_RECORD(MDLFloorSelection, kDecode, false)

// One building the user may enter.
struct MDLBuildingList {
  std::optional<std::string> text{};
  std::optional<std::string> value{};
  std::optional<std::vector<MDLDefaultFloor>> defaultFloorList{};
  std::optional<std::vector<MDLFloorSelection>> floorSelectionlist{};

  friend bool operator==(const MDLBuildingList&, const MDLBuildingList&) = default;
};
FACILITY_WIRE_RECORD(MDLBuildingList, kDecode, false)

// Reply of the plain user's dashboard.
struct MDLUserDashboard {
  std::optional<bool> isSuccess{};
  std::optional<bool> isInviteVisitor{};
  std::optional<std::string> message{};
  std::optional<std::string> name{};
  std::optional<std::string> tagId{};
  std::optional<std::string> mobile{};
  std::optional<std::string> carSpace{};
  std::optional<std::string> bikeSpace{};
  std::optional<std::vector<MDLBuildingList>> buildingList{};

  friend bool operator==(const MDLUserDashboard&, const MDLUserDashboard&) = default;
};
FACILITY_WIRE_RECORD(MDLUserDashboard, kDecode, false)
