#include "Facility/Models/MDLFacilityDashboard.h"

#include <nlohmann/json.hpp>

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLParkingTile>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLParkingTile", {
        field<&MDLParkingTile::vehicalType>("VehicalType"),
        field<&MDLParkingTile::total>("Total"),
        field<&MDLParkingTile::occupied>("Occupied"),
        field<&MDLParkingTile::free>("Free"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLParkingTenantTile>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLParkingTenantTile", {
        field<&MDLParkingTenantTile::tenantName>("TenantName"),
        field<&MDLParkingTenantTile::parkingTileList>("ParkingTileList"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLParkingTileList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLParkingTileList", {
        field<&MDLParkingTileList::tileId>("TileId"),
        field<&MDLParkingTileList::tileName>("TileName"),
        field<&MDLParkingTileList::globalTiles>("GlobalTile"),
        field<&MDLParkingTileList::tenantTiles>("TenantTile"),
      });
    t.describeLocals = [](const void* r, nlohmann::ordered_json& out) {
      const auto& rec = *static_cast<const MDLParkingTileList*>(r);
      out["selectedSegmentIndex"] = rec.selectedSegmentIndex;
    };
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLVisitorGlobalTile>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLVisitorGlobalTile", {
        field<&MDLVisitorGlobalTile::total>("Total"),
        field<&MDLVisitorGlobalTile::In>("In"),
        field<&MDLVisitorGlobalTile::out>("Out"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLVisitorTenantTile>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLVisitorTenantTile", {
        field<&MDLVisitorTenantTile::tenantName>("TenantName"),
        field<&MDLVisitorTenantTile::total>("Total"),
        field<&MDLVisitorTenantTile::In>("In"),
        field<&MDLVisitorTenantTile::out>("Out"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLVisitorTileList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLVisitorTileList", {
        field<&MDLVisitorTileList::tileId>("TileId"),
        field<&MDLVisitorTileList::tileName>("TileName"),
        field<&MDLVisitorTileList::globalTile>("GlobalTile"),
        field<&MDLVisitorTileList::tenantTiles>("TenantTile"),
      });
    t.describeLocals = [](const void* r, nlohmann::ordered_json& out) {
      const auto& rec = *static_cast<const MDLVisitorTileList*>(r);
      out["selectedSegmentIndex"] = rec.selectedSegmentIndex;
    };
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLFacilityDashboard>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLFacilityDashboard", {
        field<&MDLFacilityDashboard::isSuccess>("IsSuccess"),
        field<&MDLFacilityDashboard::message>("Message"),
        field<&MDLFacilityDashboard::parkingTileList>("ParkingTileList"),
        field<&MDLFacilityDashboard::visitorTileList>("VisitorTileList"),
      });
    return t;
  }();
  return table;
}
