#include "Facility/Services/BaseFacilityService.h"

void BaseFacilityService::requestBaseFacility(ResponseCompletion<MDLBaseFacility> completion,
                                              NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLBaseFacility>(APIRequest::make(APIName::Case::BaseFacility, HTTPMethod::GET),
                                               std::move(completion), std::move(notDelivered));
}
