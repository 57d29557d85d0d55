// Event-name tables, error codes and error parameters, the parameter
// sanitiser that turns a caller's parameters into typed values under the
// engine's limits, and small predicates shared by the event pipeline.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>

#include "Analytics/Engine/Monitor/APMError.h"
#include "Analytics/Engine/APMEvent.h"
#include "Analytics/Storage/APMValue.h"

using APMNameTable = std::map<std::string, std::string, std::less<>>;

const APMNameTable& APMPublicToInternalEventNames();
const APMNameTable& APMInternalToPublicEventNames();
const APMNameTable& APMAllowedPublicEventNames();
const std::map<int64_t, std::string>& APMErrorCodeNames();

// Error events through the facade's internal-event entry.
void APMLogErrorEvent(int64_t code);
void APMLogErrorEventWithNameAndValue(int64_t code, std::string_view name, int64_t maxLength,
                                      const std::optional<APMValue>& value);
// Error parameters ("_err", "_ev", "_el"); the first error recorded wins.
void APMSetErrorNameAndValue(APMEvent::Parameters& parameters, std::string_view name, int64_t maxLength,
                             const std::optional<APMValue>& value);
void APMSetErrorCodeIfAbsent(APMEvent::Parameters& parameters, int64_t code);
void APMSetErrorParametersIfAbsent(APMEvent::Parameters& parameters, int64_t code, std::string_view name,
                                   int64_t maxLength, const std::optional<APMValue>& value);
void APMRecordArrayParamError(APMEvent::Parameters& parameters, int64_t failureCode, std::string_view paramName,
                              std::string_view eventName);
// The name cut to maxLength code points, followed by "..." when it was longer.
std::string APMTrimmedName(std::string_view name, int64_t maxLength);

bool APMIsPublicName(std::string_view name);
bool APMIsErrorEvent(const APMEvent& event);
bool APMIsNotErrorEventName(std::string_view name);
bool APMIsSubscriptionEvent(const APMEvent& event);
bool APMIsEcommerceEvent(std::string_view name);
bool APMIsItemParameterName(std::string_view name);
bool APMIsPurchaseEvent(std::string_view name);

template <typename Map>
int APMCountCustomParameters(const Map& parameters, bool itemScope) {
  int count = 0;
  for (const auto& entry : parameters) {
    const std::string& key = entry.first;
    if (key.empty() || key[0] == '_') continue;
    if (itemScope && APMIsItemParameterName(key)) continue;
    ++count;
  }
  return count;
}
void APMTrimCustomParameters(APMEvent::Parameters& parameters, int limit, bool itemScope);
void APMTrimDefaultEventParameters(APMEvent::Parameters& parameters, int limit);

// None for empty parameters; otherwise the typed parameters that passed,
// with at most one error triple.
std::optional<APMEvent::Parameters> APMSanitizeEventParameters(const APMParameterObjects& parameters,
                                                               const std::optional<std::string>& eventName,
                                                               bool isPublic, bool isItem);
// The same, moving the passing typed values instead of copying them.
std::optional<APMEvent::Parameters> APMSanitizeEventParameters(APMParameterObjects&& parameters,
                                                               const std::optional<std::string>& eventName,
                                                               bool isPublic, bool isItem);
// Typed parameters; when nothing needs removing or cutting, they come back
// as they are, with no copy.
std::optional<APMEvent::Parameters> APMSanitizeTypedEventParameters(APMEvent::Parameters&& parameters,
                                                                    const std::optional<std::string>& eventName,
                                                                    bool isPublic, bool isItem);
std::optional<APMEvent::Parameters> APMSanitizeParameters(const APMParameterObjects& parameters, bool isPublic);
bool APMValidateValueAndCurrency(APMEvent::Parameters& parameters);
int64_t APMTotalArrayItemCount(const APMEvent& event);
bool APMHasScreenParameters(const APMEvent::Parameters& parameters);
APMEvent::Parameters APMScreenParameters(const APMEvent::Parameters& parameters);
bool APMExcludeFileFromBackup(const std::string& path, APMError* error);
