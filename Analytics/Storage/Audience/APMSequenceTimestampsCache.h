// The true-evaluation times of an audience's sequence filters during one
// evaluation batch, by filter ID.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Analytics/Protobuf/APMPBMessage.h"

class APMSequenceTimestampsCache {
 public:
  explicit APMSequenceTimestampsCache(int32_t audienceID) : audienceID_(audienceID) {}

  int32_t audienceID() const { return audienceID_; }
  // A copy of the filter's times in the order added; none for an unknown filter.
  std::optional<std::vector<double>> sequenceTimestampsForFilterID(int32_t filterID) const;
  // Appends unless the last time is the same whole number; an earlier time is
  // logged and still appended.
  void addEventFilterTimestamp(double timestamp, int32_t filterID);
  // A property's sequence step keeps only its latest time.
  void setUserPropertyTimestamp(double timestamp, int32_t filterID);
  // Ascending by filter ID, each with its times ascending as whole numbers.
  std::vector<std::shared_ptr<APMPBSequenceFilterResultTimestamp>> sequenceFilterResultTimestamps() const;

 private:
  int32_t audienceID_;
  std::map<int32_t, std::vector<double>> timestamps_;
};
