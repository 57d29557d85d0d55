// Decides whether names and values entering the engine may be stored. Each
// check answers yes or no, writes a failure code (0 first) through the
// optional out-pointer and writes at most one monitor line. Lengths count
// Unicode code points; letters and digits are Unicode-wide.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

class APMValue;

class APMDataTypeValidator {
 public:
  enum Subject : int {
    kEventName = 0,
    kEventOrigin = 1,
    kEventParameterName = 2,
    kEventParameterValue = 3,
    kUserPropertyName = 4,
    kUserPropertyValue = 5,
    kScreenParameterValue = 6,
    kConditionalUserPropertyOrigin = 7,
    kConditionalUserPropertyName = 8,
    kConditionalUserPropertyValue = 9,
  };

  // Base string check. object: nullptr is nil; a value of another kind fails with code 5.
  static bool isValidString(const platform::Value* object, int64_t minLength, int64_t maxLength, int type,
                            int64_t* failureCode);
  static bool isValidString(std::string_view text, int64_t minLength, int64_t maxLength, int type,
                            int64_t* failureCode);
  static bool isValidInternalName(std::string_view name, int64_t maxLength, int type, int64_t* failureCode);
  // 1 to maxLength ASCII letters, digits and "_": a name isValidInternalName
  // passes without a word (most names are).
  static bool isPlainInternalName(std::string_view name, int64_t maxLength);
  static bool isValidPublicName(std::string_view name, int64_t maxLength, int type, int64_t* failureCode);
  // value: nullptr is nil.
  static bool isValidValue(const APMValue* value, int64_t minLength, int64_t maxLength, int type,
                           int64_t* failureCode);
  static bool hasReservedPrefixes(std::string_view name);

  static bool isValidPublicEventName(std::string_view name, int64_t* failureCode);
  static bool isValidPublicEventParameterName(std::string_view name, int64_t* failureCode);
  static bool isValidPublicEventParameterValue(const APMValue* value, int64_t* failureCode);
  static bool isValidInternalEventOrigin(std::string_view origin, int64_t* failureCode);
  static bool isValidForwardedEventOrigin(std::string_view origin, int64_t* failureCode);
  static bool isValidInternalEventName(std::string_view name, int64_t* failureCode);
  static bool isValidInternalEventParameterName(std::string_view name, int64_t* failureCode);
  static bool isValidInternalEventParameterValue(const APMValue* value, int64_t* failureCode);
  static bool isValidPublicUserAttributeName(std::string_view name, int64_t* failureCode);
  static bool isValidPublicUserAttributeValue(const APMValue* value, int64_t* failureCode);
  static bool isValidInternalUserAttributeName(std::string_view name, int64_t* failureCode);
  static bool isValidInternalUserAttributeValue(const APMValue* value, std::string_view name,
                                                int64_t* failureCode);
  static bool isValidScreenParameterValue(const platform::Value* value, int64_t* failureCode);
  static bool isValidConditionalUserPropertyOrigin(std::string_view origin, int64_t* failureCode);
  static bool isValidConditionalUserPropertyName(std::string_view name, int64_t* failureCode);
  static bool isValidConditionalUserPropertyValue(const APMValue* value, int64_t* failureCode);
  static bool isValidNumericValue(const APMValue* value, int64_t* failureCode);
  static bool isValidCurrencyCode(const APMValue* value, int64_t* failureCode);
  static bool isValidArrayParamForEvent(std::string_view eventName, std::string_view withParamName,
                                        int64_t withArrayCount, bool isNestedArrayParam, int64_t* failureCode);
  static bool isValidArrayParamItem(const platform::Value& item, int64_t* failureCode);

  static std::string subjectLabel(int type);
};
