// The conditional-user-property controller under the public prefix; adds nothing.
#pragma once

#include "Analytics/Engine/APMConditionalUserPropertyController.h"

class QRVAConditionalUserPropertyController : public APMConditionalUserPropertyController {
 public:
  using APMConditionalUserPropertyController::APMConditionalUserPropertyController;
};
