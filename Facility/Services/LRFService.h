// Sign-in, forgotten password, password reset and first password.
#pragma once

#include <string>

#include "Facility/Models/MDLForgotPassword.h"
#include "Facility/Models/MDLLogin.h"
#include "Facility/Models/MDLResetPassword.h"
#include "Facility/Models/MDLSetPassword.h"
#include "Facility/Network/ResponseCompletion.h"
#include "Platform/Foundation/Value.h"

class LRFService {
 public:
  void requestSetPassword(const std::string& userName, const std::string& password,
                          ResponseCompletion<MDLSetPassword> completion, NotDelivered notDelivered = nullptr);
  void requestAuthenticateUser(const std::string& userName, const std::string& password,
                               ResponseCompletion<MDLLogin> completion, NotDelivered notDelivered = nullptr);
  void requestForgotPassword(const std::string& emailId, ResponseCompletion<MDLForgotPassword> completion,
                             NotDelivered notDelivered = nullptr);
  void requestResetPassword(const std::string& emailId, const std::string& otp, const std::string& password,
                            ResponseCompletion<MDLResetPassword> completion, NotDelivered notDelivered = nullptr);

  // The bodies, as sent. The server tells the keys apart by case
  // ("Username" here, "UserName" for sign-in, "password" for the reset).
  static platform::Value::Dictionary setPasswordParameters(const std::string& userName, const std::string& password);
  static platform::Value::Dictionary authenticateUserParameters(const std::string& userName,
                                                                const std::string& password);
  static platform::Value::Dictionary forgotPasswordParameters(const std::string& emailId);
  static platform::Value::Dictionary resetPasswordParameters(const std::string& emailId, const std::string& otp,
                                                             const std::string& password);
};
