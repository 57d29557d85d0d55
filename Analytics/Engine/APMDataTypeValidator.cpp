#include "Analytics/Engine/APMDataTypeValidator.h"

#include <algorithm>
#include <set>

#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/APMEventUtilities.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Engine/Monitor/APMUserPropertyNames.h"
#include "Analytics/Storage/APMValue.h"
#include "Platform/Runtime/CharacterSet.h"

namespace {

using platform::CharacterSet;

void SetCode(int64_t* failureCode, int64_t code) {
  if (failureCode != nullptr) *failureCode = code;
}

bool IsValueSubject(int type) {
  return type == APMDataTypeValidator::kEventParameterValue || type == APMDataTypeValidator::kUserPropertyValue;
}

std::string Format(std::string text, int64_t number) {
  auto pos = text.find("%d");
  if (pos != std::string::npos) text.replace(pos, 2, std::to_string(number));
  return text;
}

bool IsNameCharacter(char32_t cp) {
  return cp == U'_' || CharacterSet::isLetter(cp) || CharacterSet::isDecimalDigit(cp);
}

const std::set<std::string, std::less<>>& ReservedEventNames() {
  static const auto* names = [] {
    auto* set = new std::set<std::string, std::less<>>;
    const auto& allowed = APMAllowedPublicEventNames();
    for (const auto& [publicName, internalName] : APMPublicToInternalEventNames()) {
      if (publicName == "screen_view" || allowed.count(publicName) != 0) continue;
      set->insert(publicName);
    }
    return set;
  }();
  return *names;
}

bool CheckIsAPMValue(const APMValue* value, int type, int64_t* failureCode) {
  if (value == nullptr) {
    SetCode(failureCode, 1);
    Monitor().logWithLevel(3, 13004, APMDataTypeValidator::subjectLabel(type) + " cannot be nil");
    return false;
  }
  return true;
}

}  // namespace

std::string APMDataTypeValidator::subjectLabel(int type) {
  static const char* const kLabels[] = {"Event name",
                                        "Event origin",
                                        "Event parameter name",
                                        "Event parameter value",
                                        "User property name",
                                        "User property value",
                                        "Screen parameter value",
                                        "Conditional user property origin",
                                        "Conditional user property name",
                                        "Conditional user property value"};
  if (type < 0 || type > 9) return "Object";
  return kLabels[type];
}

bool APMDataTypeValidator::isValidString(const platform::Value* object, int64_t minLength, int64_t maxLength,
                                         int type, int64_t* failureCode) {
  SetCode(failureCode, 0);
  int64_t level = IsValueSubject(type) ? 3 : 0;
  if (object == nullptr) {
    SetCode(failureCode, 1);
    Monitor().logWithLevel(level, 13001, subjectLabel(type) + " is required and can't be nil");
    return false;
  }
  if (!object->isString()) {
    SetCode(failureCode, 5);
    Monitor().logWithLevel(level, 13000, subjectLabel(type) + " must be of type NSString",
                           APMLogContext::object(platform::Value::typeName(object->type()), object->description()));
    return false;
  }
  return isValidString(std::string_view(*object->getString()), minLength, maxLength, type, failureCode);
}

// Every event and parameter name passes here on each read and write: no
// copies, and the subject's label is made only for a log line.
bool APMDataTypeValidator::isValidString(std::string_view text, int64_t minLength, int64_t maxLength, int type,
                                         int64_t* failureCode) {
  SetCode(failureCode, 0);
  int64_t level = IsValueSubject(type) ? 3 : 0;
  if (text.empty() && minLength >= 1) {
    SetCode(failureCode, 1);
    if (!IsValueSubject(type)) Monitor().logWithLevel(level, 13001, subjectLabel(type) + " is required and can't be empty");
    return false;
  }
  int64_t length = static_cast<int64_t>(CharacterSet::codePointCount(text));
  if (length > maxLength) {
    SetCode(failureCode, 2);
    Monitor().logWithLevel(level, 13000,
                           Format(subjectLabel(type) + " is too long. The maximum supported length is %d", maxLength),
                           std::string(text));
    return false;
  }
  if (length < minLength) {
    SetCode(failureCode, 7);
    Monitor().logWithLevel(level, 13000,
                           Format(subjectLabel(type) + " is too short. The minimum supported length is %d", minLength),
                           std::string(text));
    return false;
  }
  return true;
}

bool APMDataTypeValidator::isValidInternalName(std::string_view name, int64_t maxLength, int type,
                                               int64_t* failureCode) {
  if (isPlainInternalName(name, maxLength)) {
    SetCode(failureCode, 0);
    return true;
  }
  if (!isValidString(name, 1, maxLength, type, failureCode)) return false;
  for (char32_t cp : CharacterSet::codePoints(name)) {
    if (!IsNameCharacter(cp)) {
      SetCode(failureCode, 3);
      Monitor().logWithLevel(0, 13002, subjectLabel(type) + " must contain only letters, numbers, or underscores",
                             std::string(name));
      return false;
    }
  }
  return true;
}

bool APMDataTypeValidator::isPlainInternalName(std::string_view name, int64_t maxLength) {
  // In ASCII, the letters and decimal digits are exactly these, and a byte
  // is a code point.
  return !name.empty() && static_cast<int64_t>(name.size()) <= maxLength &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
         });
}

bool APMDataTypeValidator::isValidPublicName(std::string_view name, int64_t maxLength, int type,
                                             int64_t* failureCode) {
  if (!isValidInternalName(name, maxLength, type, failureCode)) return false;
  auto points = CharacterSet::codePoints(name);
  if (points.empty() || !CharacterSet::isLetter(points[0])) {
    SetCode(failureCode, 3);
    Monitor().logWithLevel(0, 13003, subjectLabel(type) + " must start with a letter", std::string(name));
    return false;
  }
  return true;
}

bool APMDataTypeValidator::isValidValue(const APMValue* value, int64_t minLength, int64_t maxLength, int type,
                                        int64_t* failureCode) {
  SetCode(failureCode, 0);
  if (!CheckIsAPMValue(value, type, failureCode)) return false;
  if (const std::string* text = value->stringPointer()) {
    return isValidString(std::string_view(*text), minLength, maxLength, type, failureCode);
  }
  return true;
}

bool APMDataTypeValidator::hasReservedPrefixes(std::string_view name) {
  for (const char* prefix : {"quorvane_", "trivandel_", "tq_"}) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

bool APMDataTypeValidator::isValidPublicEventName(std::string_view name, int64_t* failureCode) {
  if (!isValidPublicName(name, 40, kEventName, failureCode)) return false;
  if (name == "screen_view") return true;
  if (ReservedEventNames().count(name) != 0) {
    SetCode(failureCode, 4);
    Monitor().logWithLevel(0, 13006, "Event name is reserved. Ignoring event", std::string(name));
    return false;
  }
  if (hasReservedPrefixes(name)) {
    SetCode(failureCode, 4);
    Monitor().logWithLevel(0, 13007, "Event name uses reserved prefix. Ignoring event", std::string(name));
    return false;
  }
  return true;
}

bool APMDataTypeValidator::isValidPublicEventParameterName(std::string_view name, int64_t* failureCode) {
  if (!isValidPublicName(name, 40, kEventParameterName, failureCode)) return false;
  if (hasReservedPrefixes(name)) {
    SetCode(failureCode, 4);
    Monitor().logWithLevel(0, 13008, "Parameter name uses reserved prefix. Ignoring parameter", std::string(name));
    return false;
  }
  return true;
}

bool APMDataTypeValidator::isValidPublicEventParameterValue(const APMValue* value, int64_t* failureCode) {
  return isValidValue(value, 0, 100, kEventParameterValue, failureCode);
}

bool APMDataTypeValidator::isValidInternalEventOrigin(std::string_view origin, int64_t* failureCode) {
  return isValidInternalName(origin, 32, kEventOrigin, failureCode);
}

bool APMDataTypeValidator::isValidForwardedEventOrigin(std::string_view origin, int64_t* failureCode) {
  SetCode(failureCode, 0);
  if (origin.empty()) {
    SetCode(failureCode, 1);
    return false;
  }
  constexpr std::string_view kSuffix = "+vrk";
  if (origin.size() < kSuffix.size() || origin.substr(origin.size() - kSuffix.size()) != kSuffix) {
    SetCode(failureCode, 6);
    return false;
  }
  return isValidInternalName(origin.substr(0, origin.size() - kSuffix.size()), 32, kEventOrigin, failureCode);
}

bool APMDataTypeValidator::isValidInternalEventName(std::string_view name, int64_t* failureCode) {
  return isValidInternalName(name, 40, kEventName, failureCode);
}

bool APMDataTypeValidator::isValidInternalEventParameterName(std::string_view name, int64_t* failureCode) {
  return isValidInternalName(name, 40, kEventParameterName, failureCode);
}

bool APMDataTypeValidator::isValidInternalEventParameterValue(const APMValue* value, int64_t* failureCode) {
  return isValidValue(value, 0, 256, kEventParameterValue, failureCode);
}

bool APMDataTypeValidator::isValidPublicUserAttributeName(std::string_view name, int64_t* failureCode) {
  if (!isValidPublicName(name, 24, kUserPropertyName, failureCode)) return false;
  if (APMPublicToInternalUserPropertyNames().count(name) != 0) {
    SetCode(failureCode, 4);
    Monitor().logWithLevel(0, 13009, "User property name is reserved. Ignoring user property", std::string(name));
    return false;
  }
  if (hasReservedPrefixes(name)) {
    SetCode(failureCode, 4);
    Monitor().logWithLevel(0, 13010, "User property name uses reserved prefix. Ignoring user property",
                           std::string(name));
    return false;
  }
  return true;
}

bool APMDataTypeValidator::isValidPublicUserAttributeValue(const APMValue* value, int64_t* failureCode) {
  return isValidValue(value, 1, 36, kUserPropertyValue, failureCode);
}

bool APMDataTypeValidator::isValidInternalUserAttributeName(std::string_view name, int64_t* failureCode) {
  return isValidInternalName(name, 24, kUserPropertyName, failureCode);
}

bool APMDataTypeValidator::isValidInternalUserAttributeValue(const APMValue* value, std::string_view name,
                                                             int64_t* failureCode) {
  int64_t max = (name == "_id" || name == "_tbraid" || name == "_psmvalue") ? 256 : 36;
  return isValidValue(value, 1, max, kUserPropertyValue, failureCode);
}

bool APMDataTypeValidator::isValidScreenParameterValue(const platform::Value* value, int64_t* failureCode) {
  return isValidString(value, 1, 100, kScreenParameterValue, failureCode);
}

bool APMDataTypeValidator::isValidConditionalUserPropertyOrigin(std::string_view origin, int64_t* failureCode) {
  return isValidInternalName(origin, 32, kConditionalUserPropertyOrigin, failureCode);
}

bool APMDataTypeValidator::isValidConditionalUserPropertyName(std::string_view name, int64_t* failureCode) {
  return isValidInternalName(name, 24, kConditionalUserPropertyName, failureCode);
}

bool APMDataTypeValidator::isValidConditionalUserPropertyValue(const APMValue* value, int64_t* failureCode) {
  return isValidValue(value, 1, 36, kConditionalUserPropertyValue, failureCode);
}

bool APMDataTypeValidator::isValidNumericValue(const APMValue* value, int64_t* failureCode) {
  SetCode(failureCode, 0);
  if (value != nullptr && (value->isInt64() || value->isDouble())) return true;
  SetCode(failureCode, 8);
  Monitor().logWithLevel(3, 13011, subjectLabel(kEventParameterValue) + " must be specified with a numeric type. value",
                         value ? value->description() : std::string("(null)"));
  return false;
}

bool APMDataTypeValidator::isValidCurrencyCode(const APMValue* value, int64_t* failureCode) {
  SetCode(failureCode, 0);
  if (value != nullptr) {
    if (const std::string* text = value->stringPointer()) {
      bool letters = true;
      for (char32_t cp : CharacterSet::codePoints(*text)) letters = letters && CharacterSet::isLetter(cp);
      if (CharacterSet::utf16Length(*text) == 3 && letters) return true;
    }
  }
  SetCode(failureCode, 9);
  APMLogContext context = value ? APMLogContext(value->description()) : APMLogContext();
  Monitor().logWithLevel(
      3, 13012, Format(subjectLabel(kEventParameterValue) + " must contain a %d-letter ISO_4217 currency code. value", 3),
      context);
  return false;
}

bool APMDataTypeValidator::isValidArrayParamForEvent(std::string_view eventName, std::string_view withParamName,
                                                     int64_t withArrayCount, bool isNestedArrayParam,
                                                     int64_t* failureCode) {
  SetCode(failureCode, 0);
  if (isNestedArrayParam) {
    SetCode(failureCode, 13);
    Monitor().logWithLevel(0, 13013, "Nested array parameters are not allowed. Name", std::string(withParamName));
    return false;
  }
  if (!APMIsEcommerceEvent(eventName)) {
    SetCode(failureCode, 10);
    Monitor().logWithLevel(0, 13013, "Only ecommerce events are allowed to contain array parameters. Invalid ecommerce name",
                           std::string(eventName));
    return false;
  }
  if (withParamName != "items") {
    SetCode(failureCode, 11);
    Monitor().logWithLevel(0, 13013,
                           subjectLabel(kEventParameterName) +
                               " is an invalid ecommerce items. The name of array parameters for ecommerce should be "
                               "\"items\". Invalid parameter name",
                           std::string(withParamName));
    return false;
  }
  if (withArrayCount > 200) {
    SetCode(failureCode, 12);
    Monitor().logWithLevel(0, 13013,
                           "Array parameter has too many items. The maximum number of supported items is 200. Invalid "
                           "array size",
                           withArrayCount);
    return false;
  }
  return true;
}

bool APMDataTypeValidator::isValidArrayParamItem(const platform::Value& item, int64_t* failureCode) {
  SetCode(failureCode, 0);
  if (item.isDictionary()) return true;
  SetCode(failureCode, 14);
  Monitor().logWithLevel(0, 13014, "Array param must be a dictionary. Parameters",
                         APMLogContext::object(platform::Value::typeName(item.type()), item.description()));
  return false;
}
