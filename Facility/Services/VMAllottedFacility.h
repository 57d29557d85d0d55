// View model of the tenant dashboard's allotted facilities and complaint count.
#pragma once

#include <memory>

#include "Facility/Services/GetAllottedFacilityService.h"
#include "Facility/Models/MDLComplainCount.h"

class VMAllottedFacility {
 public:
  std::shared_ptr<GetAllottedFacilityService> getAllottedFacilityService =
      std::make_shared<GetAllottedFacilityService>();

  void requestAllotedFacility(ResponseCompletion<MDLAllotedFacility> completion, NotDelivered notDelivered = nullptr);
  // Leaves the loader alone: it runs inside the allotted-facility handling.
  void requestComplainCount(ResponseCompletion<MDLComplainCount> completion, NotDelivered notDelivered = nullptr);
};
