// A typed value under the public prefix; adds nothing.
#pragma once

#include "Analytics/Storage/APMValue.h"

class QRVAValue : public APMValue {
 public:
  using APMValue::APMValue;
};
