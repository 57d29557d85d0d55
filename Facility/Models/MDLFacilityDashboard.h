#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/RecordType.h"

// One occupancy row; "VehicalType" "0" is a two-wheeler.
struct MDLParkingTile {
  std::optional<std::string> vehicalType{};
  std::optional<std::string> total{};
  std::optional<std::string> occupied{};
  std::optional<std::string> free{};

  friend bool operator==(const MDLParkingTile&, const MDLParkingTile&) = default;
};
FACILITY_WIRE_RECORD(MDLParkingTile, kDecode, false)

// One tenant's parking.
struct MDLParkingTenantTile {
  std::optional<std::string> tenantName{};
  std::optional<std::vector<MDLParkingTile>> parkingTileList{};

  friend bool operator==(const MDLParkingTenantTile&, const MDLParkingTenantTile&) = default;
};
FACILITY_WIRE_RECORD(MDLParkingTenantTile, kDecode, false)

// One parking tile; "GlobalTile" is an array here.
struct MDLParkingTileList {
  std::optional<std::string> tileId{};
  std::optional<std::string> tileName{};
  std::optional<std::vector<MDLParkingTile>> globalTiles{};
  std::optional<std::vector<MDLParkingTenantTile>> tenantTiles{};
  int selectedSegmentIndex = 0;  // local only

  friend bool operator==(const MDLParkingTileList&, const MDLParkingTileList&) = default;
};
FACILITY_WIRE_RECORD(MDLParkingTileList, kDecode, false)

// Facility-wide visitor counters.
struct MDLVisitorGlobalTile {
  std::optional<std::string> total{};
  std::optional<std::string> In{};
  std::optional<std::string> out{};

  friend bool operator==(const MDLVisitorGlobalTile&, const MDLVisitorGlobalTile&) = default;
};
FACILITY_WIRE_RECORD(MDLVisitorGlobalTile, kDecode, false)

// One tenant's visitor counters.
struct MDLVisitorTenantTile {
  std::optional<std::string> tenantName{};
  std::optional<std::string> total{};
  std::optional<std::string> In{};
  std::optional<std::string> out{};

  friend bool operator==(const MDLVisitorTenantTile&, const MDLVisitorTenantTile&) = default;
};
FACILITY_WIRE_RECORD(MDLVisitorTenantTile, kDecode, false)

// One visitor tile; "GlobalTile" is a single object here.
struct MDLVisitorTileList {
  std::optional<std::string> tileId{};
  std::optional<std::string> tileName{};
  std::optional<MDLVisitorGlobalTile> globalTile{};
  std::optional<std::vector<MDLVisitorTenantTile>> tenantTiles{};
  int selectedSegmentIndex = 0;  // local only

  friend bool operator==(const MDLVisitorTileList&, const MDLVisitorTileList&) = default;
};
FACILITY_WIRE_RECORD(MDLVisitorTileList, kDecode, false)

// Reply: the tiles of one facility location.
struct MDLFacilityDashboard {
  std::optional<bool> isSuccess{};
  std::optional<std::string> message{};
  std::optional<std::vector<MDLParkingTileList>> parkingTileList{};
  std::optional<std::vector<MDLVisitorTileList>> visitorTileList{};

  friend bool operator==(const MDLFacilityDashboard&, const MDLFacilityDashboard&) = default;
};
FACILITY_WIRE_RECORD(MDLFacilityDashboard, kDecode, false)
