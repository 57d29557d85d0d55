// Per-event-name counters and sampling state, one row of the events table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class APMEventAggregates {
 public:
  // None for an invalid internal event name (not logged) or a negative count (logged).
  static std::optional<APMEventAggregates> initWithName(const std::string& name, int32_t lifetimeCount,
                                                        int32_t currentBundleCount, int32_t currentSessionCount,
                                                        double lastFireTimestamp);

  const std::string& name() const { return name_; }
  int32_t lifetimeCount() const { return lifetimeCount_; }
  int32_t currentBundleCount() const { return currentBundleCount_; }
  int32_t currentSessionCount() const { return currentSessionCount_; }
  // Past the int32 maximum each count starts again at 0 (logged).
  void incrementLifetimeCount();
  void incrementCurrentBundleCount();
  void incrementCurrentSessionCount();

  double lastFireTimestamp() const { return lastFireTimestamp_; }
  void setLastFireTimestamp(double value) { lastFireTimestamp_ = value; }
  double lastBundledTimestamp() const { return lastBundledTimestamp_; }
  void setLastBundledTimestamp(double value) { lastBundledTimestamp_ = value; }
  const std::optional<int64_t>& lastSampledComplexEventID() const { return lastSampledComplexEventID_; }
  void setLastSampledComplexEventID(std::optional<int64_t> value) { lastSampledComplexEventID_ = value; }
  int32_t lastSamplingRate() const { return lastSamplingRate_; }
  void setLastSamplingRate(int32_t value) { lastSamplingRate_ = value; }
  bool lastExemptFromSampling() const { return lastExemptFromSampling_; }
  void setLastExemptFromSampling(bool value) { lastExemptFromSampling_ = value; }
  int32_t lastBundledDay() const { return lastBundledDay_; }
  void setLastBundledDay(int32_t value) { lastBundledDay_ = value; }

 private:
  APMEventAggregates(std::string name, int32_t lifetimeCount, int32_t currentBundleCount,
                     int32_t currentSessionCount, double lastFireTimestamp)
      : name_(std::move(name)),
        lifetimeCount_(lifetimeCount),
        currentBundleCount_(currentBundleCount),
        currentSessionCount_(currentSessionCount),
        lastFireTimestamp_(lastFireTimestamp) {}

  std::string name_;
  int32_t lifetimeCount_;
  int32_t currentBundleCount_;
  int32_t currentSessionCount_;
  double lastFireTimestamp_;
  double lastBundledTimestamp_ = 0;
  std::optional<int64_t> lastSampledComplexEventID_;
  int32_t lastSamplingRate_ = 1;
  bool lastExemptFromSampling_ = false;
  int32_t lastBundledDay_ = 0;
};
