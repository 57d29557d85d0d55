#include "Facility/Services/VMVerifySecurity.h"

#include "Facility/Services/ViewModelLoader.h"

void VMVerifySecurity::requestVerifySecurityCode(const std::string& securityCode,
                                                 ResponseCompletion<MDLVerifySecurity> completion,
                                                 NotDelivered notDelivered) {
  verifySecurityService->requestVerifySecurityCode(securityCode, ViewModelLoader::hidingBefore(std::move(completion)),
                                                   std::move(notDelivered));
}
