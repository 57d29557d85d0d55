// The ad-exposure reporter under the public prefix; adds nothing.
#pragma once

#include "Analytics/Engine/APMAdExposureReporter.h"

class QRVAAdExposureReporter : public APMAdExposureReporter {
 public:
  using APMAdExposureReporter::APMAdExposureReporter;
};
