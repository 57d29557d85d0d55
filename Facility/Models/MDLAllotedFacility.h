#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"
#include "Facility/Models/MDLVisitorBuilding.h"

// Parking occupancy of one vehicle type.
struct MDLOccupancy {
  std::optional<std::string> vehicleType{};
  std::optional<std::string> total{};
  std::optional<std::string> occupied{};
  std::optional<std::string> free{};

  friend bool operator==(const MDLOccupancy&, const MDLOccupancy&) = default;
};
FACILITY_WIRE_RECORD(MDLOccupancy, kDecode, false)

// Counters of one identity type.
struct MDLIdentity {
  std::optional<std::string> identityType{};
  std::optional<std::string> total{};
  std::optional<std::string> occupied{};
  std::optional<std::string> free{};

  friend bool operator==(const MDLIdentity&, const MDLIdentity&) = default;
};
FACILITY_WIRE_RECORD(MDLIdentity, kDecode, false)

// One parking tile of the allotted facility.
struct MDLAllottedParkingTileList {
  std::optional<std::string> tileId{};
  std::optional<std::string> timeName{};
  std::optional<std::vector<MDLOccupancy>> occupancyList{};

  friend bool operator==(const MDLAllottedParkingTileList&, const MDLAllottedParkingTileList&) = default;
};
FACILITY_WIRE_RECORD(MDLAllottedParkingTileList, kDecode, false)

// Reply: what a tenant has been allotted in the building.
struct MDLAllotedFacility {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::vector<MDLVisitorBuilding>> buildingList{};
  std::optional<std::vector<MDLAllottedParkingTileList>> parkingTileList{};
  std::optional<std::vector<MDLIdentity>> identityList{};

  friend bool operator==(const MDLAllotedFacility&, const MDLAllotedFacility&) = default;
};
FACILITY_WIRE_RECORD(MDLAllotedFacility, kDecode, false)
