#include "Analytics/Interpreter/APMPRegexSearch.h"

#include <unicode/regex.h>

#include <memory>

namespace {

std::unique_ptr<icu::RegexPattern> Compile(const std::u16string& pattern, bool caseInsensitive, UErrorCode& status) {
  UParseError parseError;
  icu::UnicodeString p(false, pattern.data(), static_cast<int32_t>(pattern.size()));
  std::unique_ptr<icu::RegexPattern> compiled(
      icu::RegexPattern::compile(p, caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0, parseError, status));
  if (U_FAILURE(status)) compiled.reset();
  return compiled;
}

}  // namespace

bool APMPRegexSearch::compiles(const std::u16string& pattern, bool caseInsensitive, int32_t* status) {
  UErrorCode error = U_ZERO_ERROR;
  const bool ok = Compile(pattern, caseInsensitive, error) != nullptr;
  if (status != nullptr) *status = static_cast<int32_t>(error);
  return ok;
}

APMPRegexSearch::Result APMPRegexSearch::find(const std::u16string& pattern, const std::u16string& subject,
                                              bool caseInsensitive, int32_t timeLimitSteps, int32_t stackLimitBytes) {
  Result result;
  UErrorCode status = U_ZERO_ERROR;
  auto compiled = Compile(pattern, caseInsensitive, status);
  if (!compiled) {
    result.outcome = Outcome::kBadPattern;
    result.status = static_cast<int32_t>(U_FAILURE(status) ? status : U_REGEX_INTERNAL_ERROR);
    return result;
  }
  icu::UnicodeString s(false, subject.data(), static_cast<int32_t>(subject.size()));
  std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(s, status));
  if (U_SUCCESS(status)) matcher->setTimeLimit(timeLimitSteps, status);
  if (U_SUCCESS(status)) matcher->setStackLimit(stackLimitBytes, status);
  bool found = U_SUCCESS(status) && matcher->find(status);
  if (found) {
    result.start = matcher->start(status);
    result.end = matcher->end(status);
  }
  result.status = static_cast<int32_t>(status);
  if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW) {
    result.outcome = Outcome::kLimitReached;
  } else if (U_FAILURE(status)) {
    result.outcome = Outcome::kFailed;
  } else {
    result.outcome = found ? Outcome::kFound : Outcome::kNotFound;
  }
  return result;
}
