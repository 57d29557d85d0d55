#include "Facility/Services/GetAllottedFacilityService.h"

void GetAllottedFacilityService::requestAllotedFacility(ResponseCompletion<MDLAllotedFacility> completion,
                                                        NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLAllotedFacility>(APIRequest::make(APIName::Case::AllotedFacility, HTTPMethod::GET),
                                                  std::move(completion), std::move(notDelivered));
}
