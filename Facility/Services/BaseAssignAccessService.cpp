#include "Facility/Services/BaseAssignAccessService.h"

void BaseAssignAccessService::requestBaseAssignAccess(const std::string& id,
                                                      ResponseCompletion<MDLBaseAssignAccess> completion,
                                                      NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLBaseAssignAccess>(APIRequest::make(APIName::BaseAssignAccessFor(id), HTTPMethod::GET),
                                                   std::move(completion), std::move(notDelivered));
}
