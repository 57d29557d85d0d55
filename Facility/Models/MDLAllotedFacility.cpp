#include "Facility/Models/MDLAllotedFacility.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLOccupancy>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLOccupancy", {
        field<&MDLOccupancy::vehicleType>("VehicalType"),
        field<&MDLOccupancy::total>("Total"),
        field<&MDLOccupancy::occupied>("Occupied"),
        field<&MDLOccupancy::free>("Free"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLIdentity>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLIdentity", {
        field<&MDLIdentity::identityType>("IdentityType"),
        field<&MDLIdentity::total>("Total"),
        field<&MDLIdentity::occupied>("Occupied"),
        field<&MDLIdentity::free>("Free"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLAllottedParkingTileList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLAllottedParkingTileList", {
        field<&MDLAllottedParkingTileList::tileId>("TileId"),
        field<&MDLAllottedParkingTileList::timeName>("TileName"),
        field<&MDLAllottedParkingTileList::occupancyList>("OccupancyList"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLAllotedFacility>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLAllotedFacility", {
        field<&MDLAllotedFacility::isSuccess>("IsSuccess"),
        field<&MDLAllotedFacility::message>("Message"),
        field<&MDLAllotedFacility::buildingList>("BuildingList"),
        field<&MDLAllotedFacility::parkingTileList>("ParkingTileList"),
        field<&MDLAllotedFacility::identityList>("IdentityList"),
      });
    return t;
  }();
  return table;
}
