// A user attribute under the public prefix; adds nothing.
#pragma once

#include "Analytics/Storage/APMUserAttribute.h"

class QRVAUserAttribute : public APMUserAttribute {
 public:
  using APMUserAttribute::APMUserAttribute;
};
