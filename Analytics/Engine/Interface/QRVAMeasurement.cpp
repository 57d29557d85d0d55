#include "Analytics/Engine/Interface/QRVAMeasurement.h"

std::shared_ptr<APMMeasurement> QRVAMeasurement::sharedInstance() { return APMMeasurement::sharedInstance(); }
