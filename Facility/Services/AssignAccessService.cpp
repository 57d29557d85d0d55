#include "Facility/Services/AssignAccessService.h"

#include "Facility/Support/JSONString.h"
#include "Platform/Foundation/Log.h"

using platform::Value;

namespace {

template <class Place>
Value::Array selectedValues(const std::vector<std::shared_ptr<Place>>& places) {
  Value::Array out;
  for (const auto& place : places) {
    if (place && place->isSelected.value_or(false) && place->value) out.emplace_back(*place->value);
  }
  return out;
}

std::string floorValue(const std::shared_ptr<MDLBaseAssignFloor>& floor) {
  return floor && floor->value ? *floor->value : std::string();
}

}  // namespace

Value::Array AssignAccessService::buildingItems(const Buildings& buildings) {
  Value::Array items;
  for (const auto& building : buildings) {
    if (!building || !building->floorList) continue;
    Value::Dictionary item;
    if (building->value) item.emplace("BuildingId", *building->value);
    item.emplace("DefaultUp", floorValue(building->defaultUp));
    item.emplace("DefaultDown", floorValue(building->defaultDown));
    Value::Array floors;
    for (const auto& floor : *building->floorList) {
      if (floor && floor->isSelected.value_or(false) && floor->value) floors.emplace_back(*floor->value);
    }
    if (floors.empty()) continue;
    item.emplace("FloorList", std::move(floors));
    items.emplace_back(std::move(item));
  }
  return items;
}

Value::Dictionary AssignAccessService::parameters(const std::string& employeeId, const Buildings& buildings,
                                                  const TwoWheelers& twoWheelers, const FourWheelers& fourWheelers) {
  Value::Dictionary body{{"EmployeeId", employeeId},
                         {"StrBuildingList", jsonString(false, Value(buildingItems(buildings)))},
                         {"TwoWheelerParkingList", selectedValues(twoWheelers)},
                         {"FourWheelerParkingList", selectedValues(fourWheelers)}};
  platform::LogInfo("Json parameter is: " + Value(body).description());
  return body;
}

void AssignAccessService::requestAssignAccess(const std::string& employeeId, const Buildings& buildings,
                                              const TwoWheelers& twoWheelers, const FourWheelers& fourWheelers,
                                              ResponseCompletion<MDLAssignAccess> completion,
                                              NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::AssignAccess, HTTPMethod::POST,
                                  parameters(employeeId, buildings, twoWheelers, fourWheelers));
  APIManager::sendIfReachable<MDLAssignAccess>(request, std::move(completion), std::move(notDelivered));
}
