#include "Facility/Services/VMBaseAssignAccess.h"

#include "Facility/Services/ViewModelLoader.h"

void VMBaseAssignAccess::requestBaseAssignAccess(const std::string& id,
                                                 ResponseCompletion<MDLBaseAssignAccess> completion,
                                                 NotDelivered notDelivered) {
  baseAssignAccessService->requestBaseAssignAccess(id, ViewModelLoader::hidingBefore(std::move(completion)),
                                                   std::move(notDelivered));
}
