#include "Analytics/Storage/APMAppMetadata.h"

#include <limits>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

std::optional<APMAppMetadata> APMAppMetadata::initWithLastBundleIndex(int32_t lastBundleIndex,
                                                                      double lastBundleStartTimestamp,
                                                                      double lastBundleEndTimestamp) {
  if (lastBundleIndex < 0) {
    APMMeasurementMonitor().logWithLevel(2, 4000,
                                         "Failed to create app metadata object. Received negative last bundle index.");
    return std::nullopt;
  }
  return APMAppMetadata(lastBundleIndex, lastBundleStartTimestamp, lastBundleEndTimestamp);
}

void APMAppMetadata::incrementLastBundleIndex() {
  if (lastBundleIndex_ == std::numeric_limits<int32_t>::max()) {
    lastBundleIndex_ = 0;
    APMMeasurementMonitor().logWithLevel(5, 4001, "Bundle index overflow. Bundle index reset to 0.");
    return;
  }
  ++lastBundleIndex_;
}
