#include "Analytics/Storage/Audience/APMAudience.h"

#include <algorithm>
#include <map>

#include "Analytics/Engine/APMEngineHooks.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMParameterNames.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserPropertyNames.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/APMDatabase.h"
#include "Analytics/Storage/Audience/APMAudienceComparisonValues.h"
#include "Analytics/Storage/Audience/APMAudienceFields.h"
#include "Analytics/Storage/Audience/APMAudienceFilterEvaluator.h"
#include "Analytics/Storage/Audience/APMAudienceStringFilter.h"
#include "Analytics/Storage/Audience/APMFilterLogContext.h"
#include "Analytics/Storage/Config/APMRemoteConfig.h"

namespace {

// Audience
constexpr int32_t kAudienceIDField = 0;
constexpr int32_t kPropertyFiltersField = 1;
constexpr int32_t kEventFiltersField = 2;
// EventFilter
constexpr int32_t kEventFilterIDField = 0;
constexpr int32_t kEventDynamicField = 5;
constexpr int32_t kEventSequenceField = 6;
// PropertyFilter
constexpr int32_t kPropertyFilterIDField = 0;
constexpr int32_t kPropertyDynamicField = 3;
constexpr int32_t kPropertySequenceField = 4;
constexpr int32_t kPropertySessionScopedField = 5;
// Filter
// NumberFilter
constexpr int32_t kMatchAsFloatField = 1;
// UserAttribute
constexpr int32_t kSetTimestampMillisField = 0;
constexpr int32_t kUserAttributeNameField = 1;
constexpr int32_t kStringValueField = 2;
constexpr int32_t kIntValueField = 3;
constexpr int32_t kDoubleValueField = 5;
// AudienceLeafFilterResult
constexpr int32_t kLeafAudienceIDField = 0;
constexpr int32_t kLeafCurrentDataField = 1;
constexpr int32_t kLeafPreviousDataField = 2;
constexpr int32_t kLeafNewAudienceField = 3;
// ResultData
constexpr int32_t kResultWordsField = 0;
constexpr int32_t kStatusWordsField = 1;
// Dynamic and sequence timestamp entries
constexpr int32_t kTimestampFilterIDField = 0;
constexpr int32_t kSequenceTimesField = 1;

// The highest filter ID any configuration can define; a stored row beyond
// it comes from a damaged file and would grow the bit sets without bound.
constexpr int32_t kMaxStoredFilterID = 99;

bool Failed(const APMError& error) { return !(error == APMError()); }

bool FilterIDInRange(int32_t filterID) { return filterID >= 0 && filterID <= kMaxStoredFilterID; }

std::shared_ptr<APMRemoteConfig> AudienceSettings() {
  auto config = APMEngineHooks::remoteConfig();
  return config ? config : std::make_shared<APMRemoteConfig>();
}

bool FlagOn(const NANOMessageBase* message, int32_t field) {
  return APMPBHasField(message, field) && APMPBGetBool(message, field);
}

std::vector<uint64_t> Words(const NANOMessageBase* data, int32_t field) {
  std::vector<uint64_t> words;
  if (data == nullptr) return words;
  auto elements = APMPBGetArray(data, field, nullptr);
  if (!elements) return words;
  words.reserve(elements->size());
  for (const APMPBObject& element : *elements) {
    if (const APMPBNumber* number = element.number()) words.push_back(number->unsignedLongLongValue());
  }
  return words;
}

void SetWords(NANOMessageBase* data, int32_t field, const std::vector<uint64_t>& words) {
  std::vector<APMPBObject> array;
  array.reserve(words.size());
  for (uint64_t word : words) array.emplace_back(APMPBNumber::numberWithUnsignedLongLong(word));
  APMPBSetArray(data, field, &array);
}

platform::Bytes Encoded(const NANOMessageBase& message) { return message.protoBuffer().value_or(platform::Bytes()); }

std::shared_ptr<APMPBResultData> DecodedResults(const platform::Bytes& bytes) {
  if (bytes.empty()) return nullptr;
  return APMPBResultData::initWithBuffer(bytes);
}

std::optional<std::string> Rewritten(const platform::Value::Dictionary& table, const std::string& name) {
  auto entry = table.find(name);
  if (entry == table.end() || !entry->second.isString()) return std::nullopt;
  return *entry->second.getString();
}

// Validation of one filter of each kind; the first fault sets the error.
bool Invalid(APMError* error, int64_t code, const char* description) {
  APMSetError(error, code, description);
  return false;
}

bool IsValidEventFilter(const APMPBEventFilter& filter, std::set<int32_t>& seenIDs, const APMRemoteConfig& settings,
                        APMError* error) {
  constexpr int64_t kCode = 10;
  auto name = APMPBGetString(&filter, kEventNameField);
  if (!name || name->empty()) return Invalid(error, kCode, "Event filter missing event name");
  if (!APMPBHasField(&filter, kEventFilterIDField)) return Invalid(error, kCode, "Missing event filter ID");
  const int32_t filterID = APMPBGetInt32(&filter, kEventFilterIDField);
  if (filterID < 0 || filterID >= settings.maxFiltersPerAudience()) {
    return Invalid(error, kCode, "Event filter ID is out of range");
  }
  if (!seenIDs.insert(filterID).second) return Invalid(error, kCode, "Duplicate event filter ID");
  if (auto countFilter = APMPBGetMessage<APMPBNumberFilter>(&filter, kEventCountFilterField)) {
    if (FlagOn(countFilter.get(), kMatchAsFloatField)) {
      return Invalid(error, kCode, "Event filter has float event count filter");
    }
    if (!APMAudienceComparisonValues::isValidNumberFilter(*countFilter)) {
      return Invalid(error, kCode, "Event filter has invalid event count filter");
    }
  }
  const auto parameterFilters = APMPBGetMessageArray<APMPBFilter>(&filter, kParameterFiltersField);
  if (static_cast<int64_t>(parameterFilters.size()) > settings.maxParametersPerFilter()) {
    return Invalid(error, kCode, "Event filter parameters filters count out of range");
  }
  for (const auto& parameterFilter : parameterFilters) {
    auto parameterName = APMPBGetString(parameterFilter.get(), kParamNameField);
    if (!parameterName || parameterName->empty()) return Invalid(error, kCode, "Event filter missing parameter name");
    auto numberFilter = APMPBGetMessage<APMPBNumberFilter>(parameterFilter.get(), kNumberFilterField);
    auto stringFilter = APMPBGetMessage<APMPBStringFilter>(parameterFilter.get(), kStringFilterField);
    if (static_cast<bool>(numberFilter) == static_cast<bool>(stringFilter)) {
      return Invalid(error, kCode, "Event filter must have exactly one of number or string filter");
    }
    if (numberFilter && !APMAudienceComparisonValues::isValidNumberFilter(*numberFilter)) {
      return Invalid(error, kCode, "Event filter has invalid number filter");
    }
    if (stringFilter && !APMAudienceStringFilter::isValidStringFilter(*stringFilter)) {
      return Invalid(error, kCode, "Event filter has invalid string filter");
    }
  }
  return true;
}

bool IsValidPropertyFilter(const APMPBPropertyFilter& filter, std::set<int32_t>& seenIDs,
                           const APMRemoteConfig& settings, APMError* error) {
  constexpr int64_t kCode = 11;
  auto name = APMPBGetString(&filter, kPropertyNameField);
  if (!name || name->empty()) return Invalid(error, kCode, "Property filter missing property name");
  if (!APMPBHasField(&filter, kPropertyFilterIDField)) return Invalid(error, kCode, "Missing property filter ID");
  const int32_t filterID = APMPBGetInt32(&filter, kPropertyFilterIDField);
  if (filterID < 0 || filterID >= settings.maxFiltersPerAudience()) {
    return Invalid(error, kCode, "Property filter ID is out of range");
  }
  if (!seenIDs.insert(filterID).second) return Invalid(error, kCode, "Duplicate property filter ID");
  auto generic = APMPBGetMessage<APMPBFilter>(&filter, kPropertyFilterField);
  if (!generic) return Invalid(error, kCode, "Property filter has no filter");
  auto numberFilter = APMPBGetMessage<APMPBNumberFilter>(generic.get(), kNumberFilterField);
  auto stringFilter = APMPBGetMessage<APMPBStringFilter>(generic.get(), kStringFilterField);
  if (static_cast<bool>(numberFilter) == static_cast<bool>(stringFilter)) {
    return Invalid(error, kCode, "Property filter must have exactly one of number or string filter");
  }
  if (numberFilter && !APMAudienceComparisonValues::isValidNumberFilter(*numberFilter)) {
    return Invalid(error, kCode, "Property filter has invalid number filter");
  }
  if (stringFilter && !APMAudienceStringFilter::isValidStringFilter(*stringFilter)) {
    return Invalid(error, kCode, "Property filter has invalid string filter");
  }
  return true;
}

// The stored rows of one accepted audience, with names in their internal forms.
void AppendRows(const APMPBAudience& audience, std::vector<APMEventFilter>& eventRows,
                std::vector<APMPropertyFilter>& propertyRows) {
  const int32_t audienceID = APMPBGetInt32(&audience, kAudienceIDField);
  for (const auto& filter : APMPBGetMessageArray<APMPBEventFilter>(&audience, kEventFiltersField)) {
    std::string eventName = APMPBGetString(filter.get(), kEventNameField).value_or(std::string());
    const auto& eventNames = APMPublicToInternalEventNames();
    if (auto internal = eventNames.find(eventName); internal != eventNames.end()) {
      eventName = internal->second;
      APMPBSetString(filter.get(), kEventNameField, eventName);
    }
    auto parameterFilters = APMPBGetMessageArray<APMPBFilter>(filter.get(), kParameterFiltersField);
    bool renamed = false;
    for (const auto& parameterFilter : parameterFilters) {
      auto name = APMPBGetString(parameterFilter.get(), kParamNameField);
      if (!name) continue;
      if (auto internal = Rewritten(APMPublicToInternalParameterNames(), *name)) {
        APMPBSetString(parameterFilter.get(), kParamNameField, *internal);
        renamed = true;
      }
    }
    if (renamed) APMPBSetMessageArray(filter.get(), kParameterFiltersField, parameterFilters);
    eventRows.emplace_back(audienceID, APMPBGetInt32(filter.get(), kEventFilterIDField), std::move(eventName),
                           Encoded(*filter), FlagOn(filter.get(), kEventSessionScopedField),
                           FlagOn(filter.get(), kEventDynamicField), FlagOn(filter.get(), kEventSequenceField));
  }
  for (const auto& filter : APMPBGetMessageArray<APMPBPropertyFilter>(&audience, kPropertyFiltersField)) {
    std::string propertyName = APMPBGetString(filter.get(), kPropertyNameField).value_or(std::string());
    if (auto internal = Rewritten(APMPublicToInternalUserPropertyNames(), propertyName)) {
      propertyName = *internal;
      APMPBSetString(filter.get(), kPropertyNameField, propertyName);
    }
    propertyRows.emplace_back(audienceID, APMPBGetInt32(filter.get(), kPropertyFilterIDField),
                              std::move(propertyName), Encoded(*filter),
                              FlagOn(filter.get(), kPropertySessionScopedField),
                              FlagOn(filter.get(), kPropertyDynamicField), FlagOn(filter.get(), kPropertySequenceField));
  }
}

}  // namespace

APMAudience::APMAudience(std::shared_ptr<APMDatabase> database) : database_(std::move(database)) {}

bool APMAudience::isValidAudience(const APMPBAudience& audience, const std::set<int32_t>& acceptedAudienceIDs,
                                  APMError* error) {
  constexpr int64_t kCode = 9;
  if (!APMPBHasField(&audience, kAudienceIDField)) return Invalid(error, kCode, "Missing audience ID");
  const int32_t audienceID = APMPBGetInt32(&audience, kAudienceIDField);
  if (audienceID < 0) return Invalid(error, kCode, "Audience ID is negative");
  if (acceptedAudienceIDs.contains(audienceID)) return Invalid(error, kCode, "Duplicate audience ID");
  if (!APMPBHasField(&audience, kEventFiltersField) && !APMPBHasField(&audience, kPropertyFiltersField)) {
    return Invalid(error, kCode, "Audience missing filters arrays");
  }
  const auto settings = AudienceSettings();
  const auto eventFilters = APMPBGetMessageArray<APMPBEventFilter>(&audience, kEventFiltersField);
  const auto propertyFilters = APMPBGetMessageArray<APMPBPropertyFilter>(&audience, kPropertyFiltersField);
  const size_t filterCount = eventFilters.size() + propertyFilters.size();
  if (filterCount == 0 || static_cast<int64_t>(filterCount) > settings->maxFiltersPerAudience()) {
    return Invalid(error, kCode, "Audience filter count out of range");
  }
  std::set<int32_t> eventFilterIDs;
  for (const auto& filter : eventFilters) {
    if (!IsValidEventFilter(*filter, eventFilterIDs, *settings, error)) return false;
  }
  std::set<int32_t> propertyFilterIDs;
  for (const auto& filter : propertyFilters) {
    if (!IsValidPropertyFilter(*filter, propertyFilterIDs, *settings, error)) return false;
  }
  return true;
}

bool APMAudience::updateAudiences(const std::vector<std::shared_ptr<APMPBAudience>>& audiences) {
  // New definitions: every filter gets its chance again.
  skippedEventFilters_.clear();
  skippedPropertyFilters_.clear();
  const auto settings = AudienceSettings();
  if (static_cast<int64_t>(audiences.size()) > settings->maxAudienceCount()) {
    Monitor().logWithLevel(2, 6008,
                           "Configuration contains too many audiences. Audiences will not be saved. Audience count",
                           audiences.size());
    return true;
  }
  std::set<int32_t> accepted;
  std::vector<APMEventFilter> eventRows;
  std::vector<APMPropertyFilter> propertyRows;
  for (const auto& audience : audiences) {
    if (!audience) continue;
    APMError error;
    if (!isValidAudience(*audience, accepted, &error)) {
      Monitor().logWithLevel(2, 6009, "Audience definition is invalid. Audience will not be saved. Audience, error",
                             APMFilterLogContext("APMPBAudience", *audience), error);
      continue;
    }
    accepted.insert(APMPBGetInt32(audience.get(), kAudienceIDField));
    AppendRows(*audience, eventRows, propertyRows);
  }
  if (!maybeDeleteStaleFilterResults(accepted)) return false;
  APMError error;
  if (!database_->deleteAllEventFilters(&error)) {
    Monitor().logWithLevel(1, 6010, "Unable to delete existing Audience event filters. Audiences will not be saved. Error",
                           error);
    return false;
  }
  if (!database_->deleteAllPropertyFilters(&error)) {
    Monitor().logWithLevel(1, 6011,
                           "Unable to delete existing Audience user property filters. Audiences will not be saved. "
                           "Error",
                           error);
    return false;
  }
  if (!eventRows.empty() && !database_->updateEventFilters(eventRows, &error)) {
    Monitor().logWithLevel(1, 6012, "Unable to save Audience event filters. Audiences will not be saved. Error", error);
    return false;
  }
  if (!propertyRows.empty() && !database_->updatePropertyFilters(propertyRows, &error)) {
    Monitor().logWithLevel(1, 6013, "Unable to save Audience user property filters. Audiences will not be saved. Error",
                           error);
    return false;
  }
  return true;
}

bool APMAudience::maybeDeleteStaleFilterResults(const std::set<int32_t>& newAudienceIDs) {
  APMError error;
  auto results = database_->allFilterResults(&error);
  if (!results) {
    Monitor().logWithLevel(1, 6015, "Unable to query Audience filter results. Audiences will not be saved. Error",
                           error);
    return false;
  }
  const int32_t maxCount = AudienceSettings()->maxFilterResultCount();
  if (static_cast<int64_t>(results->size()) <= maxCount) return true;
  Monitor().logWithLevel(3, 6016,
                         "Too many Audience filter results. Deleting filter results for deleted Audiences. Filter "
                         "result count, max filter result count",
                         results->size(), maxCount);
  auto storedIDs = database_->allAudienceIDs(&error);
  if (!storedIDs) {
    Monitor().logWithLevel(1, 6017, "Unable to query current Audience IDs. Audiences will not be saved. Error", error);
    return false;
  }
  const std::set<int32_t> stored(storedIDs->begin(), storedIDs->end());
  std::vector<APMFilterResult> stale;
  for (const auto& [audienceID, result] : *results) {
    if (!stored.contains(audienceID) && !newAudienceIDs.contains(audienceID)) stale.push_back(result);
  }
  if (!stale.empty() && !database_->deleteFilterResults(stale, &error)) {
    Monitor().logWithLevel(1, 6018, "Unable to delete stale Audience filter results. Audiences will not be saved. Error",
                           error);
    return false;
  }
  return true;
}

bool APMAudience::isFilterResultTrue(const APMFilterResult* result, int32_t filterID) {
  if (result == nullptr || result->currentResults().empty() || filterID < 0) return false;
  auto data = DecodedResults(result->currentResults());
  if (!data) return false;
  const auto status = Words(data.get(), kStatusWordsField);
  const auto results = Words(data.get(), kResultWordsField);
  if (status.empty() || results.empty()) {
    Monitor().logWithLevel(2, 6023,
                           "Audience filter result is non-nil and is missing status or results array. Audience result "
                           "will not be bundled. Audience ID, result data",
                           result->audienceID(), APMFilterLogContext("APMPBResultData", *data));
    return false;
  }
  const size_t word = static_cast<size_t>(filterID) / 64;
  const uint64_t bit = uint64_t{1} << (filterID % 64);
  if (word >= status.size() || word >= results.size()) return false;
  return (status[word] & bit) != 0 && (results[word] & bit) != 0;
}

APMFilterResult APMAudience::updatedFilterResult(int32_t filterID, int32_t audienceID,
                                                 const APMFilterResult* currentResult,
                                                 std::optional<bool> newEvaluationResult,
                                                 const APMAudienceTimestampsCache& cache) {
  std::shared_ptr<APMPBResultData> current;
  if (currentResult != nullptr) current = DecodedResults(currentResult->currentResults());
  std::vector<uint64_t> status = Words(current.get(), kStatusWordsField);
  std::vector<uint64_t> results = Words(current.get(), kResultWordsField);
  const size_t word = static_cast<size_t>(filterID < 0 ? 0 : filterID) / 64;
  const uint64_t bit = uint64_t{1} << ((filterID < 0 ? 0 : filterID) % 64);
  if (status.size() <= word) status.resize(word + 1, 0);
  if (results.size() <= word) results.resize(word + 1, 0);
  if (newEvaluationResult) {
    status[word] |= bit;
  } else {
    status[word] &= ~bit;
  }
  if (newEvaluationResult.value_or(false)) {
    results[word] |= bit;
  } else {
    results[word] &= ~bit;
  }
  APMPBResultData data;
  SetWords(&data, kResultWordsField, results);
  SetWords(&data, kStatusWordsField, status);
  if (auto dynamic = cache.dynamicTimestampsForAudienceID(audienceID); !dynamic.empty()) {
    APMPBSetMessageArray(&data, kDynamicTimestampsField, dynamic);
  }
  if (auto sequence = cache.sequenceTimestampsForAudienceID(audienceID); sequence && !sequence->empty()) {
    APMPBSetMessageArray(&data, kSequenceTimestampsField, *sequence);
  }
  return APMFilterResult(audienceID, Encoded(data),
                         currentResult != nullptr ? currentResult->previousResults() : std::nullopt);
}

namespace {

// The result of one audience during one evaluation: the saved-to-be one
// when this call updated it, else the stored one (loaded once).
class AudienceResults {
 public:
  explicit AudienceResults(APMDatabase& database) : database_(database) {}

  // False when the stored result could not be read.
  bool current(int32_t audienceID, const APMFilterResult** result, APMError* error) {
    if (auto updated = updated_.find(audienceID); updated != updated_.end()) {
      *result = &updated->second;
      return true;
    }
    auto loaded = loaded_.find(audienceID);
    if (loaded == loaded_.end()) {
      APMError queryError;
      auto stored = database_.filterResultForAudienceID(audienceID, &queryError);
      if (Failed(queryError)) {
        *error = queryError;
        return false;
      }
      loaded = loaded_.emplace(audienceID, std::move(stored)).first;
    }
    *result = loaded->second ? &*loaded->second : nullptr;
    return true;
  }
  void update(APMFilterResult result) {
    const int32_t audienceID = result.audienceID();
    updated_.insert_or_assign(audienceID, std::move(result));
    loaded_.erase(audienceID);
  }
  bool save(APMError* error) {
    if (updated_.empty()) return true;
    std::vector<APMFilterResult> results;
    results.reserve(updated_.size());
    for (auto& [audienceID, result] : updated_) results.push_back(std::move(result));
    return database_.updateFilterResults(results, error);
  }

 private:
  APMDatabase& database_;
  std::map<int32_t, APMFilterResult> updated_;
  std::map<int32_t, std::optional<APMFilterResult>> loaded_;
};

bool NeedsEvaluation(bool wasTrue, bool dynamic, bool sequence, bool sessionScoped) {
  // A plain filter that became true stays true for good.
  return !wasTrue || dynamic || sequence || sessionScoped;
}

}  // namespace

bool APMAudience::evaluateFiltersForEvent(const APMEvent& event, const APMEventAggregates* aggregates,
                                          APMAudienceTimestampsCache* cache) {
  return evaluateFiltersForEventName(event.name(), event.parameters(), aggregates, event.timestamp(), cache);
}

bool APMAudience::evaluateFiltersForEventName(const std::string& eventName, const APMEvent::Parameters& parameters,
                                              const APMEventAggregates* aggregates, double eventTimestamp,
                                              APMAudienceTimestampsCache* cache) {
  APMError error;
  auto filters = database_->eventFiltersForEventName(eventName, &error);
  if (!filters) {
    Monitor().logWithLevel(1, 6000, "Unable to query event filters for event. Event will not be evaluated. Event name, error",
                           eventName, error);
    return false;
  }
  APMAudienceTimestampsCache ownCache;
  if (cache == nullptr) cache = &ownCache;
  AudienceResults results(*database_);
  for (const APMEventFilter& row : *filters) {
    const FilterKey key{row.audienceID(), row.filterID()};
    if (skippedEventFilters_.contains(key)) continue;
    const APMFilterResult* current = nullptr;
    if (!results.current(row.audienceID(), &current, &error)) {
      Monitor().logWithLevel(1, 6001,
                             "Unable to query filter result for audience. Event will not be evaluated. Event name, "
                             "error",
                             eventName, error);
      return false;
    }
    const bool wasTrue = isFilterResultTrue(current, row.filterID());
    if (!NeedsEvaluation(wasTrue, row.isDynamic(), row.isSequence(), row.isSessionScoped())) continue;
    std::shared_ptr<APMPBEventFilter> filter;
    if (!row.data().empty() && FilterIDInRange(row.filterID())) filter = APMPBEventFilter::initWithBuffer(row.data());
    if (!filter) {
      Monitor().logWithLevel(1, 6035,
                             "Event filter contains no data or corrupt data. Event will not be evaluated. Event name, "
                             "filter ID, audience ID, dynamic",
                             {APMLogContext(eventName), APMLogContext(row.filterID()), APMLogContext(row.audienceID()),
                              APMLogContext(row.isDynamic())});
      continue;
    }
    bool limitReached = false;
    auto answer = APMAudienceFilterEvaluator::evaluateEventFilter(filter.get(), eventName, parameters, aggregates,
                                                                  &limitReached);
    if (limitReached) skippedEventFilters_.insert(key);
    if (!answer) continue;
    cache->populateCachedTimestamps(current, row.audienceID());
    if (*answer) cache->addEvaluationTimestamp(eventTimestamp, row);
    // An event filter, once true, stays true: a later non-matching event
    // does not take the audience away.
    const bool stored = *answer || wasTrue;
    results.update(updatedFilterResult(row.filterID(), row.audienceID(), current, stored, *cache));
  }
  if (!results.save(&error)) {
    Monitor().logWithLevel(1, 6003,
                           "Unable to save updated Audience filter results. Event will not be evaluated. Event name, "
                           "error",
                           eventName, error);
    return false;
  }
  return true;
}

bool APMAudience::evaluateFiltersForUserProperty(const APMUserAttribute& property, APMAudienceTimestampsCache* cache,
                                                 double evaluationTimestamp) {
  const std::string& name = property.name();
  APMError error;
  auto filters = database_->propertyFiltersForPropertyName(name, &error);
  if (!filters) {
    Monitor().logWithLevel(1, 6004,
                           "Unable to query property filters for property. Property will not be evaluated. Property "
                           "name, error",
                           name, error);
    return false;
  }
  APMAudienceTimestampsCache ownCache;
  if (cache == nullptr) cache = &ownCache;
  AudienceResults results(*database_);
  for (const APMPropertyFilter& row : *filters) {
    const FilterKey key{row.audienceID(), row.filterID()};
    if (skippedPropertyFilters_.contains(key)) continue;
    const APMFilterResult* current = nullptr;
    if (!results.current(row.audienceID(), &current, &error)) {
      Monitor().logWithLevel(1, 6005,
                             "Unable to query filter result for audience. Property will not be evaluated. Property "
                             "name, error",
                             name, error);
      return false;
    }
    const bool wasTrue = isFilterResultTrue(current, row.filterID());
    if (!NeedsEvaluation(wasTrue, row.isDynamic(), row.isSequence(), row.isSessionScoped())) continue;
    std::shared_ptr<APMPBPropertyFilter> filter;
    if (!row.data().empty() && FilterIDInRange(row.filterID())) {
      filter = APMPBPropertyFilter::initWithBuffer(row.data());
    }
    if (!filter) {
      Monitor().logWithLevel(1, 6036,
                             "User property filter contains no data or corrupt data. User property will not be "
                             "evaluated. User property name, filter ID, audience ID, dynamic",
                             {APMLogContext(name), APMLogContext(row.filterID()), APMLogContext(row.audienceID()),
                              APMLogContext(row.isDynamic())});
      continue;
    }
    bool limitReached = false;
    auto answer = APMAudienceFilterEvaluator::evaluatePropertyFilter(filter.get(), &property, &limitReached);
    if (limitReached) skippedPropertyFilters_.insert(key);
    if (!answer) continue;
    cache->populateCachedTimestamps(current, row.audienceID());
    if (*answer) cache->addEvaluationTimestamp(evaluationTimestamp, row);
    // A property can leave an audience only through a dynamic filter that is
    // not bound to the session.
    const bool stored = *answer || (row.isDynamic() && !row.isSessionScoped() ? false : wasTrue);
    results.update(updatedFilterResult(row.filterID(), row.audienceID(), current, stored, *cache));
  }
  if (!results.save(&error)) {
    Monitor().logWithLevel(1, 6007,
                           "Unable to save updated Audience filter results. User property will not be evaluated. User "
                           "property name, error",
                           name, error);
    return false;
  }
  return true;
}

bool APMAudience::evaluateFiltersForNanoUserProperty(const APMPBUserAttribute& property,
                                                     APMAudienceTimestampsCache* cache,
                                                     std::optional<double> evaluationTime) {
  std::optional<APMValue> value;
  if (APMPBHasField(&property, kStringValueField)) {
    if (auto text = APMPBGetString(&property, kStringValueField)) value = APMValue(std::move(*text));
  } else if (APMPBHasField(&property, kDoubleValueField)) {
    value = APMValue(APMPBGetDouble(&property, kDoubleValueField));
  } else if (APMPBHasField(&property, kIntValueField)) {
    value = APMValue(APMPBGetInt64(&property, kIntValueField));
  }
  std::optional<APMUserAttribute> attribute;
  if (value) {
    const double setTime = static_cast<double>(APMPBGetInt64(&property, kSetTimestampMillisField)) / 1000.0;
    attribute = APMUserAttribute::initWithOrigin(
        "", APMPBGetString(&property, kUserAttributeNameField).value_or(std::string()), std::move(*value), setTime);
  }
  if (!attribute) {
    Monitor().logWithLevel(2, 6039, "Could not convert user property from nano format.");
    return false;
  }
  return evaluateFiltersForUserProperty(*attribute, cache, evaluationTime.value_or(attribute->lastSetTimestamp()));
}

bool APMAudience::resultsForBundling(std::optional<LeafResults>* out) {
  APMError error;
  auto stored = database_->allFilterResults(&error);
  if (!stored) {
    Monitor().logWithLevel(1, 6019, "Unable to query Audience filter results. Audience results will not be bundled. Error",
                           error);
    if (out != nullptr) *out = std::nullopt;
    return false;
  }
  LeafResults leaves;
  std::vector<APMFilterResult> moved;
  leaves.reserve(stored->size());
  moved.reserve(stored->size());
  for (auto& [audienceID, result] : *stored) {
    auto current = DecodedResults(result.currentResults());
    if (!current) {
      Monitor().logWithLevel(2, 6020, "Current result data is nil. Audience result will not be bundled. Audience ID",
                             audienceID);
      continue;
    }
    const auto status = Words(current.get(), kStatusWordsField);
    if (std::none_of(status.begin(), status.end(), [](uint64_t word) { return word != 0; })) {
      Monitor().logWithLevel(2, 6021, "Current result status is 0. Audience result will not be bundled. Audience ID",
                             audienceID);
      continue;
    }
    auto leaf = std::make_shared<APMPBAudienceLeafFilterResult>();
    APMPBSetInt32(leaf.get(), kLeafAudienceIDField, audienceID);
    platform::Bytes currentBytes = result.currentResults();
    const auto& previous = result.previousResults();
    if (previous && !previous->empty()) {
      APMPBSetBool(leaf.get(), kLeafNewAudienceField, false);
      if (*previous == result.currentResults()) {
        // Nothing new since the last bundle: only the latest step of the
        // first sequence matters from here on.
        auto sequences = APMPBGetMessageArray<APMPBSequenceFilterResultTimestamp>(current.get(),
                                                                                  kSequenceTimestampsField);
        if (!sequences.empty()) {
          auto times = APMPBGetArray(sequences.front().get(), kSequenceTimesField, nullptr);
          if (times && times->size() >= 2) {
            std::vector<APMPBObject> last{times->back()};
            APMPBSetArray(sequences.front().get(), kSequenceTimesField, &last);
            APMPBSetMessageArray(current.get(), kSequenceTimestampsField, sequences);
            currentBytes = Encoded(*current);
          }
        }
      } else if (auto previousData = DecodedResults(*previous)) {
        APMPBSetMessage(leaf.get(), kLeafPreviousDataField, previousData.get());
      }
    } else {
      APMPBSetBool(leaf.get(), kLeafNewAudienceField, true);
    }
    APMPBSetMessage(leaf.get(), kLeafCurrentDataField, current.get());
    leaves.push_back(std::move(leaf));
    moved.emplace_back(audienceID, std::move(currentBytes), result.currentResults());
  }
  if (!moved.empty() && !database_->updateFilterResults(moved, &error)) {
    Monitor().logWithLevel(1, 6022,
                           "Unable to save updated Audience filter results. Audience results will not be bundled. Error",
                           error);
    if (out != nullptr) *out = std::nullopt;
    return true;
  }
  if (out != nullptr) *out = std::move(leaves);
  return true;
}

bool APMAudience::clearEvaluationResultsForSessionScopedFilters() {
  APMError error;
  auto sessionScoped = database_->allSessionScopedFilters(&error);
  if (!sessionScoped) {
    Monitor().logWithLevel(1, 6040,
                           "Unable to query all session scoped filters. Session scoped results will not be cleared. "
                           "Error",
                           error);
    return false;
  }
  auto stored = database_->allFilterResults(&error);
  if (!stored) {
    Monitor().logWithLevel(1, 6041, "Unable to query all filter results. Session scoped results will not be cleared. Error",
                           error);
    return false;
  }
  for (const auto& [audienceID, filterIDs] : *sessionScoped) {
    auto result = stored->find(audienceID);
    if (result == stored->end()) continue;
    auto data = DecodedResults(result->second.currentResults());
    if (!data) continue;
    auto status = Words(data.get(), kStatusWordsField);
    auto results = Words(data.get(), kResultWordsField);
    std::set<int32_t> cleared;
    for (int32_t filterID : filterIDs) {
      if (!FilterIDInRange(filterID)) continue;
      cleared.insert(filterID);
      const size_t word = static_cast<size_t>(filterID) / 64;
      const uint64_t bit = uint64_t{1} << (filterID % 64);
      if (word < status.size()) status[word] &= ~bit;
      if (word < results.size()) results[word] &= ~bit;
    }
    if (std::any_of(status.begin(), status.end(), [](uint64_t word) { return word != 0; })) {
      SetWords(data.get(), kStatusWordsField, status);
      SetWords(data.get(), kResultWordsField, results);
      auto keep = [&cleared](const auto& entry) {
        return !cleared.contains(APMPBGetInt32(entry.get(), kTimestampFilterIDField));
      };
      auto dynamic = APMPBGetMessageArray<APMPBDynamicFilterResultTimestamp>(data.get(), kDynamicTimestampsField);
      std::erase_if(dynamic, [&](const auto& entry) { return !keep(entry); });
      APMPBSetMessageArray(data.get(), kDynamicTimestampsField, dynamic);
      auto sequence = APMPBGetMessageArray<APMPBSequenceFilterResultTimestamp>(data.get(), kSequenceTimestampsField);
      std::erase_if(sequence, [&](const auto& entry) { return !keep(entry); });
      APMPBSetMessageArray(data.get(), kSequenceTimestampsField, sequence);
      const std::vector<APMFilterResult> update{
          APMFilterResult(audienceID, Encoded(*data), result->second.currentResults())};
      if (!database_->updateFilterResults(update, &error)) {
        Monitor().logWithLevel(2, 6043, "Unable to update filter results. Session scoped results will not be cleared. Error",
                               error);
        return false;
      }
    } else if (!database_->deleteFilterResults({result->second}, &error)) {
      Monitor().logWithLevel(1, 6042, "Unable to delete filter results. Session scoped results will not be cleared. Error",
                             error);
      return false;
    }
  }
  return true;
}
