#include "Facility/Models/MDLUserDashboard.h"

#include <nlohmann/json.hpp>

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLDefaultFloor>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLDefaultFloor", {
        field<&MDLDefaultFloor::text>("Text"),
        field<&MDLDefaultFloor::value>("Value"),
        field<&MDLDefaultFloor::type>("Type"),
      });
    t.describeLocals = [](const void* r, nlohmann::ordered_json& out) {
      const auto& rec = *static_cast<const MDLDefaultFloor*>(r);
      out["isSelected"] = rec.isSelected;
    };
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLFloorSelection>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLFloorSelection", {
        field<&MDLFloorSelection::text>("Text"),
        field<&MDLFloorSelection::value>("Value"),
      });
    t.describeLocals = [](const void* r, nlohmann::ordered_json& out) {
      const auto& rec = *static_cast<const MDLFloorSelection*>(r);
      out["isSelected"] = rec.isSelected;
    };
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLBuildingList>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLBuildingList", {
        field<&MDLBuildingList::text>("Text"),
        field<&MDLBuildingList::value>("Value"),
        field<&MDLBuildingList::defaultFloorList>("DefaultFloorList"),
        field<&MDLBuildingList::floorSelectionlist>("FloorSelectionList"),
      });
    return t;
  }();
  return table;
}

const wire::RecordType& wire::RecordTraits<MDLUserDashboard>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLUserDashboard", {
        field<&MDLUserDashboard::isSuccess>("IsSuccess"),
        field<&MDLUserDashboard::isInviteVisitor>("IsInviteVisitor"),
        field<&MDLUserDashboard::message>("Message"),
        field<&MDLUserDashboard::name>("Name"),
        field<&MDLUserDashboard::tagId>("TagId"),
        field<&MDLUserDashboard::mobile>("Mobile"),
        field<&MDLUserDashboard::carSpace>("CarSpace"),
        field<&MDLUserDashboard::bikeSpace>("BikeSpace"),
        field<&MDLUserDashboard::buildingList>("BuildingList"),
      },
      {"IsSuccess", "Message", "Name", "TagId", "Mobile", "CarSpace", "BikeSpace", "BuildingList", "IsInviteVisitor"});
    return t;
  }();
  return table;
}
