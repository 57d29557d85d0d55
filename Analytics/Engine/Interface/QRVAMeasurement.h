// The measurement engine under the public prefix, for libraries that name it
// so: the shared engine, and the user-attribute query unchanged.
#pragma once

#include <memory>

#include "Analytics/Engine/APMMeasurement.h"

class QRVAMeasurement : public APMMeasurement {
 public:
  static std::shared_ptr<APMMeasurement> sharedInstance();
  using APMMeasurement::userAttributeWithName;
};
