// Saves an employee's buildings, floors and parking places.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Facility/Models/MDLAssignAccess.h"
#include "Facility/Models/MDLBaseAssignAccessBuilding.h"
#include "Facility/Models/MDLFourWheeler.h"
#include "Facility/Models/MDLTwoWheeler.h"
#include "Facility/Network/ResponseCompletion.h"
#include "Platform/Foundation/Value.h"

class AssignAccessService {
 public:
  using Buildings = std::vector<std::shared_ptr<MDLBaseAssignAccessBuilding>>;
  using TwoWheelers = std::vector<std::shared_ptr<MDLTwoWheeler>>;
  using FourWheelers = std::vector<std::shared_ptr<MDLFourWheeler>>;

  void requestAssignAccess(const std::string& employeeId, const Buildings& buildings, const TwoWheelers& twoWheelers,
                           const FourWheelers& fourWheelers, ResponseCompletion<MDLAssignAccess> completion,
                           NotDelivered notDelivered = nullptr);

  // "EmployeeId", "StrBuildingList" (one JSON text of the buildings with at
  // least one selected floor) and the selected parking values as lists.
  static platform::Value::Dictionary parameters(const std::string& employeeId, const Buildings& buildings,
                                                const TwoWheelers& twoWheelers, const FourWheelers& fourWheelers);
  // The building items that qualify, in order.
  static platform::Value::Array buildingItems(const Buildings& buildings);
};
