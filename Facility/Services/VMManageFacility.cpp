#include "Facility/Services/VMManageFacility.h"

#include "Facility/Services/ViewModelLoader.h"

void VMManageFacility::requestManageFacility(const ManageFacilityService::Query& query,
                                             ResponseCompletion<MDLManageFacility> completion,
                                             NotDelivered notDelivered) {
  manageFacilityService->requestManageFacility(query, ViewModelLoader::hidingBefore(std::move(completion)),
                                               std::move(notDelivered));
}
