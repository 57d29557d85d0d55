// The tests that decide one audience filter: an event filter against an
// event, a property filter against a user property, and the generic filter
// with its number or string filter beneath both. Each answers true, false,
// or none when the filter or the input cannot be evaluated.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "Analytics/Protobuf/APMPBMessage.h"
#include "Analytics/Storage/APMEventAggregates.h"
#include "Analytics/Storage/APMUserAttribute.h"
#include "Analytics/Storage/APMValue.h"

class APMAudienceFilterEvaluator {
 public:
  using Parameters = std::map<std::string, APMValue, std::less<>>;

  // A number filter wins over a string filter; the complement flag inverts
  // an answer but never makes one.
  // limitReached (optional): set when a regular expression stopped at its
  // limit, so that the caller can skip the filter from then on.
  static std::optional<bool> evaluateFilter(const APMPBFilter& filter, const APMValue& value,
                                            bool* limitReached = nullptr);
  // The event's count (session or lifetime, by the filter's scope) and each
  // parameter filter in order; the first false or none decides.
  static std::optional<bool> evaluateEventFilter(const APMPBEventFilter* filter, const std::string& eventName,
                                                 const Parameters& parameters, const APMEventAggregates* aggregates,
                                                 bool* limitReached = nullptr);
  static std::optional<bool> evaluatePropertyFilter(const APMPBPropertyFilter* filter,
                                                    const APMUserAttribute* property, bool* limitReached = nullptr);
};
