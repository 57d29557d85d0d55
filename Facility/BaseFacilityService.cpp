#include "Facility/BaseFacilityService.h"

void BaseFacilityService::requestBaseFacility(ResponseCompletion<MDLBaseFacility> completion,
                                              NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLBaseFacility>(APIRequest::make(APIName::Case::BaseFacility, HTTPMethod::GET),
                                               std::move(completion), std::move(notDelivered));
}
