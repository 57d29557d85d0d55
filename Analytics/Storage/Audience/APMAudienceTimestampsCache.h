// Evaluation times of dynamic, session-scoped and sequence filters for one
// evaluation batch, by audience. Filled from the stored results on the first
// touch of an audience and written back with the audience's new result.
// Not thread-safe: the worker queue's alone.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/APMEventFilter.h"
#include "Analytics/Storage/APMFilterResult.h"
#include "Analytics/Storage/Audience/APMPropertyFilter.h"
#include "Analytics/Storage/Audience/APMSequenceTimestampsCache.h"

class APMAudienceTimestampsCache {
 public:
  using SequenceTimestamps = std::vector<std::shared_ptr<APMPBSequenceFilterResultTimestamp>>;

  // Takes the audience's stored times (result may be null: none stored);
  // an audience already in the cache is left as it is.
  void populateCachedTimestamps(const APMFilterResult* result, int32_t audienceID);
  // Records a true evaluation of the filter at time.
  void addEvaluationTimestamp(double time, const APMEventFilter& filter);
  void addEvaluationTimestamp(double time, const APMPropertyFilter& filter);

  // Ascending by filter ID; empty when there are none.
  std::vector<std::shared_ptr<APMPBDynamicFilterResultTimestamp>> dynamicTimestampsForAudienceID(
      int32_t audienceID) const;
  // None when the audience has no sequence cache.
  std::optional<SequenceTimestamps> sequenceTimestampsForAudienceID(int32_t audienceID) const;

 private:
  void addTimestamp(double time, int32_t audienceID, int32_t filterID, bool dynamic, bool sessionScoped,
                    bool sequence, bool eventFilter);

  std::map<int32_t, std::map<int32_t, double>> dynamicTimestamps_;
  std::map<int32_t, APMSequenceTimestampsCache> sequenceCaches_;
};
