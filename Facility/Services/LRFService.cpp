#include "Facility/Services/LRFService.h"

using platform::Value;

Value::Dictionary LRFService::setPasswordParameters(const std::string& userName, const std::string& password) {
  return {{"Username", userName}, {"Password", password}};
}

Value::Dictionary LRFService::authenticateUserParameters(const std::string& userName, const std::string& password) {
  return {{"UserName", userName}, {"Password", password}};
}

Value::Dictionary LRFService::forgotPasswordParameters(const std::string& emailId) { return {{"EmailId", emailId}}; }

Value::Dictionary LRFService::resetPasswordParameters(const std::string& emailId, const std::string& otp,
                                                      const std::string& password) {
  return {{"EmailId", emailId}, {"OTP", otp}, {"password", password}};
}

void LRFService::requestSetPassword(const std::string& userName, const std::string& password,
                                    ResponseCompletion<MDLSetPassword> completion, NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::SetPassword, HTTPMethod::POST, setPasswordParameters(userName, password));
  APIManager::sendIfReachable<MDLSetPassword>(request, std::move(completion), std::move(notDelivered));
}

void LRFService::requestAuthenticateUser(const std::string& userName, const std::string& password,
                                         ResponseCompletion<MDLLogin> completion, NotDelivered notDelivered) {
  auto request =
      APIRequest::make(APIName::Case::AuthenticateUser, HTTPMethod::POST, authenticateUserParameters(userName, password));
  APIManager::sendIfReachable<MDLLogin>(request, std::move(completion), std::move(notDelivered));
}

void LRFService::requestForgotPassword(const std::string& emailId, ResponseCompletion<MDLForgotPassword> completion,
                                       NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::ForgotPassword, HTTPMethod::POST, forgotPasswordParameters(emailId));
  APIManager::sendIfReachable<MDLForgotPassword>(request, std::move(completion), std::move(notDelivered));
}

void LRFService::requestResetPassword(const std::string& emailId, const std::string& otp, const std::string& password,
                                      ResponseCompletion<MDLResetPassword> completion, NotDelivered notDelivered) {
  auto request = APIRequest::make(APIName::Case::ResetPassword, HTTPMethod::POST,
                                  resetPasswordParameters(emailId, otp, password));
  APIManager::sendIfReachable<MDLResetPassword>(request, std::move(completion), std::move(notDelivered));
}
