#include "Analytics/Engine/APMSessionStartEvent.h"

#include <cmath>

#include "Analytics/Engine/APMScreenViewReporter.h"

std::optional<APMEvent> APMSessionStartEvent::eventWithSessionNumber(int64_t sessionNumber, bool appInBackground,
                                                                     double timestamp) {
  APMEvent::Parameters parameters{{"_sid", APMValue(static_cast<int64_t>(std::trunc(timestamp)))},
                                  {"_sno", APMValue(sessionNumber)}};
  if (appInBackground) {
    parameters.emplace("_aib", APMValue(int64_t{1}));
  } else {
    parameters.merge(APMScreenViewReporter::sharedInstance()->screenParameters());
  }
  return APMEvent::initWithOrigin("auto", false, "_s", timestamp, 0, std::move(parameters));
}
