#include "Analytics/Storage/Audience/APMAudienceFilterEvaluator.h"

#include <cmath>
#include <memory>

#include "Analytics/Engine/APMDecimalNumber.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Audience/APMAudienceComparisonValues.h"
#include "Analytics/Storage/Audience/APMAudienceFields.h"
#include "Analytics/Storage/Audience/APMAudienceStringFilter.h"
#include "Analytics/Storage/Audience/APMFilterLogContext.h"

namespace {

// Filter
constexpr int32_t kComplementField = 2;
// EventFilter
// PropertyFilter

std::optional<bool> NumberFilterOnDecimal(const APMPBNumberFilter& filter, const APMDecimalNumber& value) {
  return APMAudienceComparisonValues::evaluateNumberFilter(filter, value);
}

std::optional<bool> EvaluateUncomplemented(const APMPBFilter& filter, const APMValue& value, bool* limitReached) {
  auto numberFilter = APMPBGetMessage<APMPBNumberFilter>(&filter, kNumberFilterField);
  auto stringFilter = APMPBGetMessage<APMPBStringFilter>(&filter, kStringFilterField);
  if (!numberFilter && !stringFilter) {
    Monitor().logWithLevel(1, 7000,
                           "Filter has neither a number nor string filter. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (numberFilter) {
    if (value.isString()) {
      const std::string& text = *value.stringPointer();
      if (!APMIsDecimalNumberString(text)) {
        Monitor().logWithLevel(3, 7001,
                               "String value is not a numeric value. Audience filter will not be evaluated. Value, "
                               "filter",
                               text, APMFilterLogContext("APMPBFilter", filter));
        return std::nullopt;
      }
      auto decimal = APMDecimalNumberFromString(text);
      if (!decimal) return std::nullopt;
      return NumberFilterOnDecimal(*numberFilter, *decimal);
    }
    if (value.isDouble()) {
      if (!std::isfinite(value.doubleValue())) {
        Monitor().logWithLevel(3, 7002, "Value is not within double range. Audience filter will not be evaluated");
        return std::nullopt;
      }
      return APMAudienceComparisonValues::evaluateNumberFilter(*numberFilter, value.doubleValue());
    }
    if (value.isInt64()) {
      auto decimal = APMDecimalNumber::fromString(std::to_string(value.int64Value()));
      if (!decimal) return std::nullopt;
      return NumberFilterOnDecimal(*numberFilter, *decimal);
    }
    return std::nullopt;  // an array has no number
  }
  if (!value.isString()) {
    Monitor().logWithLevel(3, 7003, "Value is not a string. Audience filter will not be evaluated");
    return std::nullopt;
  }
  return APMAudienceStringFilter::evaluateStringFilter(*stringFilter, *value.stringPointer(), limitReached);
}

}  // namespace

std::optional<bool> APMAudienceFilterEvaluator::evaluateFilter(const APMPBFilter& filter, const APMValue& value,
                                                               bool* limitReached) {
  if (limitReached != nullptr) *limitReached = false;
  auto answer = EvaluateUncomplemented(filter, value, limitReached);
  if (answer && APMPBHasField(&filter, kComplementField) && APMPBGetBool(&filter, kComplementField)) {
    return !*answer;
  }
  return answer;
}

std::optional<bool> APMAudienceFilterEvaluator::evaluateEventFilter(const APMPBEventFilter* filter,
                                                                    const std::string& eventName,
                                                                    const Parameters& parameters,
                                                                    const APMEventAggregates* aggregates,
                                                                    bool* limitReached) {
  if (limitReached != nullptr) *limitReached = false;
  if (filter == nullptr) {
    Monitor().logWithLevel(1, 7004, "Event filter is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (eventName.empty()) {
    Monitor().logWithLevel(1, 7005, "Event name is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (APMPBGetString(filter, kEventNameField) != eventName) {
    Monitor().logWithLevel(1, 7006,
                           "Event filter name does not match event name. Audience filter will not be evaluated");
    return std::nullopt;
  }
  auto countFilter = APMPBGetMessage<APMPBNumberFilter>(filter, kEventCountFilterField);
  const auto parameterFilters = APMPBGetMessageArray<APMPBFilter>(filter, kParameterFiltersField);
  if (!countFilter && parameterFilters.empty()) return true;
  if (countFilter) {
    if (aggregates == nullptr || aggregates->name() != eventName) {
      Monitor().logWithLevel(1, 7007,
                             "Event aggregates name does not match event name. Audience filter will not be evaluated");
      return std::nullopt;
    }
    const bool sessionScoped = APMPBGetBool(filter, kEventSessionScopedField);
    const int32_t count = sessionScoped ? aggregates->currentSessionCount() : aggregates->lifetimeCount();
    auto decimal = APMDecimalNumber::fromString(std::to_string(count));
    auto answer = decimal ? NumberFilterOnDecimal(*countFilter, *decimal) : std::nullopt;
    if (!answer || !*answer) return answer;
  }
  for (const auto& parameterFilter : parameterFilters) {
    auto name = APMPBGetString(parameterFilter.get(), kParamNameField);
    if (!name || name->empty()) {
      Monitor().logWithLevel(1, 7008,
                             "Event filter does not have parameter name. Audience filter will not be evaluated");
      return std::nullopt;
    }
    auto parameter = parameters.find(*name);
    if (parameter == parameters.end()) {
      Monitor().logWithLevel(3, 7009,
                             "Event does not have parameter required by filter. Audience filter will not be evaluated");
      return std::nullopt;
    }
    if (parameter->second.isString() && !APMPBHasField(parameterFilter.get(), kStringFilterField)) {
      Monitor().logWithLevel(3, 7010,
                             "Event param is a string and the filter does not have a string filter. Audience filter "
                             "will not be evaluated. Event name, event params, filter",
                             eventName, parameter->second.description(),
                             APMFilterLogContext("APMPBFilter", *parameterFilter));
      return std::nullopt;
    }
    auto answer = evaluateFilter(*parameterFilter, parameter->second, limitReached);
    if (!answer || !*answer) return answer;
  }
  return true;
}

std::optional<bool> APMAudienceFilterEvaluator::evaluatePropertyFilter(const APMPBPropertyFilter* filter,
                                                                       const APMUserAttribute* property,
                                                                       bool* limitReached) {
  if (limitReached != nullptr) *limitReached = false;
  if (filter == nullptr) {
    Monitor().logWithLevel(1, 7011, "Property filter is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (property == nullptr) {
    Monitor().logWithLevel(1, 7012, "User property is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (APMPBGetString(filter, kPropertyNameField) != property->name()) {
    Monitor().logWithLevel(1, 7013,
                           "User property name does not match property filter name. Audience filter will not be "
                           "evaluated");
    return std::nullopt;
  }
  auto generic = APMPBGetMessage<APMPBFilter>(filter, kPropertyFilterField);
  if (!generic) {
    Monitor().logWithLevel(1, 7014, "Property filter does not have filter. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (property->value().isArray()) {
    Monitor().logWithLevel(1, 7015, "Unknown user property type. Audience filter will not be evaluated. Property Name",
                           property->name());
    return std::nullopt;
  }
  return evaluateFilter(*generic, property->value(), limitReached);
}
