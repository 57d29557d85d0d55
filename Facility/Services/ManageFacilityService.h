// One page of the tenant's employee list, sorted and filtered.
#pragma once

#include <string>

#include "Facility/Models/MDLManageFacility.h"
#include "Facility/Network/ResponseCompletion.h"
#include "Platform/Foundation/Value.h"

class ManageFacilityService {
 public:
  // Every value is text: "1", "0", never a Boolean.
  struct Query {
    std::string pageNo = "1";
    std::string sortOn = "0";
    std::string sortDesc = "0";
    std::string isTagAssigned = "0";
    std::string isFloorAccess = "0";
    std::string isParkingAccess = "0";
    std::string isVisitorAssignAccess = "0";
  };

  void requestManageFacility(const Query& query, ResponseCompletion<MDLManageFacility> completion,
                             NotDelivered notDelivered = nullptr);
  static platform::Value::Dictionary parameters(const Query& query);
};
