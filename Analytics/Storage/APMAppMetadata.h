// Bundle numbering and the time window of the last bundle built, kept in the
// one app_metadata row.
#pragma once

#include <cstdint>
#include <optional>

class APMAppMetadata {
 public:
  // None (logged) for a negative index.
  static std::optional<APMAppMetadata> initWithLastBundleIndex(int32_t lastBundleIndex,
                                                               double lastBundleStartTimestamp,
                                                               double lastBundleEndTimestamp);

  int32_t lastBundleIndex() const { return lastBundleIndex_; }
  // Past the int32 maximum the index starts again at 0 (logged).
  void incrementLastBundleIndex();
  double lastBundleStartTimestamp() const { return lastBundleStartTimestamp_; }
  void setLastBundleStartTimestamp(double value) { lastBundleStartTimestamp_ = value; }
  double lastBundleEndTimestamp() const { return lastBundleEndTimestamp_; }
  void setLastBundleEndTimestamp(double value) { lastBundleEndTimestamp_ = value; }

 private:
  APMAppMetadata(int32_t index, double start, double end)
      : lastBundleIndex_(index), lastBundleStartTimestamp_(start), lastBundleEndTimestamp_(end) {}

  int32_t lastBundleIndex_;
  double lastBundleStartTimestamp_;
  double lastBundleEndTimestamp_;
};
