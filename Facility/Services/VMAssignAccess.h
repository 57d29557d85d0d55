// View model of saving an access assignment.
#pragma once

#include <memory>
#include <string>

#include "Facility/Services/AssignAccessService.h"

class VMAssignAccess {
 public:
  std::shared_ptr<AssignAccessService> assignAccessService = std::make_shared<AssignAccessService>();

  void requestAssignAccess(const std::string& employeeId, const AssignAccessService::Buildings& buildings,
                           const AssignAccessService::TwoWheelers& twoWheelers,
                           const AssignAccessService::FourWheelers& fourWheelers,
                           ResponseCompletion<MDLAssignAccess> completion, NotDelivered notDelivered = nullptr);
};
