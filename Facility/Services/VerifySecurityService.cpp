#include "Facility/Services/VerifySecurityService.h"

void VerifySecurityService::requestVerifySecurityCode(const std::string& securityCode,
                                                      ResponseCompletion<MDLVerifySecurity> completion,
                                                      NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::VerifySecurityCode, HTTPMethod::POST,
                                  platform::Value::Dictionary{{"SecurityCode", securityCode}});
  APIManager::sendIfReachable<MDLVerifySecurity>(request, std::move(completion), std::move(notDelivered));
}
