#include "Analytics/Storage/APMRawEventData.h"

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"

std::optional<APMRawEventData> APMRawEventData::initWithRawEvent(std::shared_ptr<const APMEvent> rawEvent,
                                                                 int64_t rowID,
                                                                 int64_t metadataFingerprint) {
  if (!rawEvent) {
    APMMeasurementMonitor().logWithLevel(4, 28000, "Failed to create raw event data. Received invalid raw event.");
    return std::nullopt;
  }
  if (rowID < 0) {
    APMMeasurementMonitor().logWithLevel(4, 28001,
                                         "Failed to create raw event data. Received invalid row ID. Row ID", rowID);
    return std::nullopt;
  }
  return APMRawEventData(std::move(rawEvent), rowID, metadataFingerprint);
}
