// The check of an invitation security code.
#pragma once

#include <string>

#include "Facility/Models/MDLVerifySecurity.h"
#include "Facility/Network/ResponseCompletion.h"

class VerifySecurityService {
 public:
  void requestVerifySecurityCode(const std::string& securityCode, ResponseCompletion<MDLVerifySecurity> completion,
                                 NotDelivered notDelivered = nullptr);
};
