#include "Analytics/Storage/Audience/APMAudienceStringFilter.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <vector>

#include "Analytics/Engine/APMEngineLog.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Interpreter/APMPRegexSearch.h"
#include "Analytics/Interpreter/APMPText.h"
#include "Analytics/Protobuf/APMPBFieldAccess.h"
#include "Analytics/Storage/Audience/APMFilterLogContext.h"

namespace {

// StringFilter
constexpr int32_t kMatchTypeField = 0;
constexpr int32_t kExpressionField = 1;
constexpr int32_t kCaseSensitiveField = 2;
constexpr int32_t kExpressionListField = 3;

bool CaseSensitive(const APMPBStringFilter& filter) {
  return APMPBHasField(&filter, kCaseSensitiveField) && APMPBGetBool(&filter, kCaseSensitiveField);
}

// ICU's default case folding; the text as it is when folding fails.
std::u16string Folded(const std::u16string& text) {
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = u_strFoldCase(nullptr, 0, text.data(), static_cast<int32_t>(text.size()),
                                       U_FOLD_CASE_DEFAULT, &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return text;
  std::u16string out(static_cast<size_t>(length), u'\0');
  status = U_ZERO_ERROR;
  u_strFoldCase(out.data(), length, text.data(), static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
  return U_SUCCESS(status) || status == U_STRING_NOT_TERMINATED_WARNING ? out : text;
}

std::vector<std::string> ExpressionList(const APMPBStringFilter& filter) {
  std::vector<std::string> list;
  auto elements = APMPBGetArray(&filter, kExpressionListField, nullptr);
  if (!elements) return list;
  for (const auto& element : *elements) {
    if (element.isString()) list.push_back(*element.string());
  }
  return list;
}

bool Matches(int32_t type, const std::u16string& value, const std::u16string& expression) {
  switch (type) {
    case APMAudienceStringFilter::kBeginsWith: return value.starts_with(expression);
    case APMAudienceStringFilter::kEndsWith: return value.ends_with(expression);
    case APMAudienceStringFilter::kContains: return value.find(expression) != std::u16string::npos;
    case APMAudienceStringFilter::kExact: return value == expression;
    default: return false;
  }
}

}  // namespace

bool APMAudienceStringFilter::isValidStringFilter(const APMPBStringFilter& filter) {
  if (!APMPBHasField(&filter, kMatchTypeField)) {
    Monitor().logWithLevel(1, 9000, "String filter has no match type");
    return false;
  }
  const int32_t type = APMPBGetInt32(&filter, kMatchTypeField);
  if (type == kUnknown) {
    Monitor().logWithLevel(1, 9001, "String filter has unknown match type");
    return false;
  }
  if (type == kInList) {
    if (!ExpressionList(filter).empty()) return true;
    Monitor().logWithLevel(1, 9003, "String filter has no expression list");
    return false;
  }
  auto expression = APMPBGetString(&filter, kExpressionField);
  if (!APMPBHasField(&filter, kExpressionField) || !expression) {
    Monitor().logWithLevel(1, 9002, "String filter has no expression");
    return false;
  }
  if (type == kRegex) {
    int32_t status = 0;
    if (!APMPRegexSearch::compiles(APMPUtf16(*expression), !CaseSensitive(filter), &status)) {
      Monitor().logWithLevel(1, 9004, "Unable to parse regular expression",
                             APMFilterLogContext("APMPBStringFilter", filter),
                             std::string(u_errorName(static_cast<UErrorCode>(status))));
      return false;
    }
  }
  return true;
}

std::optional<bool> APMAudienceStringFilter::evaluateStringFilter(const APMPBStringFilter& filter,
                                                                  const std::optional<std::string>& value,
                                                                  bool* limitReached) {
  if (limitReached != nullptr) *limitReached = false;
  if (!value) {
    Monitor().logWithLevel(1, 9005, "Evaluation string is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  if (!isValidStringFilter(filter)) {
    Monitor().logWithLevel(1, 9006, "String filter is invalid. Audience filter will not be evaluated");
    return std::nullopt;
  }
  const int32_t type = APMPBGetInt32(&filter, kMatchTypeField);
  const bool caseSensitive = CaseSensitive(filter);
  const std::u16string text = APMPUtf16(*value);
  if (type == kRegex) {
    const auto search = APMPRegexSearch::find(APMPUtf16(*APMPBGetString(&filter, kExpressionField)), text,
                                              !caseSensitive, kRegexStepLimit, kRegexStackLimit);
    switch (search.outcome) {
      case APMPRegexSearch::Outcome::kFound: return true;
      case APMPRegexSearch::Outcome::kNotFound: return false;
      case APMPRegexSearch::Outcome::kBadPattern:
        Monitor().logWithLevel(1, 9008, "Parsed regex is nil. Audience filter will not be evaluated");
        return std::nullopt;
      case APMPRegexSearch::Outcome::kLimitReached:
      case APMPRegexSearch::Outcome::kFailed:
        if (limitReached != nullptr) *limitReached = search.outcome == APMPRegexSearch::Outcome::kLimitReached;
        Monitor().logWithLevel(1, 9007,
                               "Regular expression evaluation exceeded its limit. Audience filter will not be "
                               "evaluated",
                               APMFilterLogContext("APMPBStringFilter", filter));
        return std::nullopt;
    }
    return std::nullopt;
  }
  const std::u16string subject = caseSensitive ? text : Folded(text);
  auto matches = [&](const std::string& expression) {
    const std::u16string wanted = caseSensitive ? APMPUtf16(expression) : Folded(APMPUtf16(expression));
    return Matches(type == kInList ? static_cast<int32_t>(kExact) : type, subject, wanted);
  };
  if (type == kInList) {
    for (const std::string& entry : ExpressionList(filter)) {
      if (matches(entry)) return true;
    }
    return false;
  }
  if (type > kInList) return false;
  return matches(*APMPBGetString(&filter, kExpressionField));
}
