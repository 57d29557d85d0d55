#include "Facility/Services/ManageFacilityService.h"

platform::Value::Dictionary ManageFacilityService::parameters(const Query& query) {
  return {{"PageNo", query.pageNo},
          {"SortOn", query.sortOn},
          {"SortDesc", query.sortDesc},
          {"IsTagAssigned", query.isTagAssigned},
          {"IsFloorAccess", query.isFloorAccess},
          {"IsParkingAccess", query.isParkingAccess},
          {"IsVisitorAssignAccess", query.isVisitorAssignAccess}};
}

void ManageFacilityService::requestManageFacility(const Query& query, ResponseCompletion<MDLManageFacility> completion,
                                                  NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::ManageFacility, HTTPMethod::POST, parameters(query));
  APIManager::sendIfReachable<MDLManageFacility>(request, std::move(completion), std::move(notDelivered));
}
