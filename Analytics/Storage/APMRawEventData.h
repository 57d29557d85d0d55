// One raw event read back from storage with its row identity.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "Analytics/Engine/APMEvent.h"

class APMRawEventData {
 public:
  // None (logged) without an event or with a negative row id; row id 0 is valid.
  static std::optional<APMRawEventData> initWithRawEvent(std::shared_ptr<const APMEvent> rawEvent,
                                                         int64_t rowID, int64_t metadataFingerprint);

  const APMEvent& rawEvent() const { return *rawEvent_; }
  int64_t rowID() const { return rowID_; }
  int64_t metadataFingerprint() const { return metadataFingerprint_; }

 private:
  APMRawEventData(std::shared_ptr<const APMEvent> rawEvent, int64_t rowID, int64_t metadataFingerprint)
      : rawEvent_(std::move(rawEvent)), rowID_(rowID), metadataFingerprint_(metadataFingerprint) {}

  std::shared_ptr<const APMEvent> rawEvent_;
  int64_t rowID_;
  int64_t metadataFingerprint_;
};
