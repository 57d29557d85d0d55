// The facility administrator's list of locations.
#pragma once

#include "Facility/Models/MDLBaseFacility.h"
#include "Facility/Network/ResponseCompletion.h"

class BaseFacilityService {
 public:
  void requestBaseFacility(ResponseCompletion<MDLBaseFacility> completion, NotDelivered notDelivered = nullptr);
};
