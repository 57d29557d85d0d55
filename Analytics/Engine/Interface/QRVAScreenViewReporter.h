// The screen-view reporter under the public prefix: the shared reporter.
#pragma once

#include <memory>

#include "Analytics/Engine/APMScreenViewReporter.h"

class QRVAScreenViewReporter : public APMScreenViewReporter {
 public:
  static std::shared_ptr<APMScreenViewReporter> sharedInstance();
};
