#include "Analytics/Engine/APMEvent.h"

#include <limits>
#include <vector>

#include "Analytics/Engine/APMDataTypeValidator.h"
#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/APMNamesForLogging.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Interpreter/APMPEvent.h"
#include "Analytics/Protobuf/APMPBEventFields.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Platform/Foundation/SaturatingCast.h"

namespace {

using namespace apm_event_fields;

constexpr double kDoubleEpsilon = 2.220446049250313e-16;

APMParameterObjects ObjectsFromParameters(const APMEvent::Parameters& parameters) {
  APMParameterObjects objects;
  for (const auto& [key, value] : parameters) objects.emplace(key, value);
  return objects;
}

// The origin and name checks, made before the parameters are sanitised.
bool IsValidOriginAndName(const std::string& origin, bool isPublic, const std::string& name, double timestamp,
                          double previousTimestamp) {
  int64_t failure = 0;
  if (!APMDataTypeValidator::isValidForwardedEventOrigin(origin, &failure)) {
    if (failure != 6 || !APMDataTypeValidator::isValidInternalEventOrigin(origin, &failure)) return false;
  }
  if (isPublic && !APMDataTypeValidator::isValidPublicEventName(name, &failure)) return false;
  if (!APMDataTypeValidator::isValidInternalEventName(name, &failure)) return false;
  if (previousTimestamp > timestamp) {
    Monitor().logWithLevel(5, 16002, "Event created with previous timestamp after current timestamp");
  }
  return true;
}

std::shared_ptr<APMPBEventParam> ScalarParam(const std::string& name, const APMValue& value) {
  auto param = std::make_shared<APMPBEventParam>();
  APMPBSetString(param.get(), kParamName, name);
  if (value.isDouble()) {
    APMPBSetDouble(param.get(), kParamDouble, value.doubleValue());
  } else if (value.isInt64()) {
    APMPBSetInt64(param.get(), kParamInt, value.int64Value());
  } else if (const std::string* text = value.stringPointer()) {
    APMPBSetString(param.get(), kParamString, *text);
  }
  return param;
}

// The parameter list of one array element; arrays inside it are refused.
std::vector<std::shared_ptr<APMPBEventParam>> ElementParams(const platform::Value& element,
                                                            const std::string& eventName,
                                                            const std::string& paramName) {
  std::vector<std::shared_ptr<APMPBEventParam>> params;
  const platform::Value::Dictionary* item = element.getDictionary();
  if (item == nullptr) return params;
  for (const auto& [key, plain] : *item) {
    if (plain.isArray()) {
      Monitor().logWithLevel(2, 16007, "Nested params cannot have more than 1 level. Event name, param name",
                             APMEventNameForLogging(eventName), APMParameterNameForLogging(paramName));
      continue;
    }
    auto value = plain.isNumber() || plain.isString() ? APMValue::valueFromObject(plain) : std::nullopt;
    if (!value) {
      Monitor().logWithLevel(2, 16005, "Invalid event param value. Event name, param name",
                             APMEventNameForLogging(eventName), APMParameterNameForLogging(key));
      continue;
    }
    params.push_back(ScalarParam(key, *value));
  }
  return params;
}

std::optional<APMValue> ValueOfParam(const APMPBEventParam& param) {
  if (APMPBHasField(&param, kParamString)) {
    if (auto text = APMPBGetString(&param, kParamString)) return APMValue(*text);
  }
  if (APMPBHasField(&param, kParamInt)) return APMValue(APMPBGetInt64(&param, kParamInt));
  if (APMPBHasField(&param, kParamDouble)) return APMValue(APMPBGetDouble(&param, kParamDouble));
  return std::nullopt;
}

APMPPlatformObject PlainToEditObject(const platform::Value& value) {
  if (value.isInteger() || value.isBool()) return APMPPlatformObject::integer(value.numberAsInt64().value_or(0));
  if (value.isDouble()) return APMPPlatformObject::number(value.numberAsDouble().value_or(0));
  if (const std::string* text = value.getString()) return APMPPlatformObject::string(*text);
  return APMPPlatformObject();
}

}  // namespace

std::optional<APMEvent> APMEvent::initWithOrigin(const std::string& origin, bool isPublic, const std::string& name,
                                                 double timestamp, double previousTimestamp,
                                                 const APMParameterObjects& parameters) {
  if (!IsValidOriginAndName(origin, isPublic, name, timestamp, previousTimestamp)) return std::nullopt;
  return withSanitizedParameters(origin, name, timestamp, previousTimestamp,
                                 APMSanitizeEventParameters(parameters, name, isPublic, false));
}

std::optional<APMEvent> APMEvent::initWithOrigin(const std::string& origin, bool isPublic, const std::string& name,
                                                 double timestamp, double previousTimestamp,
                                                 APMParameterObjects&& parameters) {
  if (!IsValidOriginAndName(origin, isPublic, name, timestamp, previousTimestamp)) return std::nullopt;
  return withSanitizedParameters(origin, name, timestamp, previousTimestamp,
                                 APMSanitizeEventParameters(std::move(parameters), name, isPublic, false));
}

std::optional<APMEvent> APMEvent::initWithOrigin(const std::string& origin, bool isPublic, const std::string& name,
                                                 double timestamp, double previousTimestamp,
                                                 const Parameters& parameters) {
  return initWithOrigin(origin, isPublic, name, timestamp, previousTimestamp, ObjectsFromParameters(parameters));
}

std::optional<APMEvent> APMEvent::initWithOrigin(const std::string& origin, bool isPublic, const std::string& name,
                                                 double timestamp, double previousTimestamp,
                                                 Parameters&& parameters) {
  if (!IsValidOriginAndName(origin, isPublic, name, timestamp, previousTimestamp)) return std::nullopt;
  return withSanitizedParameters(origin, name, timestamp, previousTimestamp,
                                 APMSanitizeTypedEventParameters(std::move(parameters), name, isPublic, false));
}

std::optional<APMEvent> APMEvent::withSanitizedParameters(const std::string& origin, const std::string& name,
                                                          double timestamp, double previousTimestamp,
                                                          std::optional<Parameters> sanitized) {
  Parameters parameters = std::move(sanitized).value_or(Parameters{});
  parameters.insert_or_assign("_o", APMValue(origin));
  APMEvent event(origin, name, timestamp, previousTimestamp, std::move(parameters));
  if (event.shouldValidateParams() && !APMValidateValueAndCurrency(event.parameters_)) event.parameters_.erase("_c");
  return event;
}

std::optional<APMEvent> APMEvent::copyWithPreviousTimestamp(double previousTimestamp) const {
  return initWithOrigin(origin_, false, name_, timestamp_, previousTimestamp, parameters_);
}

std::optional<APMEvent> APMEvent::copyWithParameters(const Parameters& parameters) const {
  return initWithOrigin(origin_, false, name_, timestamp_, previousTimestamp_, parameters);
}

std::optional<APMEvent> APMEvent::copy() const {
  return initWithOrigin(origin_, false, name_, timestamp_, previousTimestamp_, parameters_);
}

bool APMEvent::flag(std::string_view key) const {
  const APMValue* value = parameter(key);
  return value != nullptr && value->isInt64() && value->int64Value() == 1;
}

bool APMEvent::shouldValidateParams() const { return isConversion() || name_ == "ad_impression" || name_ == "_ai"; }

bool APMEvent::isConversion() const { return flag("_c"); }

void APMEvent::setConversion(bool conversion) {
  if (conversion) {
    if (!APMValidateValueAndCurrency(parameters_)) return;
    parameters_.insert_or_assign("_c", APMValue(int64_t{1}));
    const APMValue* error = parameter("_err");
    if (error != nullptr && error->isInt64() && error->int64Value() == 10) parameters_.erase("_err");
    return;
  }
  if (parameters_.erase("_c") != 0) APMSetErrorCodeIfAbsent(parameters_, 10);
}

bool APMEvent::isRealtime() const {
  const APMValue* value = parameter("_r");
  if (value == nullptr) return false;
  if (!value->isInt64()) {
    Monitor().logWithLevel(2, 16006, "Realtime parameter must be an int64. Event name", APMEventNameForLogging(name_));
    return false;
  }
  return value->int64Value() == 1;
}

void APMEvent::setRealtime(bool realtime) {
  if (realtime) {
    parameters_.insert_or_assign("_r", APMValue(int64_t{1}));
  } else {
    parameters_.erase("_r");
  }
}

bool APMEvent::isDebug() const { return flag("_dbg"); }

void APMEvent::setDebug(bool debug) {
  if (debug) {
    parameters_.insert_or_assign("_dbg", APMValue(int64_t{1}));
  } else {
    parameters_.erase("_dbg");
  }
}

void APMEvent::applyParameters(const APMParameterObjects& defaults) {
  if (defaults.empty()) return;
  auto sanitized = APMSanitizeParameters(defaults, false);
  if (!sanitized || sanitized->empty()) return;
  for (const auto& [key, value] : parameters_) sanitized->insert_or_assign(key, value);
  parameters_ = std::move(*sanitized);
}

bool APMEvent::addScreenParameters(const APMParameterObjects& screenParameters) {
  if (screenParameters.empty()) return false;
  if (parameter("_sn") != nullptr || parameter("_sc") != nullptr || parameter("_si") != nullptr) return false;
  auto id = screenParameters.find("_si");
  if (id == screenParameters.end()) return false;
  std::optional<APMValue> screenID;
  if (const auto* typed = std::get_if<APMValue>(&id->second)) {
    if (typed->isInt64()) screenID = *typed;
  } else if (std::get<platform::Value>(id->second).isNumber()) {
    screenID = APMValue::valueFromObject(std::get<platform::Value>(id->second));
  }
  if (!screenID) return false;
  // A screen class or name: a string, plain or typed, that passes the screen check.
  auto screenText = [&](const char* key, int64_t code, const char* message,
                        std::optional<APMValue>* out) -> bool {
    auto it = screenParameters.find(key);
    if (it == screenParameters.end()) return true;
    std::optional<std::string> text;
    if (const auto* typed = std::get_if<APMValue>(&it->second)) {
      text = typed->stringValue();
    } else if (const std::string* plain = std::get<platform::Value>(it->second).getString()) {
      text = *plain;
    }
    if (!text) return false;
    platform::Value plain(*text);
    int64_t failure = 0;
    if (!APMDataTypeValidator::isValidScreenParameterValue(&plain, &failure)) {
      Monitor().logWithLevel(3, code, message, *text);
      return false;
    }
    *out = APMValue(*text);
    return true;
  };
  std::optional<APMValue> screenClass;
  std::optional<APMValue> screenName;
  if (!screenText("_sc", 16003, "Received invalid screen class", &screenClass)) return false;
  if (!screenText("_sn", 16004, "Received invalid screen name", &screenName)) return false;
  parameters_.insert_or_assign("_si", *screenID);
  if (screenClass) parameters_.insert_or_assign("_sc", *screenClass);
  if (screenName) parameters_.insert_or_assign("_sn", *screenName);
  return true;
}

std::shared_ptr<APMPBEvent> APMEvent::protoEvent() const {
  auto event = std::make_shared<APMPBEvent>();
  APMPBSetString(event.get(), kEventName, name_);
  APMPBSetInt64(event.get(), kEventTimestamp, platform::SaturatingCast::toInt64(timestamp_ * 1000));
  if (previousTimestamp_ > kDoubleEpsilon) {
    APMPBSetInt64(event.get(), kEventPreviousTimestamp, platform::SaturatingCast::toInt64(previousTimestamp_ * 1000));
  }
  // The parameter messages are built for this event only: moved in, not copied.
  std::vector<std::shared_ptr<APMPBEventParam>> params;
  params.reserve(parameters_.size());
  for (const auto& [key, value] : parameters_) {
    if (const platform::Value::Array* array = value.arrayPointer()) {
      auto param = std::make_shared<APMPBEventParam>();
      APMPBSetString(param.get(), kParamName, key);
      std::vector<std::shared_ptr<APMPBEventParam>> elements;
      for (const platform::Value& element : *array) {
        auto nested = std::make_shared<APMPBEventParam>();
        APMPBMoveMessageArray(nested.get(), kParamNested, ElementParams(element, name_, key));
        elements.push_back(std::move(nested));
      }
      APMPBMoveMessageArray(param.get(), kParamNested, elements);
      params.push_back(std::move(param));
    } else {
      params.push_back(ScalarParam(key, value));
    }
  }
  APMPBMoveMessageArray(event.get(), kEventParams, params);
  return event;
}

std::optional<APMEvent> APMEvent::initWithEventProto(const APMPBEvent& proto) {
  std::string name = APMPBGetString(&proto, kEventName).value_or("");
  std::string origin;
  Parameters parameters;
  for (const auto& param : APMPBGetMessageArray<APMPBEventParam>(&proto, kEventParams)) {
    auto paramName = APMPBHasField(param.get(), kParamName) ? APMPBGetString(param.get(), kParamName) : std::nullopt;
    if (!paramName) {
      Monitor().logWithLevel(2, 15000, "Ignoring parameter. Parameter name is nil. Event name",
                             APMEventNameForLogging(name));
      continue;
    }
    if (*paramName == "_o") {
      auto text = APMPBHasField(param.get(), kParamString) ? APMPBGetString(param.get(), kParamString) : std::nullopt;
      if (!text) {
        Monitor().logWithLevel(2, 15001,
                               "Cannot create an event from event proto. Origin parameter is not a string. Event name",
                               APMEventNameForLogging(name));
        return std::nullopt;
      }
      origin = *text;
      continue;
    }
    auto value = ValueOfParam(*param);
    if (!value) {
      Monitor().logWithLevel(5, 15002,
                             "Unknown event param type from converting an event proto into APMEvent instance. "
                             "Event param name",
                             APMParameterNameForLogging(*paramName));
      continue;
    }
    parameters.insert_or_assign(*paramName, *value);
  }
  double timestamp = static_cast<double>(APMPBGetInt64(&proto, kEventTimestamp)) / 1000;
  double previous = static_cast<double>(APMPBGetInt64(&proto, kEventPreviousTimestamp)) / 1000;
  return initWithOrigin(origin, false, name, timestamp, previous, parameters);
}

APMPEvent APMEvent::editEvent() const {
  auto mapped = APMInternalToPublicEventNames().find(name_);
  std::string name = mapped == APMInternalToPublicEventNames().end() ? name_ : mapped->second;
  APMPPlatformObject::Dictionary plain;
  for (const auto& [key, value] : parameters_) {
    if (value.isDouble()) {
      plain[key] = APMPPlatformObject::number(value.doubleValue());
    } else if (value.isInt64()) {
      plain[key] = APMPPlatformObject::integer(value.int64Value());
    } else if (const std::string* text = value.stringPointer()) {
      plain[key] = APMPPlatformObject::string(*text);
    } else if (const platform::Value::Array* array = value.arrayPointer()) {
      APMPPlatformObject::Array items;
      for (const platform::Value& element : *array) {
        const platform::Value::Dictionary* item = element.getDictionary();
        if (item == nullptr) continue;
        APMPPlatformObject::Dictionary converted;
        for (const auto& [itemKey, itemValue] : *item) {
          APMPPlatformObject object = PlainToEditObject(itemValue);
          // Arrays within an element are one level too deep and dropped.
          if (!object.isNil()) converted[itemKey] = std::move(object);
        }
        items.push_back(APMPPlatformObject::dictionary(std::move(converted)));
      }
      plain[key] = APMPPlatformObject::array(std::move(items));
    }
  }
  return APMPEvent(std::move(name), timestamp_, std::move(plain));
}

std::optional<APMEvent> APMEvent::eventFromEditEvent(const APMPEvent& editEvent) {
  auto mapped = APMPublicToInternalEventNames().find(editEvent.name());
  std::string name = mapped == APMPublicToInternalEventNames().end() ? editEvent.name() : mapped->second;
  std::string origin = "app";
  const APMPPlatformObject* originObject = editEvent.parameterForName("_o");
  if (originObject != nullptr && originObject->isString()) origin = originObject->stringValue();
  APMParameterObjects parameters;
  for (const auto& [key, object] : editEvent.parameters()) {
    platform::Value plain;
    switch (object.type()) {
      case APMPPlatformObject::Type::kInteger:
        plain = platform::Value(object.integerValue());
        break;
      case APMPPlatformObject::Type::kBoolean:
        plain = platform::Value(object.boolValue());
        break;
      case APMPPlatformObject::Type::kDouble:
        plain = platform::Value(object.doubleValue());
        break;
      case APMPPlatformObject::Type::kString:
        plain = platform::Value(object.stringValue());
        break;
      case APMPPlatformObject::Type::kArray: {
        platform::Value::Array items;
        for (const APMPPlatformObject& element : object.arrayValue()) {
          if (element.type() != APMPPlatformObject::Type::kDictionary) continue;
          platform::Value::Dictionary item;
          for (const auto& [itemKey, itemValue] : element.dictionaryValue()) {
            if (itemValue.type() == APMPPlatformObject::Type::kInteger) {
              item[itemKey] = platform::Value(itemValue.integerValue());
            } else if (itemValue.type() == APMPPlatformObject::Type::kDouble) {
              item[itemKey] = platform::Value(itemValue.doubleValue());
            } else if (itemValue.isString()) {
              item[itemKey] = platform::Value(itemValue.stringValue());
            }
          }
          items.push_back(platform::Value(std::move(item)));
        }
        plain = platform::Value(std::move(items));
        break;
      }
      default:
        continue;
    }
    parameters.emplace(key, std::move(plain));
  }
  return initWithOrigin(origin, false, name, editEvent.timestamp(), 0, parameters);
}
