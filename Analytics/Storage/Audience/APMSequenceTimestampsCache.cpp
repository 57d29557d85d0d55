#include "Analytics/Storage/Audience/APMSequenceTimestampsCache.h"

#include <algorithm>

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Audience/APMAudienceFields.h"
#include "Analytics/Storage/Audience/APMAudienceTime.h"

namespace {

constexpr int32_t kTimestampsField = 1;

}  // namespace

std::optional<std::vector<double>> APMSequenceTimestampsCache::sequenceTimestampsForFilterID(int32_t filterID) const {
  auto it = timestamps_.find(filterID);
  if (it == timestamps_.end()) return std::nullopt;
  return it->second;
}

void APMSequenceTimestampsCache::addEventFilterTimestamp(double timestamp, int32_t filterID) {
  auto& list = timestamps_[filterID];
  if (!list.empty()) {
    if (APMAudienceTime(list.back()) == APMAudienceTime(timestamp)) return;
    if (timestamp < list.back()) {
      APMMeasurementMonitor().logWithLevel(5, 42000, "Adding a sequence timestamp less than the last added timestamp");
    }
  }
  list.push_back(timestamp);
}

void APMSequenceTimestampsCache::setUserPropertyTimestamp(double timestamp, int32_t filterID) {
  auto& list = timestamps_[filterID];
  if (!list.empty() && timestamp < list.back()) {
    APMMeasurementMonitor().logWithLevel(5, 42001, "Setting a sequence timestamp less than the last set timestamp");
  }
  list.assign(1, timestamp);
}

std::vector<std::shared_ptr<APMPBSequenceFilterResultTimestamp>>
APMSequenceTimestampsCache::sequenceFilterResultTimestamps() const {
  std::vector<std::shared_ptr<APMPBSequenceFilterResultTimestamp>> result;
  for (const auto& [filterID, times] : timestamps_) {  // the map is ordered by filter ID
    auto entry = std::make_shared<APMPBSequenceFilterResultTimestamp>();
    APMPBSetInt32(entry.get(), kFilterIDField, filterID);
    std::vector<int64_t> whole;
    whole.reserve(times.size());
    for (double time : times) whole.push_back(APMAudienceTime(time));
    std::sort(whole.begin(), whole.end());
    std::vector<APMPBObject> numbers;
    numbers.reserve(whole.size());
    for (int64_t time : whole) numbers.emplace_back(APMPBNumber::numberWithLongLong(time));
    APMPBSetArray(entry.get(), kTimestampsField, &numbers);
    result.push_back(std::move(entry));
  }
  return result;
}
