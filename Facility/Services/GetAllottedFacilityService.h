// The tenant administrator's allotted facilities.
#pragma once

#include "Facility/Models/MDLAllotedFacility.h"
#include "Facility/Network/ResponseCompletion.h"

class GetAllottedFacilityService {
 public:
  void requestAllotedFacility(ResponseCompletion<MDLAllotedFacility> completion, NotDelivered notDelivered = nullptr);
};
