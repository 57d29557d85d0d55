#include "Analytics/Storage/Audience/APMAudienceTimestampsCache.h"

#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Audience/APMAudienceFields.h"
#include "Analytics/Storage/Audience/APMAudienceTime.h"

namespace {

// ResultData
// DynamicFilterResultTimestamp and SequenceFilterResultTimestamp
constexpr int32_t kTimeField = 1;

}  // namespace

void APMAudienceTimestampsCache::populateCachedTimestamps(const APMFilterResult* result, int32_t audienceID) {
  std::shared_ptr<APMPBResultData> data;
  if (result != nullptr && !result->currentResults().empty()) {
    data = APMPBResultData::initWithBuffer(result->currentResults());
  }
  if (!dynamicTimestamps_.contains(audienceID)) {
    auto& entries = dynamicTimestamps_[audienceID];
    if (data) {
      for (const auto& entry : APMPBGetMessageArray<APMPBDynamicFilterResultTimestamp>(data.get(),
                                                                                       kDynamicTimestampsField)) {
        entries[APMPBGetInt32(entry.get(), kFilterIDField)] =
            static_cast<double>(APMPBGetInt64(entry.get(), kTimeField));
      }
    }
  }
  if (!sequenceCaches_.contains(audienceID)) {
    auto& cache = sequenceCaches_.emplace(audienceID, APMSequenceTimestampsCache(audienceID)).first->second;
    if (data) {
      for (const auto& entry : APMPBGetMessageArray<APMPBSequenceFilterResultTimestamp>(data.get(),
                                                                                        kSequenceTimestampsField)) {
        auto times = APMPBGetArray(entry.get(), kTimeField, nullptr);
        if (!times || times->empty() || !times->back().isNumber()) continue;
        // Only the latest step matters for the sequences still to come.
        cache.addEventFilterTimestamp(static_cast<double>(times->back().number()->longLongValue()),
                                      APMPBGetInt32(entry.get(), kFilterIDField));
      }
    }
  }
}

void APMAudienceTimestampsCache::addEvaluationTimestamp(double time, const APMEventFilter& filter) {
  addTimestamp(time, filter.audienceID(), filter.filterID(), filter.isDynamic(), filter.isSessionScoped(),
               filter.isSequence(), true);
}

void APMAudienceTimestampsCache::addEvaluationTimestamp(double time, const APMPropertyFilter& filter) {
  addTimestamp(time, filter.audienceID(), filter.filterID(), filter.isDynamic(), filter.isSessionScoped(),
               filter.isSequence(), false);
}

void APMAudienceTimestampsCache::addTimestamp(double time, int32_t audienceID, int32_t filterID, bool dynamic,
                                              bool sessionScoped, bool sequence, bool eventFilter) {
  if (sequence) {
    auto& cache = sequenceCaches_.try_emplace(audienceID, APMSequenceTimestampsCache(audienceID)).first->second;
    if (eventFilter) {
      cache.addEventFilterTimestamp(time, filterID);
    } else {
      cache.setUserPropertyTimestamp(time, filterID);
    }
    return;
  }
  if (!dynamic && !sessionScoped) return;
  auto audience = dynamicTimestamps_.find(audienceID);
  double stored = 0;
  if (audience != dynamicTimestamps_.end()) {
    auto entry = audience->second.find(filterID);
    if (entry != audience->second.end()) stored = entry->second;
  }
  if (!(time > stored)) {
    APMMeasurementMonitor().logWithLevel(5, 6037,
                                         "Candidate evaluation timestamp is earlier than cached evaluation timestamp");
    return;
  }
  // An audience that was never populated has nowhere to keep the time.
  if (audience != dynamicTimestamps_.end()) audience->second[filterID] = time;
}

std::vector<std::shared_ptr<APMPBDynamicFilterResultTimestamp>>
APMAudienceTimestampsCache::dynamicTimestampsForAudienceID(int32_t audienceID) const {
  std::vector<std::shared_ptr<APMPBDynamicFilterResultTimestamp>> result;
  auto audience = dynamicTimestamps_.find(audienceID);
  if (audience == dynamicTimestamps_.end()) return result;
  for (const auto& [filterID, time] : audience->second) {  // ordered by filter ID
    auto entry = std::make_shared<APMPBDynamicFilterResultTimestamp>();
    APMPBSetInt32(entry.get(), kFilterIDField, filterID);
    APMPBSetInt64(entry.get(), kTimeField, APMAudienceTime(time));
    result.push_back(std::move(entry));
  }
  return result;
}

std::optional<APMAudienceTimestampsCache::SequenceTimestamps>
APMAudienceTimestampsCache::sequenceTimestampsForAudienceID(int32_t audienceID) const {
  auto cache = sequenceCaches_.find(audienceID);
  if (cache == sequenceCaches_.end()) return std::nullopt;
  return cache->second.sequenceFilterResultTimestamps();
}
