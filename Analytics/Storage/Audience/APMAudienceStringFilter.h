// The string-filter test of an audience filter. Answers true, false, or
// none when the filter or the value cannot be evaluated. Regular expressions
// run under a step and stack limit: a server pattern never stalls the worker
// queue, and one that reaches the limit gives no answer.
#pragma once

#include <optional>
#include <string>

#include "Analytics/Protobuf/APMPBMessage.h"

class APMAudienceStringFilter {
 public:
  enum MatchType { kUnknown = 0, kRegex = 1, kBeginsWith = 2, kEndsWith = 3, kContains = 4, kExact = 5, kInList = 6 };

  static constexpr int32_t kRegexStepLimit = 5;
  static constexpr int32_t kRegexStackLimit = 256 * 1024;

  // Whether the filter can be evaluated at all (logs each fault).
  static bool isValidStringFilter(const APMPBStringFilter& filter);
  // value: none when the caller has no string. limitReached (optional) is
  // set when a regular expression stopped at its limit: the caller skips the
  // filter until its definition changes.
  static std::optional<bool> evaluateStringFilter(const APMPBStringFilter& filter,
                                                  const std::optional<std::string>& value,
                                                  bool* limitReached = nullptr);
};
