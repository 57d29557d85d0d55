#include "Facility/Services/VMAssignAccess.h"

#include "Facility/Services/ViewModelLoader.h"

void VMAssignAccess::requestAssignAccess(const std::string& employeeId, const AssignAccessService::Buildings& buildings,
                                         const AssignAccessService::TwoWheelers& twoWheelers,
                                         const AssignAccessService::FourWheelers& fourWheelers,
                                         ResponseCompletion<MDLAssignAccess> completion, NotDelivered notDelivered) {
  assignAccessService->requestAssignAccess(employeeId, buildings, twoWheelers, fourWheelers,
                                           ViewModelLoader::hidingBefore(std::move(completion)),
                                           std::move(notDelivered));
}
