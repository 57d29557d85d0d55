#include "Facility/Services/VMAllottedFacility.h"

#include "Facility/Services/ViewModelLoader.h"

void VMAllottedFacility::requestAllotedFacility(ResponseCompletion<MDLAllotedFacility> completion,
                                                NotDelivered notDelivered) {
  getAllottedFacilityService->requestAllotedFacility(ViewModelLoader::hidingBefore(std::move(completion)),
                                                     std::move(notDelivered));
}

void VMAllottedFacility::requestComplainCount(ResponseCompletion<MDLComplainCount> completion,
                                              NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLComplainCount>(APIRequest::make(APIName::Case::ComplainCount, HTTPMethod::GET),
                                                std::move(completion), std::move(notDelivered));
}
