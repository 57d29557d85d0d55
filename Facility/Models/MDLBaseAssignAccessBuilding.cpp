#include "Facility/Models/MDLBaseAssignAccessBuilding.h"

#include <nlohmann/json.hpp>

#include "Facility/Models/RecordEncoder.h"

using wire::field;

const wire::RecordType& wire::RecordTraits<MDLBaseAssignAccessBuilding>::type() {
  static const RecordType table = [] {
    RecordType t = makeRecordType("MDLBaseAssignAccessBuilding", {
        field<&MDLBaseAssignAccessBuilding::text>("Text"),
        field<&MDLBaseAssignAccessBuilding::value>("Value"),
        field<&MDLBaseAssignAccessBuilding::floorList>("FloorList"),
        field<&MDLBaseAssignAccessBuilding::defaultUpValue>("DefaultUp"),
        field<&MDLBaseAssignAccessBuilding::defaultDownValue>("DefaultDown"),
      });
    t.finish = [](void* r) {
      auto& b = *static_cast<MDLBaseAssignAccessBuilding*>(r);
      b.defaultUp = b.floorWithValue(b.defaultUpValue);
      b.defaultDown = b.floorWithValue(b.defaultDownValue);
    };
    t.describeLocals = [](const void* r, nlohmann::ordered_json& out) {
      const auto& b = *static_cast<const MDLBaseAssignAccessBuilding*>(r);
      out["isSelected"] = b.isSelected;
      const auto& floor = wire::RecordTraits<MDLBaseAssignFloor>::type();
      out["defaultUp"] = b.defaultUp ? wire::RecordEncoder::encode(floor, b.defaultUp.get(), true) : nullptr;
      out["defaultDown"] = b.defaultDown ? wire::RecordEncoder::encode(floor, b.defaultDown.get(), true) : nullptr;
    };
    return t;
  }();
  return table;
}

std::shared_ptr<MDLBaseAssignFloor> MDLBaseAssignAccessBuilding::floorWithValue(
    const std::optional<std::string>& v) const {
  if (!v || !floorList) return nullptr;
  for (const auto& floor : *floorList) {
    if (floor && floor->value && *floor->value == *v) return floor;
  }
  return nullptr;
}
