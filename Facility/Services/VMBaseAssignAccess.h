// View model of the access-assignment form.
#pragma once

#include <memory>
#include <string>

#include "Facility/Services/BaseAssignAccessService.h"

class VMBaseAssignAccess {
 public:
  std::shared_ptr<BaseAssignAccessService> baseAssignAccessService = std::make_shared<BaseAssignAccessService>();

  void requestBaseAssignAccess(const std::string& id, ResponseCompletion<MDLBaseAssignAccess> completion,
                               NotDelivered notDelivered = nullptr);
};
