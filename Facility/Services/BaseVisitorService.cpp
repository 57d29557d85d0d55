#include "Facility/Services/BaseVisitorService.h"

void BaseVisitorService::requestBaseVisitor(ResponseCompletion<MDLBaseVisitor> completion, NotDelivered notDelivered) {
  APIManager::sendIfReachable<MDLBaseVisitor>(APIRequest::make(APIName::Case::BaseVisitor, HTTPMethod::GET),
                                              std::move(completion), std::move(notDelivered));
}
