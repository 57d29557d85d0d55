// The access-assignment form of one employee.
#pragma once

#include <string>

#include "Facility/Models/MDLBaseAssignAccess.h"
#include "Facility/Network/ResponseCompletion.h"

class BaseAssignAccessService {
 public:
  // The id travels in the path; no body.
  void requestBaseAssignAccess(const std::string& id, ResponseCompletion<MDLBaseAssignAccess> completion,
                               NotDelivered notDelivered = nullptr);
};
