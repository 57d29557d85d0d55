// View model of the tenant dashboard's employee list.
#pragma once

#include <memory>

#include "Facility/Services/ManageFacilityService.h"

class VMManageFacility {
 public:
  std::shared_ptr<ManageFacilityService> manageFacilityService = std::make_shared<ManageFacilityService>();

  void requestManageFacility(const ManageFacilityService::Query& query, ResponseCompletion<MDLManageFacility> completion,
                             NotDelivered notDelivered = nullptr);
};
