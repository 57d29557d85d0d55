// A conditional user property under the public prefix; adds nothing.
#pragma once

#include "Analytics/Engine/APMConditionalUserProperty.h"

class QRVAConditionalUserProperty : public APMConditionalUserProperty {
 public:
  using APMConditionalUserProperty::APMConditionalUserProperty;
};
