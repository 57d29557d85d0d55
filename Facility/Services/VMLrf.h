// View model of the sign-in and password screens; also stores a successful
// sign-in in the login record.
#pragma once

#include <memory>
#include <string>

#include "Facility/Services/LRFService.h"

class VMLrf {
 public:
  std::shared_ptr<LRFService> lrfService = std::make_shared<LRFService>();

  void requestAuthenticateUser(const std::string& userName, const std::string& password,
                               ResponseCompletion<MDLLogin> completion, NotDelivered notDelivered = nullptr);
  void requestForgotPassword(const std::string& emailId, ResponseCompletion<MDLForgotPassword> completion,
                             NotDelivered notDelivered = nullptr);
  void requestResetPassword(const std::string& emailId, const std::string& otp, const std::string& password,
                            ResponseCompletion<MDLResetPassword> completion, NotDelivered notDelivered = nullptr);
  void requestSetPassword(const std::string& userName, const std::string& password,
                          ResponseCompletion<MDLSetPassword> completion, NotDelivered notDelivered = nullptr);

  // Writes the reply into the employee's login record (the first row of that
  // id), "empid" and "accesstoken". Nothing at all is written without an
  // employee id or when the store cannot be read.
  void saveLogin(const MDLLogin& login);
};
