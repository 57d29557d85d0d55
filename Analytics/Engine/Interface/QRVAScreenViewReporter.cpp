#include "Analytics/Engine/Interface/QRVAScreenViewReporter.h"

std::shared_ptr<APMScreenViewReporter> QRVAScreenViewReporter::sharedInstance() {
  return APMScreenViewReporter::sharedInstance();
}
