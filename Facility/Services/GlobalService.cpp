#include "Facility/Services/GlobalService.h"

void GlobalService::requestGetAccessToken(const std::string& refreshToken, const std::string& deviceType,
                                          ResponseCompletion<MDLGetAccessToken> completion,
                                          NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::GetAccessToken, HTTPMethod::POST,
                                  platform::Value::Dictionary{{"refresh_token", refreshToken}, {"device_type", deviceType}});
  APIManager::sendIfReachable<MDLGetAccessToken>(request, std::move(completion), std::move(notDelivered));
}
