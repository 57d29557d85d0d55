#include "Facility/Services/VMBaseFacility.h"

#include "Facility/Services/ViewModelLoader.h"

void VMBaseFacility::requestBaseFacility(ResponseCompletion<MDLBaseFacility> completion, NotDelivered notDelivered) {
  baseFacilityService->requestBaseFacility(ViewModelLoader::hidingBefore(std::move(completion)), std::move(notDelivered));
}
