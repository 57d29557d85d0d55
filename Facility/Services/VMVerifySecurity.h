// View model of the security-code check.
#pragma once

#include <memory>
#include <string>

#include "Facility/Services/VerifySecurityService.h"

class VMVerifySecurity {
 public:
  std::shared_ptr<VerifySecurityService> verifySecurityService = std::make_shared<VerifySecurityService>();

  void requestVerifySecurityCode(const std::string& securityCode, ResponseCompletion<MDLVerifySecurity> completion,
                                 NotDelivered notDelivered = nullptr);
};
