// Audience evaluation on the device: stores the configuration's audience
// definitions as filter rows, tests every event and user property against
// the filters that name it, keeps each audience's results (status and result
// bit sets plus evaluation times) in the database and hands them to bundling.
// Worker queue only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/APMEventAggregates.h"
#include "Analytics/Storage/APMFilterResult.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Analytics/Storage/Audience/APMAudienceTimestampsCache.h"

class APMDatabase;

class APMAudience {
 public:
  using LeafResults = std::vector<std::shared_ptr<APMPBAudienceLeafFilterResult>>;

  explicit APMAudience(std::shared_ptr<APMDatabase> database);

  // Replaces the stored definitions with the valid audiences of the list.
  bool updateAudiences(const std::vector<std::shared_ptr<APMPBAudience>>& audiences);

  // cache: the batch's timestamps cache, or nullptr for one of its own.
  bool evaluateFiltersForEvent(const APMEvent& event, const APMEventAggregates* aggregates,
                               APMAudienceTimestampsCache* cache);
  bool evaluateFiltersForEventName(const std::string& eventName, const APMEvent::Parameters& parameters,
                                   const APMEventAggregates* aggregates, double eventTimestamp,
                                   APMAudienceTimestampsCache* cache);
  bool evaluateFiltersForUserProperty(const APMUserAttribute& property, APMAudienceTimestampsCache* cache,
                                      double evaluationTimestamp);
  // The upload form of a property; evaluated at evaluationTime, else at its set time.
  bool evaluateFiltersForNanoUserProperty(const APMPBUserAttribute& property, APMAudienceTimestampsCache* cache,
                                          std::optional<double> evaluationTime);

  // results: the audiences' results for a bundle, or none when they could not
  // be read or the moved results could not be saved.
  bool resultsForBundling(std::optional<LeafResults>* results);
  bool clearEvaluationResultsForSessionScopedFilters();
  // Deletes results of audiences neither stored nor among newAudienceIDs once
  // more results than the limit are kept.
  bool maybeDeleteStaleFilterResults(const std::set<int32_t>& newAudienceIDs);

  // result: the audience's stored result, or nullptr when it has none.
  static bool isFilterResultTrue(const APMFilterResult* result, int32_t filterID);
  static APMFilterResult updatedFilterResult(int32_t filterID, int32_t audienceID,
                                             const APMFilterResult* currentResult,
                                             std::optional<bool> newEvaluationResult,
                                             const APMAudienceTimestampsCache& cache);

  // The definition checks of updateAudiences (error codes 9 audience,
  // 10 event filter, 11 property filter).
  static bool isValidAudience(const APMPBAudience& audience, const std::set<int32_t>& acceptedAudienceIDs,
                              APMError* error);

 private:
  using FilterKey = std::pair<int32_t, int32_t>;  // audience ID, filter ID

  std::shared_ptr<APMDatabase> database_;
  // Filters whose regular expression ran into its limit: not evaluated again
  // until the definitions are replaced, so a hostile pattern costs one
  // limited match per configuration.
  std::set<FilterKey> skippedEventFilters_;
  std::set<FilterKey> skippedPropertyFilters_;
};
