// View model of the facility dashboard's location list.
#pragma once

#include <memory>

#include "Facility/Services/BaseFacilityService.h"

class VMBaseFacility {
 public:
  std::shared_ptr<BaseFacilityService> baseFacilityService = std::make_shared<BaseFacilityService>();

  void requestBaseFacility(ResponseCompletion<MDLBaseFacility> completion, NotDelivered notDelivered = nullptr);
};
